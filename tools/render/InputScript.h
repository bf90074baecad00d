// The mouse and key events of an input.json: a JSON list of {"type": ...} objects. Events after
// each frame are applied up to the next "Wait"; each Wait lets one frame pass. Text comes apart
// from keys: TextInput (a typed character), TextControl (an editing action by name) and
// SetClipboardText.
#pragma once

#include "playback/TextEditing.h"

#include <optional>
#include <string>
#include <vector>

struct InputEvent {
    enum class Kind {
        MouseMove,
        MouseDown,
        MouseUp,
        KeyDown,
        KeyUp,
        FocusLost,
        TextInput,
        TextControl,
        SetClipboard,
        Wait,
        Other
    };
    Kind kind = Kind::Other;
    float x = 0, y = 0;
    std::string button;  // "Left", "Right", "Middle"
    std::string key;     // keys: "Tab", "Enter", "Space", "A", ...
    std::string text;    // UTF-8: the character typed, the editing action's name, the clipboard's text
};

// A key's name as input.json writes it to its virtual key code and the character it types (0
// for none); code 0 when the name is not known.
struct KeyCode {
    int code = 0;
    int ascii = 0;
};
KeyCode KeyCodeOf(const std::string& name);

// A TextControl action's name ("MoveRight", "Backspace", ...) as the edit it makes; nullopt for
// names that make none (Paste is the host's: it types the clipboard).
std::optional<playback::TextEdit> TextEditNamed(const std::string& name);

// nullopt with a reason when the text is not such a list.
std::optional<std::vector<InputEvent>> ParseInputScript(const std::string& json, std::string* error);
