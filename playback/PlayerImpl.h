// The inside of Player, shared by its source files: timelines (Timeline.cpp), the frame loop
// (Player.cpp), the draw list (DrawListBuilder.cpp) and the mouse (Mouse.cpp).
#pragma once

#include "Library.h"
#include "TimelineActions.h"
#include "playback/Player.h"

#include <array>
#include <cmath>
#include <functional>
#include <map>

namespace playback {

// How deep the display tree may grow (a sprite that places itself stops here).
constexpr int kMaxTreeDepth = 64;
// Objects alive at once (sprites that place several copies of themselves grow without end).
constexpr size_t kMaxObjects = 100000;
// Action blocks one frame may run (actions that keep jumping between frames stop here).
constexpr uint32_t kMaxActionBlocksPerFrame = 20000;
// Where the depths scripts use for their own objects start (their depth 0): a timeline that
// goes back replaces what sits below it, and leaves what sits here.
constexpr int32_t kFirstScriptDepth = 16384;
// Masks open at once in one container.
constexpr size_t kMaxOpenMasks = 64;

// One entry of the frame's action queue: a block of frame actions, or a clip event (event set).
struct PendingActions {
    DisplayObject* clip = nullptr;
    const movie::ActionBlock* block = nullptr;
    uint32_t event = 0;
};

struct Player::Impl {
    Player& player;
    TimelineActions ownRunner;
    ScriptRunner* runner = &ownRunner;
    ResourceLoader loader;
    std::function<void(const std::string&, const std::string&)> fsHandler;
    std::function<void(const std::string&, const std::string&)> urlHandler;

    size_t liveObjects = 0;  // declared before every owner of objects: it outlives them
    std::vector<std::unique_ptr<DisplayObject>> removedThisFrame;
    std::vector<DisplayObject*> tickScratch;
    std::vector<DisplayObject*> frameOrder;     // the clips of the frame being run, newest first
    std::vector<DisplayObject*> eventOrder;     // the clips a broadcast event goes to, newest first
    uint64_t serials = 0;                       // the last DisplayObject::serial given
    std::vector<DisplayObject*> placedScratch;  // clips a frame placed, waiting for their construct events
    std::vector<PendingActions> queue;
    size_t queueHead = 0;
    // Clips scripts placed whose first frame has not run: they run it in the same frame, after
    // the tree's other clips, in the order they were placed.
    std::vector<DisplayObject*> scriptedStarts;
    uint32_t blocksRunThisFrame = 0;
    uint32_t instancesMade = 0;  // clips and buttons made, for the names of unnamed ones
    int instantiating = 0;       // inside Instantiate: the objects it places are not on the tree yet

    // Timeline replay for going back: the state each depth ends up in.
    struct DepthState {
        uint16_t depth = 0;
        uint16_t characterId = 0;
        uint32_t frame = 0;           // the frame that placed this character here
        movie::PlaceObjectDef place;  // accumulated properties
    };
    std::vector<DepthState> replay;

    int32_t windowWidth = 0, windowHeight = 0;
    raster::Matrix stageMatrix;  // twips to window pixels, for the mouse
    float mouseX = -1e9f, mouseY = -1e9f;
    bool mouseDown = false;
    // Bumped by every change of the display tree; the pointer is tested again only when it or
    // the tree has changed (hit tests are not free, and a still scene must not allocate).
    uint64_t treeVersion = 1;
    uint64_t testedVersion = 0;
    float testedX = 0, testedY = 0;
    DisplayObject* hovered = nullptr;      // the button under the pointer
    DisplayObject* pressed = nullptr;      // the button the press began on
    DisplayObject* highlighted = nullptr;  // the button the keyboard focus shows as under the pointer
    DisplayObject* focusRect = nullptr;    // the object the focus rectangle is drawn around
    raster::Path focusRectPath;

    // Roots of the levels above the stage, by number.
    std::map<int, std::unique_ptr<DisplayObject>> levels;
    // Calls `f` with the stage, then each level's root upward; levels that `f` adds wait for
    // the next call, those it removes are skipped.
    template <typename F>
    void ForEachLevel(F&& f) {
        f(*player.m_root);
        for (int level = 1;;) {
            auto next = levels.lower_bound(level);
            if (next == levels.end())
                return;
            level = next->first + 1;
            f(*next->second);
        }
    }

    // The timeline of clips scripts create empty: one frame with nothing in it.
    movie::Timeline emptyTimeline{std::vector<movie::Frame>(1), {}};
    // What BitmapData.draw renders with (made on first use), and its draw list.
    std::unique_ptr<raster::Renderer> bitmapRenderer;
    raster::DrawList bitmapList;

    explicit Impl(Player& p) : player(p) {}

    // Timeline.cpp
    // `named`: the object gets a name from its placement; a clip or button that gets none is
    // named "instanceN", N counting such objects from 1 over the player's life.
    std::unique_ptr<DisplayObject> Instantiate(Library* library, uint16_t id, DisplayObject& parent,
                                               bool named = false);
    uint32_t unnamedInstances = 0;
    void NameUnnamed(DisplayObject& o, bool named);
    // Places or moves an object and runs the initialize events of a clip it places; returns
    // that clip (its construct events are the caller's), else null.
    DisplayObject* ApplyPlace(DisplayObject& clip, const movie::PlaceObjectDef& place, uint32_t frame);
    void ApplyRemove(DisplayObject& clip, uint16_t depth);
    void ApplyFrameOps(DisplayObject& clip, uint32_t frame);
    void RebuildTo(DisplayObject& clip, uint32_t frame);
    void SeekFrame(DisplayObject& clip, uint32_t frame);  // display list only; actions queued
    void InsertChild(DisplayObject& parent, std::unique_ptr<DisplayObject> child);
    void RemoveChildAt(DisplayObject& parent, size_t index);
    void MarkRemoved(DisplayObject& object);
    void BuildButtonChildren(DisplayObject& button);
    // Puts a script-made object at `depth` of `parent`, replacing what is there.
    // A new object for `parent` that scripts make (not yet placed), or null past the limits of
    // tree depth and object count.
    std::unique_ptr<DisplayObject> NewScriptedChild(DisplayObject& parent, ObjectKind kind);
    DisplayObject* PlaceScripted(DisplayObject& parent, std::unique_ptr<DisplayObject> object, const std::string& name,
                                 int32_t depth);

    // FrameLoop.cpp
    // A new object joins the live count and gets the next serial.
    void Register(DisplayObject& object);
    // One frame: every clip of the tree, the newest first, queues its enterFrame event and
    // steps its timeline (clips a step places enter their first frame at once); then the queue
    // runs, then the clips scripts placed start.
    void RunFrame();
    void RunClipFrame(DisplayObject& clip);
    // The clips under the stage and the levels (inside buttons too), the newest first; clips
    // scripts placed that have not started are left out.
    void CollectClipsNewestFirst(std::vector<DisplayObject*>& out);
    void StepForward(DisplayObject& clip);
    // Queues the actions of the frame `clip` has just reached, in the file's order with the first
    // frames of the clips that frame placed (each goes where its place op stands).
    void QueueFrame(DisplayObject& clip, uint32_t frame);
    void QueueClipEvent(DisplayObject& clip, uint32_t event);
    void StartScriptedClips();
    // The first frame of a clip placed now: its init actions, its load event and its frame's
    // actions queued (a level's root loads after them). A goto on a clip that has not run yet
    // leaves its load event for its turn (`loadNow` false).
    void EnterFirstFrame(DisplayObject& clip, bool loadNow);
    // Player.cpp
    void Drain();
    void RunClipEvents(DisplayObject& clip, uint32_t event);
    void RunInitActions(DisplayObject& sprite);
    // The init actions of a movie's frame, for the clip that plays the movie's main timeline.
    void RunFrameInitActions(DisplayObject& movieRoot, uint32_t frame);
    // Loading.cpp: unloads and removes everything a clip holds.
    void ClearContent(DisplayObject& clip);
    // Unload events of an object leaving the tree: the objects inside it first, then its own.
    void RunUnloadEvents(DisplayObject& object);
    // Initialize, then construct events of a subtree just placed, each from the top down.
    void RunPlacementEvents(DisplayObject& object, uint32_t event);
    int TreeDepth(const DisplayObject& object) const;

    // DrawListBuilder.cpp
    void Emit(raster::DrawList& list, const DisplayObject& object, const raster::Matrix& m,
              const raster::ColorTransform& cx, bool inMask, bool inLayer);
    void EmitChildren(raster::DrawList& list, const std::vector<std::unique_ptr<DisplayObject>>& children,
                      const raster::Matrix& m, const raster::ColorTransform& cx, bool inMask, bool inLayer);
    void EmitBackground(raster::DrawList& list, const DisplayObject& object, const raster::Matrix& m,
                        const raster::ColorTransform& cx);
    // The bounds of what `object` draws, under `m` (its own space to the wanted one), into `out`.
    void Bounds(const DisplayObject& object, const raster::Matrix& m, raster::Rect& out) const;
    void EmitShape(raster::DrawList& list, const CachedShape& shape, const raster::Matrix& m,
                   const raster::ColorTransform& cx, bool inMask);
    const CachedShape* ShapeOf(const DisplayObject& object) const;
    // FocusRect.cpp: the focus rectangle over everything else, when it shows.
    void EmitFocusRect(raster::DrawList& list);
    // TextFieldDrawing.cpp: a field's background, its text clipped to its box, and its border.
    void EmitTextField(raster::DrawList& list, const DisplayObject& object, const raster::Matrix& m,
                       const raster::ColorTransform& cx, bool inMask);

    // Mouse.cpp
    DisplayObject* ButtonAt(raster::Point stagePoint);
    // The topmost visible selectable text field whose box holds the stage point.
    DisplayObject* TextFieldAt(raster::Point stagePoint);
    void UpdateButtons();
    // The pointer at a window point: buttons follow it, and clips hear a mouse move if it moved
    // or the host reported a move.
    void PointerAt(float x, float y, bool reported);
    bool TracksAsMenu(DisplayObject& button);
    // A button under the pointer that is not shown so (its press went elsewhere, or the keyboard
    // focus left it) rolls over at the next test: after the pointer moves or the mouse is released.
    void RetestIdleHover();
    void SetButtonMouse(DisplayObject& button, ButtonMouse state, uint16_t condition);
    // A button's (or button-like clip's) actions for a transition and its scripts' handler, the
    // mouse state left as it is.
    void RunButtonTransition(DisplayObject& button, uint16_t condition);
    // The key-press actions of the buttons and clips under `object` whose key is `code`.
    bool RunKeyPress(DisplayObject& object, uint8_t code);
    // A mouse clip event to every clip of the tree, the newest first.
    void BroadcastClipEvent(uint32_t event);
};

}  // namespace playback
