#include "InputScript.h"

#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

// Just enough JSON for the event lists: objects, arrays, strings, numbers, true/false/null.
struct Value {
    enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
    double number = 0;
    std::string text;
    std::vector<Value> items;
    std::map<std::string, Value> fields;
};

class Parser {
public:
    explicit Parser(const std::string& s) : m_s(s) {}

    bool Parse(Value& v, int depth = 0) {
        Space();
        if (depth > 32 || m_i >= m_s.size())
            return false;
        const char c = m_s[m_i];
        if (c == '{') {
            v.type = Value::Type::Object;
            ++m_i;
            Space();
            if (Eat('}'))
                return true;
            do {
                Space();
                Value key;
                if (!ParseString(key.text))
                    return false;
                Space();
                if (!Eat(':'))
                    return false;
                if (!Parse(v.fields[key.text], depth + 1))
                    return false;
                Space();
            } while (Eat(','));
            return Eat('}');
        }
        if (c == '[') {
            v.type = Value::Type::Array;
            ++m_i;
            Space();
            if (Eat(']'))
                return true;
            do {
                v.items.emplace_back();
                if (!Parse(v.items.back(), depth + 1))
                    return false;
                Space();
            } while (Eat(','));
            return Eat(']');
        }
        if (c == '"') {
            v.type = Value::Type::String;
            return ParseString(v.text);
        }
        if (m_s.compare(m_i, 4, "true") == 0 || m_s.compare(m_i, 4, "null") == 0) {
            v.type = m_s[m_i] == 't' ? Value::Type::Bool : Value::Type::Null;
            v.number = 1;
            m_i += 4;
            return true;
        }
        if (m_s.compare(m_i, 5, "false") == 0) {
            v.type = Value::Type::Bool;
            m_i += 5;
            return true;
        }
        char* end = nullptr;
        v.number = std::strtod(m_s.c_str() + m_i, &end);
        if (end == m_s.c_str() + m_i)
            return false;
        v.type = Value::Type::Number;
        m_i = size_t(end - m_s.c_str());
        return true;
    }

    bool AtEnd() {
        Space();
        return m_i == m_s.size();
    }

private:
    void Space() {
        while (m_i < m_s.size() && std::isspace(uint8_t(m_s[m_i])))
            ++m_i;
    }
    bool Eat(char c) {
        if (m_i < m_s.size() && m_s[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    bool ParseString(std::string& out) {
        if (!Eat('"'))
            return false;
        while (m_i < m_s.size()) {
            const char c = m_s[m_i++];
            if (c == '"')
                return true;
            if (c == '\\') {
                if (m_i >= m_s.size())
                    return false;
                const char e = m_s[m_i++];
                switch (e) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u': {
                    if (m_i + 4 > m_s.size())
                        return false;
                    const unsigned cp = unsigned(std::strtoul(m_s.substr(m_i, 4).c_str(), nullptr, 16));
                    m_i += 4;
                    if (cp < 0x80)
                        out += char(cp);
                    else if (cp < 0x800) {
                        out += char(0xC0 | cp >> 6);
                        out += char(0x80 | (cp & 0x3F));
                    } else {
                        out += char(0xE0 | cp >> 12);
                        out += char(0x80 | (cp >> 6 & 0x3F));
                        out += char(0x80 | (cp & 0x3F));
                    }
                    break;
                }
                default:
                    out += e;
                    break;
                }
            } else {
                out += c;
            }
        }
        return false;
    }

    const std::string& m_s;
    size_t m_i = 0;
};

}  // namespace

std::optional<std::vector<InputEvent>> ParseInputScript(const std::string& json, std::string* error) {
    Value root;
    Parser parser(json);
    if (!parser.Parse(root) || !parser.AtEnd() || root.type != Value::Type::Array) {
        if (error)
            *error = "not a JSON list of events";
        return std::nullopt;
    }
    std::vector<InputEvent> events;
    for (const Value& item : root.items) {
        if (item.type != Value::Type::Object)
            continue;
        auto type = item.fields.find("type");
        if (type == item.fields.end() || type->second.type != Value::Type::String)
            continue;
        InputEvent e;
        const std::string& t = type->second.text;
        if (t == "MouseMove")
            e.kind = InputEvent::Kind::MouseMove;
        else if (t == "MouseDown")
            e.kind = InputEvent::Kind::MouseDown;
        else if (t == "MouseUp")
            e.kind = InputEvent::Kind::MouseUp;
        else if (t == "Wait")
            e.kind = InputEvent::Kind::Wait;
        else if (t == "KeyDown")
            e.kind = InputEvent::Kind::KeyDown;
        else if (t == "KeyUp")
            e.kind = InputEvent::Kind::KeyUp;
        else if (t == "FocusLost")
            e.kind = InputEvent::Kind::FocusLost;
        else if (t == "TextInput")
            e.kind = InputEvent::Kind::TextInput;
        else if (t == "TextControl")
            e.kind = InputEvent::Kind::TextControl;
        else if (t == "SetClipboardText")
            e.kind = InputEvent::Kind::SetClipboard;
        for (const char* field : {"codepoint", "code", "text"}) {
            auto v = item.fields.find(field);
            if (v != item.fields.end() && v->second.type == Value::Type::String)
                e.text = v->second.text;
        }
        auto key = item.fields.find("key");
        if (key != item.fields.end() && key->second.type == Value::Type::String) {
            e.key = key->second.text;
        } else if (key != item.fields.end() && key->second.type == Value::Type::Object) {
            // {"Char": "a"}: the key that types that character.
            auto ch = key->second.fields.find("Char");
            if (ch != key->second.fields.end() && ch->second.type == Value::Type::String)
                e.key = ch->second.text;
        }
        auto pos = item.fields.find("pos");
        if (pos != item.fields.end() && pos->second.items.size() >= 2) {
            e.x = float(pos->second.items[0].number);
            e.y = float(pos->second.items[1].number);
        }
        auto btn = item.fields.find("btn");
        if (btn != item.fields.end())
            e.button = btn->second.text;
        events.push_back(std::move(e));
    }
    return events;
}

KeyCode KeyCodeOf(const std::string& name) {
    struct Named {
        const char* name;
        KeyCode key;
    };
    static const Named kNamed[] = {
        {"Backspace", {8, 8}},   {"Tab", {9, 9}},          {"Enter", {13, 13}},       {"LeftShift", {16, 0}},
        {"RightShift", {16, 0}}, {"LeftControl", {17, 0}}, {"RightControl", {17, 0}}, {"LeftAlt", {18, 0}},
        {"CapsLock", {20, 0}},   {"Escape", {27, 27}},     {"Space", {32, 32}},       {"PageUp", {33, 0}},
        {"PageDown", {34, 0}},   {"End", {35, 0}},         {"Home", {36, 0}},         {"Left", {37, 0}},
        {"Up", {38, 0}},         {"Right", {39, 0}},       {"Down", {40, 0}},         {"Insert", {45, 0}},
        {"Delete", {46, 127}},
    };
    for (const Named& n : kNamed)
        if (name == n.name)
            return n.key;
    // A character by itself: the code of the key that types it on a US keyboard, the character.
    if (name.size() == 1) {
        const char c = name[0];
        if (c >= 'a' && c <= 'z')
            return {c - 'a' + 'A', c};
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return {c, c};
        static const char kPunctuation[] = ";:=+,<-_.>/?`~[{\\|]}'\"";
        static const int kCodes[] = {186, 186, 187, 187, 188, 188, 189, 189, 190, 190, 191,
                                     191, 192, 192, 219, 219, 220, 220, 221, 221, 222, 222};
        for (size_t i = 0; i + 1 < sizeof kPunctuation; ++i)
            if (kPunctuation[i] == c)
                return {kCodes[i], c};
        static const char kShiftedDigits[] = ")!@#$%^&*(";
        for (int i = 0; i < 10; ++i)
            if (kShiftedDigits[i] == c)
                return {'0' + i, c};
        if (c == ' ')
            return {32, 32};
    }
    return {};
}

std::optional<playback::TextEdit> TextEditNamed(const std::string& name) {
    using playback::TextEdit;
    static const std::pair<const char*, TextEdit> kNamed[] = {
        {"Backspace", TextEdit::Backspace},
        {"Delete", TextEdit::Delete},
        {"Enter", TextEdit::Enter},
        {"MoveLeft", TextEdit::MoveLeft},
        {"MoveRight", TextEdit::MoveRight},
        {"MoveLineStart", TextEdit::MoveLineStart},
        {"MoveLineEnd", TextEdit::MoveLineEnd},
        {"MoveTextStart", TextEdit::MoveTextStart},
        {"MoveTextEnd", TextEdit::MoveTextEnd},
        {"SelectLeft", TextEdit::SelectLeft},
        {"SelectRight", TextEdit::SelectRight},
        {"SelectLineStart", TextEdit::SelectLineStart},
        {"SelectLineEnd", TextEdit::SelectLineEnd},
        {"SelectTextStart", TextEdit::SelectTextStart},
        {"SelectTextEnd", TextEdit::SelectTextEnd},
        {"SelectAll", TextEdit::SelectAll},
    };
    for (const auto& [n, edit] : kNamed)
        if (name == n)
            return edit;
    return std::nullopt;
}
