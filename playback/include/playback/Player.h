// Plays a movie: the dictionary of characters (the movie's own and those it imports), the
// display tree under the stage, the frame loop in the reference player's order, buttons and the
// mouse, and the frame's draw list. Portable.
//
// One frame (AdvanceFrame): every clip, from the newest made to the oldest (the stage last),
// queues its enterFrame event and applies the display-list changes of its next frame; clips
// those changes place enter their first frame there, their actions queued where their place op
// stands among the frame's actions. The queue runs after all of them. A timeline at its last
// frame goes back to its first unless it is stopped; a timeline of one frame stays.
#pragma once

#include "movie/Movie.h"
#include "playback/DisplayObject.h"
#include "playback/ScriptRunner.h"
#include "playback/Stage.h"
#include "raster/DrawList.h"
#include "raster/Renderer.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace playback {

// Loads a file the movie names (an imported movie, for now) by its URL as the movie wrote it;
// nullopt when there is none. The host decides where relative names point (the movie's folder).
using ResourceLoader = std::function<std::optional<std::vector<uint8_t>>(const std::string& url)>;

class Player {
public:
    explicit Player(std::shared_ptr<const movie::Movie> movie, ResourceLoader loader = {});
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // The runner for all action code; null restores the engine's own timeline-action runner.
    void SetScriptRunner(ScriptRunner* runner);
    // fscommand(command, args): a GetURL to "FSCommand:command".
    void SetFsCommandHandler(std::function<void(const std::string& command, const std::string& args)> handler);
    // A web address to open, only ever asked for from a button's actions (the user's click).
    void SetOpenUrlHandler(std::function<void(const std::string& url, const std::string& target)> handler);

    // One frame of the movie. The first call enters the first frame.
    void AdvanceFrame();
    uint32_t FramesRun() const { return m_framesRun; }
    // Whether the main timeline goes back to its first frame at its end.
    void SetLoop(bool loop) { m_loop = loop; }

    // The frame's drawing commands for a window of the given size (the stage placed in it by
    // the scale mode). The list keeps its storage: a steady scene allocates nothing.
    void BuildDrawList(raster::DrawList& list, int32_t windowWidth, int32_t windowHeight);
    raster::Color Background() const;
    void SetScaleMode(ScaleMode mode);
    ScaleMode GetScaleMode() const { return m_scaleMode; }
    // StageAlign flags: where the stage sits in a window it does not fill.
    void SetAlignment(uint8_t align);
    uint8_t GetAlignment() const { return m_align; }
    // Changes whenever what the frame draws may have changed (the display tree, a button's state,
    // the window's size or the stage's placement): a host redraws only when it differs.
    uint64_t SceneVersion() const;
    raster::Quality GetQuality() const { return m_quality; }
    void SetQuality(raster::Quality q) { m_quality = q; }

    // The mouse, in window pixels of the window last drawn for (BuildDrawList's size, or the
    // stage's own size before that).
    void SetWindowSize(int32_t width, int32_t height);
    void MouseMove(float x, float y);
    void MouseDown(float x, float y);
    void MouseUp(float x, float y);
    // A key event (kEventKeyDown or kEventKeyUp) for every clip's key handlers.
    void KeyEvent(uint32_t event);
    // A key pressed, as button and clip key-press conditions number keys (the character, or 1
    // left, 2 right, 3 home, 4 end, 5 insert, 6 delete, 8 backspace, 13 enter, 14 up, 15 down,
    // 16 page up, 17 page down, 18 tab, 19 escape): the first visible button or clip, in
    // depth order, with actions for that key runs them. False when none has.
    bool KeyPress(uint8_t code);
    // A button (or button-like clip) pressed and released from the keyboard: its press and
    // release actions run, the mouse aside.
    void ClickButton(DisplayObject& button);
    // The button the keyboard focus has come to shows as under the pointer (its roll-over runs,
    // and the roll-out of the button shown so before); null: none. The pointer moving ends it.
    void HighlightButton(DisplayObject* button);
    // The yellow focus rectangle shows around `object` (null: nowhere) until the pointer moves,
    // a mouse button goes down or up, or the object leaves the tree.
    void ShowFocusRect(DisplayObject* object);
    // Whether the pointer is over a button (the hand cursor shows).
    bool HandCursor() const;

    // The display tree and the timeline calls scripts make.
    DisplayObject& Stage() { return *m_root; }
    const movie::Movie& MainMovie() const;
    void Play(DisplayObject& clip);
    void Stop(DisplayObject& clip);
    void GotoFrame(DisplayObject& clip, uint32_t frame, bool play);  // 0-based; clamped
    bool GotoLabel(DisplayObject& clip, const std::string& label, bool play);
    void NextFrame(DisplayObject& clip);
    void PrevFrame(DisplayObject& clip);
    // A target path as timeline actions write it: "/a/b", "a/b", "../x", "_root.a", "_parent",
    // "_levelN"; relative to `from`. Null when nothing is there.
    DisplayObject* FindTarget(DisplayObject& from, const std::string& path);
    // Scripts that change objects' properties directly say so here (the mouse is tested again).
    void TreeChanged();
    // Objects scripts make and remove, at display-list depths (an object already at the depth
    // goes). Null when nothing can be placed there (limits, unknown names, no clip).
    DisplayObject* PlaceExported(DisplayObject& parent, const std::string& exportName, const std::string& name,
                                 int32_t depth);
    DisplayObject* CreateEmptyClip(DisplayObject& parent, const std::string& name, int32_t depth);
    // A text field with the box x, y, width, height (twips), as createTextField makes it.
    DisplayObject* CreateTextField(DisplayObject& parent, const std::string& name, int32_t depth, double x,
                                   double y, double width, double height);
    // The pixels of the bitmap exported as `exportName` by the movie of `from`, else by the main
    // movie; null when there is none.
    std::shared_ptr<const raster::Image> ExportedBitmap(const DisplayObject& from, const std::string& exportName);
    // A child showing a script's bitmap (its pixels as they are at each draw), as attachBitmap
    // places it.
    DisplayObject* AttachBitmap(DisplayObject& parent, std::shared_ptr<const raster::Image> image, int32_t depth,
                                bool smoothing);
    // Draws an object and what it holds into `target` (premultiplied pixels), its space mapped
    // to the target's pixels by `m` (from twips) and coloured by `cx`, as BitmapData.draw does.
    void DrawObjectInto(const DisplayObject& object, const raster::Matrix& m, const raster::ColorTransform& cx,
                        raster::Image& target);
    // A copy of a clip beside it (same parent), with its properties and placed handlers.
    DisplayObject* DuplicateClip(DisplayObject& clip, const std::string& name, int32_t depth);
    // Moves an object to another depth of its parent, swapping with the one there; from then on
    // its parent's timeline no longer moves or removes it.
    void SetDepth(DisplayObject& object, int32_t depth);
    // Takes an object off the tree (its unload event runs); the stage stays.
    void RemoveObject(DisplayObject& object);
    // The bounds of what an object draws, in its parent's space (twips); empty when nothing.
    raster::Rect BoundsInParent(const DisplayObject& object) const;
    // The same through `m` (the object's own space to the wanted one).
    raster::Rect BoundsUnder(const DisplayObject& object, const raster::Matrix& m) const;
    // Whether an object covers a point of the stage (twips): its drawing's shapes, or only the
    // box around them.
    bool HitTest(const DisplayObject& object, raster::Point stage, bool shapes) const;
    // The drawing API of clips, in the clip's twips: a line style (width < 0: no line), fills
    // opened and closed, and the pen's moves, lines and curves. Clear forgets all of it.
    void DrawClear(DisplayObject& clip);
    void DrawLineStyle(DisplayObject& clip, float width, raster::Color color);
    void DrawBeginFill(DisplayObject& clip, raster::Color color);
    // A fill of a script's bitmap, `m` mapping its pixels to the clip's twips (beginBitmapFill).
    void DrawBeginBitmapFill(DisplayObject& clip, std::shared_ptr<const raster::Image> image, const raster::Matrix& m,
                             bool repeat, bool smooth);
    void DrawBeginPaintFill(DisplayObject& clip, const raster::Paint& paint);
    void DrawEndFill(DisplayObject& clip);
    void DrawMoveTo(DisplayObject& clip, raster::Point to);
    void DrawLineTo(DisplayObject& clip, raster::Point to);
    void DrawCurveTo(DisplayObject& clip, raster::Point control, raster::Point to);
    // The format version of the movie an object comes from (its code runs by that version's rules).
    uint8_t VersionOf(const DisplayObject& object) const;
    // The pointer in stage twips.
    raster::Point MouseOnStage() const;
    // A script's `filters`: the object draws through these from the next frame on.
    void SetFilters(DisplayObject& object, std::vector<movie::FilterDef> filters);
    // Movies loaded beside the main one. The bytes of a file the movie names, through the host's
    // loader (nullopt when there is none or no loader).
    std::optional<std::vector<uint8_t>> LoadResource(const std::string& url);
    // The root of level `n` (0: the stage), null when nothing is loaded there; which level a
    // root is (-1: `object` is no level's root).
    DisplayObject* Level(int n);
    int LevelOf(const DisplayObject& object) const;
    // Puts `movie`'s main timeline into `clip` (what it held unloads, what scripts set on it goes),
    // or, with no clip, into level `level` (made when missing). The content enters its first
    // frame in the next frame. Returns the clip, or null when nothing could be loaded.
    DisplayObject* LoadMovieInto(DisplayObject* clip, int level, std::shared_ptr<const movie::Movie> movie);
    // Empties a clip of what it loaded (a level above 0 goes away; the stage stays).
    void UnloadMovie(DisplayObject& clip);
    // Variables have loaded into `clip`: its data events run.
    void RunDataEvent(DisplayObject& clip);
    void FsCommand(const std::string& command, const std::string& args);
    void OpenUrl(const std::string& url, const std::string& target);
    void ToggleQuality();
    void StopSounds() {}
    // The transform every sound of the movie plays through.
    SoundTransform& GlobalSound() { return m_globalSound; }
    // The embedded sound a movie exports under a name (case-insensitive): the name as `from`'s
    // movie exports it, else as the main movie does; null when there is none.
    const movie::SoundDef* ExportedSound(const DisplayObject& from, const std::string& exportName) const;

    // Whether the movie asked to end (fscommand "quit" is also reported to the handler).
    bool QuitRequested() const { return m_quit; }

    // The inside, shared by playback's own sources.
    struct Impl;

private:
    friend struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::vector<std::unique_ptr<Library>> m_libraries;
    std::unique_ptr<DisplayObject> m_root;
    uint32_t m_framesRun = 0;
    bool m_loop = true;
    bool m_quit = false;
    ScaleMode m_scaleMode = ScaleMode::ShowAll;
    uint8_t m_align = kAlignCentre;
    SoundTransform m_globalSound;
    raster::Quality m_quality = raster::Quality::High;
};

}  // namespace playback
