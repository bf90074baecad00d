// The mouse events of an input.json: a JSON list of {"type": ...} objects. Events after each
// frame are applied up to the next "Wait"; each Wait lets one frame pass. Keys and text are read
// and kept for the interpreter issue.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct InputEvent {
    enum class Kind { MouseMove, MouseDown, MouseUp, Wait, Other };
    Kind kind = Kind::Other;
    float x = 0, y = 0;
    std::string button;  // "Left", "Right", "Middle"
};

// nullopt with a reason when the text is not such a list.
std::optional<std::vector<InputEvent>> ParseInputScript(const std::string& json, std::string* error);
