// Writes JSON text: objects, arrays, numbers, strings (escaped by Quoted), with the commas.
#pragma once

#include "Quoted.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pack {

class JsonWriter {
public:
    JsonWriter& BeginObject() { return Open('{'); }
    JsonWriter& EndObject() { return Close('}'); }
    JsonWriter& BeginArray() { return Open('['); }
    JsonWriter& EndArray() { return Close(']'); }

    JsonWriter& Key(std::string_view name) {
        Separate();
        m_text += Quoted(name) + ":";
        m_afterKey = true;
        return *this;
    }
    JsonWriter& Number(int64_t value) { return Raw(std::to_string(value)); }
    JsonWriter& Unsigned(uint64_t value) { return Raw(std::to_string(value)); }
    JsonWriter& Text(std::u16string_view value) { return Raw(Quoted(value)); }
    JsonWriter& Text(std::string_view utf8) { return Raw(Quoted(utf8)); }
    JsonWriter& Bool(bool value) { return Raw(value ? "true" : "false"); }
    JsonWriter& Null() { return Raw("null"); }

    const std::string& text() const { return m_text; }

private:
    void Separate() {
        if (m_afterKey) {
            m_afterKey = false;
            return;
        }
        if (!m_hasItem.empty()) {
            if (m_hasItem.back())
                m_text += ",";
            m_hasItem.back() = true;
        }
    }
    JsonWriter& Raw(const std::string& value) {
        Separate();
        m_text += value;
        return *this;
    }
    JsonWriter& Open(char bracket) {
        Separate();
        m_text += bracket;
        m_hasItem.push_back(false);
        return *this;
    }
    JsonWriter& Close(char bracket) {
        m_text += bracket;
        m_hasItem.pop_back();
        return *this;
    }

    std::string m_text;
    std::vector<bool> m_hasItem;  // per open bracket: has it an item yet
    bool m_afterKey = false;
};

}  // namespace pack
