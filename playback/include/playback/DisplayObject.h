// One object of the display tree: a shape, a morph, a movie clip with its own timeline, a
// button or an embedded video. Clips and buttons hold their children in depth order. Playback owns the tree; the
// script interpreter acts on it through the public members and the timeline calls of Player.
#pragma once

#include "movie/Movie.h"
#include "playback/SoundTransform.h"
#include "raster/Filter.h"
#include "raster/Geometry.h"
#include "raster/Paint.h"
#include "raster/Path.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace playback {

struct Library;
struct CachedShape;
class VideoPlayback;
struct ScriptDrawing;
struct TextField;
struct TextFieldPaths;

enum class ObjectKind : uint8_t { Shape, Morph, Clip, Button, Video, Text };

// The visible states of a button and the mouse state it is in.
enum class ButtonState : uint8_t { Up, Over, Down };
enum class ButtonMouse : uint8_t { Idle, OverUp, OverDown, OutDown };

class DisplayObject {
public:
    DisplayObject() = default;
    DisplayObject(const DisplayObject&) = delete;
    DisplayObject& operator=(const DisplayObject&) = delete;
    ~DisplayObject() {
        if (liveCount)
            --*liveCount;
    }
    size_t* liveCount = nullptr;  // the player's count of live objects, kept by each object
    // The order objects were made in (a later one has a larger number): clips run their frames,
    // and hear broadcast events, from the newest to the oldest.
    uint64_t serial = 0;

    ObjectKind kind = ObjectKind::Shape;
    Library* library = nullptr;  // where characterId and the ids its content uses are defined
    uint16_t characterId = 0;
    int32_t depth = 0;
    DisplayObject* parent = nullptr;

    raster::Matrix matrix;
    raster::ColorTransform cxform;
    uint16_t ratio = 0;
    uint16_t clipDepth = 0;  // non-zero: a mask over the depths above it up to this one
    uint8_t blendMode = 0;   // as PlaceObject3 stores it (0/1 normal, 2 layer, ...)
    bool visible = true;
    bool cacheAsBitmap = false;  // as scripts set it; drawn as any other object
    // The filters, as the file or a script gives them (Player::SetFilters from scripts).
    std::vector<movie::FilterDef> filters;
    // PlaceObject3's opaque background: the object's bounds filled with this colour beneath it.
    std::optional<raster::Color> opaqueBackground;
    std::string name;
    std::vector<movie::ClipActionDef> clipActions;
    // The transform of the sounds this clip and those under it play.
    SoundTransform sound;

    // Shapes: the character's cached paths. Morphs: the morph definition (paths per ratio live
    // in the library's cache).
    const CachedShape* shape = nullptr;
    const movie::MorphShapeDef* morph = nullptr;
    // Clips: what scripts drew into them (the drawing API), beneath their children.
    std::shared_ptr<ScriptDrawing> drawing;

    // Bitmaps a script attached (attachBitmap): one rectangle filled with the script's pixels.
    std::shared_ptr<const CachedShape> bitmap;

    // Videos: the stream's decoder and picture (the ratio is the frame shown).
    std::shared_ptr<VideoPlayback> video;

    // Text fields: the field's text, formats and options.
    std::shared_ptr<TextField> textField;

    // Clips.
    const movie::Timeline* timeline = nullptr;
    uint32_t currentFrame = 0;  // 0-based
    bool playing = true;
    bool firstFramePending = false;  // placed, its first frame's actions not run yet
    // The frame (counted from 1) in which a goto ran its first frame before its turn: it does
    // not step again in that frame.
    uint32_t enteredEarlyIn = 0;
    bool loadPending = false;     // entered early by a goto: its load event waits for its turn
    bool removed = false;         // taken off the tree this frame, freed at its end
    bool placedByScript = false;  // made by a script: its parent's timeline never removes it
    uint32_t placedInFrame = 0;   // the frame of its parent's timeline that placed it (0-based)

    // Buttons.
    const movie::ButtonDef* button = nullptr;
    ButtonState buttonState = ButtonState::Up;
    ButtonMouse buttonMouse = ButtonMouse::Idle;
    std::vector<std::unique_ptr<DisplayObject>> hitChildren;  // the hit state's objects

    // Clips and buttons, sorted by depth.
    std::vector<std::unique_ptr<DisplayObject>> children;
    // The rectangle the opaque background fills, rebuilt in place as the bounds change.
    mutable raster::Path backgroundPath;
    // Text fields: the paths of the box, border and glyphs, rebuilt when the field changes.
    mutable std::shared_ptr<TextFieldPaths> textPaths;
    // The filters in device pixels for the frame being drawn, rebuilt in place.
    mutable std::vector<raster::Filter> deviceFilters;

    bool IsContainer() const { return kind == ObjectKind::Clip || kind == ObjectKind::Button; }
    uint32_t FrameCount() const { return timeline ? uint32_t(timeline->frames.size()) : 1; }
    DisplayObject* ChildAtDepth(int32_t depth) const;
    DisplayObject* ChildNamed(const std::string& name) const;  // case-insensitive, as format 6 and older
    // The map from this object's space to the stage's twips.
    raster::Matrix WorldMatrix() const;
};

}  // namespace playback
