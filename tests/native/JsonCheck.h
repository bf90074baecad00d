// A strict JSON reader for tests: checks that text is valid JSON (RFC 8259) and gives its values.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text;                          // String: UTF-8
    std::vector<JsonValue> items;              // Array
    std::map<std::string, JsonValue> members;  // Object

    // A member or item; a shared Null value when it is not there.
    const JsonValue& operator[](const std::string& key) const;
    const JsonValue& operator[](size_t index) const;
    bool Has(const std::string& key) const { return members.count(key) != 0; }
};

// The value of `text`, or nullopt with `error` naming the first fault and its position.
std::optional<JsonValue> ParseJson(std::string_view text, std::string* error = nullptr);

}  // namespace testing_support
