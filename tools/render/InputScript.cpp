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
    explicit Parser(const std::string& s) : s_(s) {}

    bool Parse(Value& v, int depth = 0) {
        Space();
        if (depth > 32 || i_ >= s_.size()) return false;
        const char c = s_[i_];
        if (c == '{') {
            v.type = Value::Type::Object;
            ++i_;
            Space();
            if (Eat('}')) return true;
            do {
                Space();
                Value key;
                if (!ParseString(key.text)) return false;
                Space();
                if (!Eat(':')) return false;
                if (!Parse(v.fields[key.text], depth + 1)) return false;
                Space();
            } while (Eat(','));
            return Eat('}');
        }
        if (c == '[') {
            v.type = Value::Type::Array;
            ++i_;
            Space();
            if (Eat(']')) return true;
            do {
                v.items.emplace_back();
                if (!Parse(v.items.back(), depth + 1)) return false;
                Space();
            } while (Eat(','));
            return Eat(']');
        }
        if (c == '"') {
            v.type = Value::Type::String;
            return ParseString(v.text);
        }
        if (s_.compare(i_, 4, "true") == 0 || s_.compare(i_, 4, "null") == 0) {
            v.type = s_[i_] == 't' ? Value::Type::Bool : Value::Type::Null;
            v.number = 1;
            i_ += 4;
            return true;
        }
        if (s_.compare(i_, 5, "false") == 0) {
            v.type = Value::Type::Bool;
            i_ += 5;
            return true;
        }
        char* end = nullptr;
        v.number = std::strtod(s_.c_str() + i_, &end);
        if (end == s_.c_str() + i_) return false;
        v.type = Value::Type::Number;
        i_ = size_t(end - s_.c_str());
        return true;
    }

    bool AtEnd() {
        Space();
        return i_ == s_.size();
    }

private:
    void Space() {
        while (i_ < s_.size() && std::isspace(uint8_t(s_[i_]))) ++i_;
    }
    bool Eat(char c) {
        if (i_ < s_.size() && s_[i_] == c) {
            ++i_;
            return true;
        }
        return false;
    }
    bool ParseString(std::string& out) {
        if (!Eat('"')) return false;
        while (i_ < s_.size()) {
            const char c = s_[i_++];
            if (c == '"') return true;
            if (c == '\\') {
                if (i_ >= s_.size()) return false;
                const char e = s_[i_++];
                switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'u': {
                    if (i_ + 4 > s_.size()) return false;
                    const unsigned cp = unsigned(std::strtoul(s_.substr(i_, 4).c_str(), nullptr, 16));
                    i_ += 4;
                    if (cp < 0x80) out += char(cp);
                    else if (cp < 0x800) { out += char(0xC0 | cp >> 6); out += char(0x80 | (cp & 0x3F)); }
                    else { out += char(0xE0 | cp >> 12); out += char(0x80 | (cp >> 6 & 0x3F)); out += char(0x80 | (cp & 0x3F)); }
                    break;
                }
                default: out += e; break;
                }
            } else {
                out += c;
            }
        }
        return false;
    }

    const std::string& s_;
    size_t i_ = 0;
};

}  // namespace

std::optional<std::vector<InputEvent>> ParseInputScript(const std::string& json, std::string* error) {
    Value root;
    Parser parser(json);
    if (!parser.Parse(root) || !parser.AtEnd() || root.type != Value::Type::Array) {
        if (error) *error = "not a JSON list of events";
        return std::nullopt;
    }
    std::vector<InputEvent> events;
    for (const Value& item : root.items) {
        if (item.type != Value::Type::Object) continue;
        auto type = item.fields.find("type");
        if (type == item.fields.end() || type->second.type != Value::Type::String) continue;
        InputEvent e;
        const std::string& t = type->second.text;
        if (t == "MouseMove") e.kind = InputEvent::Kind::MouseMove;
        else if (t == "MouseDown") e.kind = InputEvent::Kind::MouseDown;
        else if (t == "MouseUp") e.kind = InputEvent::Kind::MouseUp;
        else if (t == "Wait") e.kind = InputEvent::Kind::Wait;
        auto pos = item.fields.find("pos");
        if (pos != item.fields.end() && pos->second.items.size() >= 2) {
            e.x = float(pos->second.items[0].number);
            e.y = float(pos->second.items[1].number);
        }
        auto btn = item.fields.find("btn");
        if (btn != item.fields.end()) e.button = btn->second.text;
        events.push_back(std::move(e));
    }
    return events;
}
