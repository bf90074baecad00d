// What the interpreter needs of the display tree. Playback implements it (an adapter over its
// display objects); TimelineHost.h holds a small implementation over a movie's main timeline.
// Clips are named by opaque handles; kNoClip is "none". The interpreter never keeps a clip alive:
// the host tells it when one goes (Vm::ClipRemoved).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "raster/Paint.h"
#include "script/Object.h"
#include "script/Value.h"

namespace playback {
struct TextField;
}
namespace movie {
struct Movie;
}

namespace script {

// Clip properties by number, as GetProperty/SetProperty and the "_x"... names use them.
enum ClipProperty : int {
    kPropX = 0,
    kPropY,
    kPropXScale,
    kPropYScale,
    kPropCurrentFrame,
    kPropTotalFrames,
    kPropAlpha,
    kPropVisible,
    kPropWidth,
    kPropHeight,
    kPropRotation,
    kPropTarget,
    kPropFramesLoaded,
    kPropName,
    kPropDropTarget,
    kPropUrl,
    kPropHighQuality,
    kPropFocusRect,
    kPropSoundBufTime,
    kPropQuality,
    kPropXMouse,
    kPropYMouse,
    kPropCount
};
// "_x" -> kPropX, ... (names in any case); -1 when the name is not a clip property.
int ClipPropertyIndex(std::string_view name);
// "_level3" -> 3 (names in any case); false when the name is not a level's.
bool LevelNumberOf(std::string_view name, int& level);

// The drawing API of clips, and its arguments (pixels, 0xRRGGBB colours, alpha 0 to 100):
// LineStyle width (negative: no line), colour, alpha; BeginFill colour (negative: no fill),
// alpha; MoveTo and LineTo x, y; CurveTo control x, y, end x, y.
enum class DrawCall { Clear, LineStyle, BeginFill, EndFill, MoveTo, LineTo, CurveTo };

// How a clip is composited, as format 8 movies set it on clips and buttons, each as one number:
// the opaque background 0xRRGGBB (-1: none), the blend mode 1 to 14 (1 normal, 2 layer, ...
// 14 hardlight), whether the clip caches itself as a bitmap (0 or 1).
enum class ClipLook { OpaqueBackground, BlendMode, CacheAsBitmap };

class DisplayHost {
public:
    virtual ~DisplayHost() = default;

    // The tree.
    virtual ClipId Level(int level) = 0;       // _levelN, or kNoClip
    virtual int LevelNumber(ClipId root) = 0;  // which level a root clip is; -1 if not a root
    virtual ClipId Parent(ClipId clip) = 0;    // kNoClip for a level's root
    virtual ClipId ChildByName(ClipId parent, std::string_view name, bool caseSensitive) = 0;
    virtual void Children(ClipId parent, std::vector<ClipId>& out) = 0;  // in depth order
    // The children the keyboard focus may visit: clips, buttons and text fields, in depth order.
    virtual void FocusChildren(ClipId parent, std::vector<ClipId>& out) { Children(parent, out); }
    virtual bool IsAlive(ClipId clip) = 0;
    virtual std::string Name(ClipId clip) = 0;
    virtual int Version(ClipId clip) = 0;  // format version of the movie the clip comes from

    // Properties by number. Get gives numbers, strings or booleans as the reference does.
    virtual Value GetProperty(ClipId clip, int index) = 0;
    virtual void SetProperty(ClipId clip, int index, double number, const std::string& text) = 0;

    // The timeline. Frames are 1-based; a frame outside the timeline is clamped by the host.
    // Goes to a frame; playing or stopped stays as it was (the caller adds Play or Stop).
    virtual void GotoFrame(ClipId clip, int frame) = 0;
    // ActionCall: runs the actions of a frame of the clip now, without going there.
    virtual void CallFrame(ClipId clip, int frame) = 0;
    virtual int FrameOfLabel(ClipId clip, std::string_view label) = 0;  // 0 when missing
    virtual void Play(ClipId clip) = 0;
    virtual void Stop(ClipId clip) = 0;
    virtual void NextFrame(ClipId clip) = 0;
    virtual void PrevFrame(ClipId clip) = 0;

    // Making and removing clips; kNoClip when the host cannot.
    virtual ClipId Duplicate(ClipId clip, std::string_view name, int depth) = 0;
    virtual ClipId CreateEmpty(ClipId parent, std::string_view name, int depth) = 0;
    virtual ClipId Attach(ClipId parent, std::string_view linkageName, std::string_view name, int depth) = 0;
    virtual void Remove(ClipId clip) = 0;
    virtual void StartDrag(ClipId clip, bool lockCenter, const double* rect /*l,t,r,b or null*/) = 0;
    virtual void StopDrag() = 0;

    // The world outside: GetURL and its variants (FSCommand included: "FSCommand:..." URLs),
    // method 0 none, 1 GET, 2 POST; loadTarget/loadVariables flags of GetURL2.
    virtual void GetUrl(ClipId from, std::string_view url, std::string_view target, int method, bool loadTarget,
                        bool loadVariables) = 0;
    virtual void Trace(std::string_view line) = 0;

    // Files beside the movie, and movies loaded from them. ReadFile gives the bytes of the file a
    // script names (nullopt when there is none); LoadMovie puts the movie in `bytes` into
    // `clip`, or into level `level` when clip is kNoClip, and returns the clip that plays it
    // (kNoClip when the bytes hold no movie); UnloadMovie
    // empties a clip of what it loaded (a level above 0 goes); DataLoaded runs a clip's data
    // events (variables have loaded into it).
    virtual std::optional<std::vector<uint8_t>> ReadFile(std::string_view url) {
        (void)url;
        return std::nullopt;
    }
    virtual ClipId LoadMovie(ClipId clip, int level, const std::vector<uint8_t>& bytes) {
        (void)clip;
        (void)level;
        (void)bytes;
        return kNoClip;
    }
    virtual void UnloadMovie(ClipId clip) { (void)clip; }
    virtual void DataLoaded(ClipId clip) { (void)clip; }

    // The symbol a clip was made from, and the symbol an export name stands for, as one key
    // (Object.registerClass ties a class to a symbol, whichever of its names it was given).
    // Empty when there is none; hosts without symbols keep these.
    virtual std::string SymbolOfClip(ClipId clip) {
        (void)clip;
        return {};
    }
    virtual std::string SymbolOfExport(std::string_view exportName) { return std::string(exportName); }

    // A clip's colour transform as multipliers (256 is 1) and offsets: r, g, b, a multipliers,
    // then r, g, b, a offsets. False when the clip has none to give (gone, or no such host).
    virtual bool GetColorTransform(ClipId clip, int32_t out[8]) {
        (void)clip;
        (void)out;
        return false;
    }
    virtual void SetColorTransform(ClipId clip, const int32_t in[8]) {
        (void)clip;
        (void)in;
    }
    // A clip's matrix in its parent: a, b, c, d, then tx, ty in pixels. False when the clip is
    // gone (or the host keeps none).
    virtual bool GetMatrix(ClipId clip, double out[6]) {
        (void)clip;
        (void)out;
        return false;
    }
    virtual void SetMatrix(ClipId clip, const double in[6]) {
        (void)clip;
        (void)in;
    }
    // Depths as scripts number them (the timeline's first depth is -16384); the next depth
    // above every child of a clip, at least 0.
    virtual int Depth(ClipId clip) {
        (void)clip;
        return -16384;
    }
    // The object at a script depth of a clip (a shape there stands for the clip); kNoClip if none.
    virtual ClipId ChildAtDepth(ClipId parent, int depth) {
        (void)parent;
        (void)depth;
        return kNoClip;
    }
    virtual int NextHighestDepth(ClipId clip) {
        (void)clip;
        return 0;
    }
    // Geometry in pixels. Bounds of what a clip draws in the space of `space` (xMin, xMax, yMin,
    // yMax); a point between a clip's space and the stage's; whether a clip covers a stage point
    // (its shapes, or the box around them). False when the host cannot tell.
    virtual bool Bounds(ClipId clip, ClipId space, double out[4]) {
        (void)clip;
        (void)space;
        (void)out;
        return false;
    }
    virtual bool MapPoint(ClipId clip, bool toStage, double& x, double& y) {
        (void)clip;
        (void)toStage;
        (void)x;
        (void)y;
        return false;
    }
    virtual bool HitTest(ClipId clip, double x, double y, bool shapes) {
        (void)clip;
        (void)x;
        (void)y;
        (void)shapes;
        return false;
    }
    // swapDepths: to a script depth, or to the depth of `other` (kNoClip: use `depth`).
    virtual void SwapDepths(ClipId clip, ClipId other, int depth) {
        (void)clip;
        (void)other;
        (void)depth;
    }
    // A clip's look; false when the host cannot tell (gone, or no such host).
    virtual bool GetLook(ClipId clip, ClipLook which, double& out) {
        (void)clip;
        (void)which;
        (void)out;
        return false;
    }
    virtual void SetLook(ClipId clip, ClipLook which, double value) {
        (void)clip;
        (void)which;
        (void)value;
    }
    // Text fields: the field a clip id names (null when it is no text field), and making one
    // (createTextField: pixels).
    virtual playback::TextField* TextFieldOf(ClipId clip) {
        (void)clip;
        return nullptr;
    }
    virtual ClipId CreateTextField(ClipId parent, std::string_view name, int depth, double x, double y, double width,
                                   double height) {
        (void)parent;
        (void)name;
        (void)depth;
        (void)x;
        (void)y;
        (void)width;
        (void)height;
        return kNoClip;
    }
    // The movie whose embedded fonts text is measured with (null: device fonts only).
    virtual const movie::Movie* FontMovie() { return nullptr; }
    // Whether a clip is a button, and whether a clip takes the mouse as buttons do (it has press,
    // release or roll handlers): both may take the keyboard focus.
    virtual bool IsButton(ClipId clip) {
        (void)clip;
        return false;
    }
    virtual bool TakesMouse(ClipId clip) {
        (void)clip;
        return false;
    }
    // Tab is moving the keyboard focus from one object to another (kNoClip: none), before the
    // objects hear of it: a host shows the button that gets it as under the pointer.
    virtual void TabFocusMoving(ClipId from, ClipId to) {
        (void)from;
        (void)to;
    }
    // A script gave the keyboard focus to `clip` (kNoClip: took it away): a host shows the focus
    // rectangle around it, as after Tab.
    virtual void FocusSetByScript(ClipId clip) { (void)clip; }
    virtual void Draw(ClipId clip, DrawCall call, const double* args) {
        (void)clip;
        (void)call;
        (void)args;
    }

    // Scripts' bitmaps (BitmapData). AttachBitmap puts a child showing `image` at a script depth
    // of `parent` (the pixels show as they are at each draw; an image with no pixels shows
    // nothing); kNoClip when the host cannot. DrawClipInto draws a clip, its own space mapped to
    // the bitmap's pixels by `matrix` (a, b, c, d, tx, ty) and coloured by `cx`, over `target`.
    // ExportedBitmap gives the pixels of the bitmap a movie exports as `name` (that of the
    // movie `clip` comes from, else the main one).
    virtual ClipId AttachBitmap(ClipId parent, std::shared_ptr<raster::Image> image, int depth, bool smoothing) {
        (void)parent;
        (void)image;
        (void)depth;
        (void)smoothing;
        return kNoClip;
    }
    virtual bool DrawClipInto(ClipId clip, const double matrix[6], const raster::ColorTransform& cx, bool smoothing,
                              raster::Image& target) {
        (void)clip;
        (void)matrix;
        (void)cx;
        (void)smoothing;
        (void)target;
        return false;
    }
    // beginBitmapFill: a drawing-API fill of `image`, its pixels mapped to the clip's pixels by
    // `matrix` (a, b, c, d, tx, ty).
    virtual void DrawBitmapFill(ClipId clip, std::shared_ptr<raster::Image> image, const double matrix[6], bool repeat,
                                bool smooth) {
        (void)clip;
        (void)image;
        (void)matrix;
        (void)repeat;
        (void)smooth;
    }
    virtual bool ExportedBitmap(ClipId clip, std::string_view name, raster::Image& out) {
        (void)clip;
        (void)name;
        (void)out;
        return false;
    }

    // The sound transform of a clip's sounds (kNoClip: of the whole movie): volume, then the
    // left-to-left, left-to-right, right-to-left and right-to-right gains, percentages. False
    // when the clip is gone or the host keeps none.
    virtual bool GetSoundTransform(ClipId clip, int32_t out[5]) {
        (void)clip;
        (void)out;
        return false;
    }
    virtual void SetSoundTransform(ClipId clip, const int32_t in[5]) {
        (void)clip;
        (void)in;
    }
    // Shared objects' files by key ("<local path>/<name>"; see SharedObjectStore.h). Hosts
    // without a store keep nothing: loads find nothing, saves fail.
    virtual bool LoadSharedObject(const std::string& key, std::vector<uint8_t>& out) {
        (void)key;
        (void)out;
        return false;
    }
    virtual bool SaveSharedObject(const std::string& key, const std::vector<uint8_t>& bytes) {
        (void)key;
        (void)bytes;
        return false;
    }
    virtual void RemoveSharedObject(const std::string& key) { (void)key; }
    // The length in milliseconds of the embedded sound exported under `name` by the movie
    // `clip` comes from (else by the main movie); negative when there is no such sound.
    virtual double ExportedSoundLength(ClipId clip, std::string_view name) {
        (void)clip;
        (void)name;
        return -1;
    }
};

}  // namespace script
