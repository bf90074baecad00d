// The one place where action code runs. Playback hands every action block to a ScriptRunner:
// the frame actions of a timeline, the init actions of a sprite, the clip events of a placed
// clip and the actions of a button's transitions. The engine's own runner (TimelineActions)
// executes the timeline actions of format 3 and skips every other code safely; the script
// interpreter implements this same interface over playback's public display-object API.
#pragma once

#include "movie/Movie.h"

#include <cstdint>

namespace playback {

class DisplayObject;
class Player;

enum class ActionSource : uint8_t { Frame, Init, ClipEvent, Button };

// Clip events, as the event flags of clip action records hold them read as one little-endian
// word (movie::ClipActionDef::events; format 5 stores only the lower 16 bits).
enum ClipEventFlags : uint32_t {
    kEventLoad = 1u << 0,
    kEventEnterFrame = 1u << 1,
    kEventUnload = 1u << 2,
    kEventMouseMove = 1u << 3,
    kEventMouseDown = 1u << 4,
    kEventMouseUp = 1u << 5,
    kEventKeyDown = 1u << 6,
    kEventKeyUp = 1u << 7,
    kEventData = 1u << 8,
    kEventInitialize = 1u << 9,
    kEventPress = 1u << 10,
    kEventRelease = 1u << 11,
    kEventReleaseOutside = 1u << 12,
    kEventRollOver = 1u << 13,
    kEventRollOut = 1u << 14,
    kEventDragOver = 1u << 15,
    kEventDragOut = 1u << 16,
    kEventKeyPress = 1u << 17,
    kEventConstruct = 1u << 18,
};

struct ActionContext {
    Player& player;
    // The timeline the code belongs to: the clip of a frame or clip event, the clip that holds a
    // button for button actions, the sprite for init actions.
    DisplayObject& self;
    ActionSource source = ActionSource::Frame;
    // Clip event flag (ClipEventFlags) or button condition (movie::ButtonCondition).
    uint32_t trigger = 0;
    // The button whose transition runs the code (Button only).
    DisplayObject* button = nullptr;
};

class ScriptRunner {
public:
    virtual ~ScriptRunner() = default;
    // Actions of the frame the clip `context.self` has just entered.
    virtual void RunFrameActions(const ActionContext& context, const movie::ActionBlock& block) = 0;
    // DoInitAction of a sprite, once, before the first frame that places it.
    virtual void RunInitActions(const ActionContext& context, const movie::ActionBlock& block) = 0;
    // One clip event handler of a placed clip (load, enterFrame, mouse events, ...).
    virtual void RunClipEvent(const ActionContext& context, const movie::ActionBlock& block) = 0;
    // The actions of a button transition whose conditions matched.
    virtual void RunButtonActions(const ActionContext& context, const movie::ActionBlock& block) = 0;

    // Every clip event a clip receives (context.trigger), after its placed handlers ran, whether
    // or not it has any: a runner whose scripts set handlers at run time calls them here.
    virtual void ClipEventOccurred(const ActionContext& context) { (void)context; }
    // An object leaves the display tree, with everything under it; it is freed at the end of the
    // frame, so a runner that names objects must forget it and its descendants now.
    virtual void ObjectRemoved(DisplayObject& object) { (void)object; }
    // A clip's content has been replaced by a loaded movie (or emptied): it stays on the tree,
    // but what its scripts had set on it goes with the old content.
    virtual void ContentReplaced(DisplayObject& clip) { (void)clip; }
    // Whether a clip takes the mouse as a button does (its scripts gave it press, release or
    // roll handlers); clips whose placed handlers include such events do without asking.
    virtual bool HandlesMouse(DisplayObject& clip) {
        (void)clip;
        return false;
    }
    // Whether scripts made a button or button-like clip track as a menu (it takes a press begun
    // elsewhere when the pointer is dragged onto it).
    virtual bool TracksAsMenu(DisplayObject& object) {
        (void)object;
        return false;
    }
    // The mouse went down over a selectable text field (null: over none, or over a button,
    // which takes the press): the keyboard focus follows it.
    virtual void TextFieldPressed(DisplayObject* field) { (void)field; }
    // A frame of the movie has run completely (timers and housekeeping go here).
    virtual void FrameEnded(Player& player) { (void)player; }
};

}  // namespace playback
