// The interpreter plugged into playback: a movie's action code (frames, init actions, clip
// events, buttons) runs in one script::Vm over the player's display tree. A host (the control,
// dovetta-render) makes one after the Player and drops it before; fscommand calls reach the
// player's own FSCommand handler (Player::SetFsCommandHandler), trace lines the callback here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace playback {
class Player;
enum class TextEdit;
}  // namespace playback

namespace script {

class SharedObjectStore;

class PlayerScripts {
public:
    using TraceSink = std::function<void(const std::string& line)>;
    // Becomes `player`'s script runner until destroyed.
    PlayerScripts(playback::Player& player, TraceSink trace);
    ~PlayerScripts();
    PlayerScripts(const PlayerScripts&) = delete;
    PlayerScripts& operator=(const PlayerScripts&) = delete;

    // A key pressed or released (virtual key code, and the character typed or 0): the Key
    // object and its listeners hear it, and the clips' key events run.
    void KeyDown(int code, int ascii);
    void KeyUp(int code);
    // Keys and the focused input field. By default a key types its character into the field and
    // the editing keys (backspace, delete, enter, arrows, home, end) edit it. A host that hears
    // text apart from keys sets `apart`: then TypeText brings the text (a character's keyPress
    // actions run with it) and EditText the editing.
    void SetTextApart(bool apart);
    void TypeText(std::string_view utf8);
    void EditText(playback::TextEdit edit);
    // What Paste types into the focused input field.
    void SetClipboardText(std::string_view utf8);
    void Paste();
    // A mouse button pressed or released (1 left, 2 right, 4 middle, as Key numbers them):
    // Key.isDown and Key.isToggled see it; the player hears the mouse itself.
    void MouseButton(int code, bool down);
    // The window lost the keyboard: the object with the focus loses it (a button the keyboard
    // showed as under the pointer rolls out first) and the focus rectangle goes.
    void WindowFocusLost();

    // Lowers the time one action block may run (the movie's ScriptLimits, or 15 s) to at most
    // `seconds`: hosts that must not wait so long (a fuzzer) set it.
    void LimitTimeout(double seconds);
    // Ends an action block after `count` actions as well: unlike time, a count ends a runaway
    // loop at the same place on every run (a fuzzer needs its runs to repeat).
    void LimitActions(uint64_t count);

    // Actions run so far, over every block: with a clock, a measure of the interpreter's speed.
    uint64_t ActionsRun() const;

    // Where the movie's shared objects are kept (not owned; it must outlive this object). Until
    // a host sets one they live in memory for the run. Every shared object the movie opened is
    // written to it again when this object goes.
    void SetSharedObjectStore(SharedObjectStore* store);

    // Why action blocks were abandoned (limits, uncaught throws), oldest first; kept to the
    // last 100.
    const std::vector<std::string>& AbortMessages() const;

    class Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace script
