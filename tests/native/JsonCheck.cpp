#include "JsonCheck.h"

#include "utf/Utf.h"

namespace testing_support {
namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : m_s(text) {}

    std::optional<JsonValue> Document(std::string* error) {
        JsonValue value;
        SkipSpace();
        const bool ok = Value(value, 0) && (SkipSpace(), m_i == m_s.size() || Fail("text after the value"));
        if (!ok) {
            if (error)
                *error = m_error + " at byte " + std::to_string(m_i);
            return std::nullopt;
        }
        return value;
    }

private:
    bool Fail(const char* what) {
        if (m_error.empty())
            m_error = what;
        return false;
    }
    void SkipSpace() {
        while (m_i < m_s.size() && (m_s[m_i] == ' ' || m_s[m_i] == '\t' || m_s[m_i] == '\n' || m_s[m_i] == '\r'))
            ++m_i;
    }
    bool Literal(std::string_view word) {
        if (m_s.substr(m_i, word.size()) != word)
            return Fail("unknown literal");
        m_i += word.size();
        return true;
    }

    bool Value(JsonValue& value, int depth) {
        if (depth > 64)
            return Fail("nesting too deep");
        if (m_i >= m_s.size())
            return Fail("value expected");
        switch (m_s[m_i]) {
        case '{':
            return Object(value, depth);
        case '[':
            return Array(value, depth);
        case '"':
            value.kind = JsonValue::Kind::String;
            return String(value.text);
        case 't':
            value.kind = JsonValue::Kind::Bool;
            value.boolean = true;
            return Literal("true");
        case 'f':
            value.kind = JsonValue::Kind::Bool;
            return Literal("false");
        case 'n':
            return Literal("null");
        default:
            value.kind = JsonValue::Kind::Number;
            return Number(value.number);
        }
    }

    bool Object(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::Object;
        ++m_i;
        SkipSpace();
        if (m_i < m_s.size() && m_s[m_i] == '}')
            return ++m_i, true;
        while (true) {
            SkipSpace();
            std::string key;
            if (m_i >= m_s.size() || m_s[m_i] != '"')
                return Fail("member name expected");
            if (!String(key))
                return false;
            if (value.members.count(key))
                return Fail("duplicate member name");
            SkipSpace();
            if (m_i >= m_s.size() || m_s[m_i] != ':')
                return Fail("':' expected");
            ++m_i;
            SkipSpace();
            if (!Value(value.members[key], depth + 1))
                return false;
            SkipSpace();
            if (m_i < m_s.size() && m_s[m_i] == ',') {
                ++m_i;
                continue;
            }
            if (m_i < m_s.size() && m_s[m_i] == '}')
                return ++m_i, true;
            return Fail("',' or '}' expected");
        }
    }

    bool Array(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::Array;
        ++m_i;
        SkipSpace();
        if (m_i < m_s.size() && m_s[m_i] == ']')
            return ++m_i, true;
        while (true) {
            SkipSpace();
            if (!Value(value.items.emplace_back(), depth + 1))
                return false;
            SkipSpace();
            if (m_i < m_s.size() && m_s[m_i] == ',') {
                ++m_i;
                continue;
            }
            if (m_i < m_s.size() && m_s[m_i] == ']')
                return ++m_i, true;
            return Fail("',' or ']' expected");
        }
    }

    bool Digits() {
        const size_t start = m_i;
        while (m_i < m_s.size() && m_s[m_i] >= '0' && m_s[m_i] <= '9')
            ++m_i;
        return m_i > start || Fail("digit expected");
    }

    bool Number(double& number) {
        const size_t start = m_i;
        if (m_s[m_i] == '-')
            ++m_i;
        if (m_i < m_s.size() && m_s[m_i] == '0')
            ++m_i;
        else if (!Digits())
            return false;
        if (m_i < m_s.size() && m_s[m_i] == '.') {
            ++m_i;
            if (!Digits())
                return false;
        }
        if (m_i < m_s.size() && (m_s[m_i] == 'e' || m_s[m_i] == 'E')) {
            ++m_i;
            if (m_i < m_s.size() && (m_s[m_i] == '+' || m_s[m_i] == '-'))
                ++m_i;
            if (!Digits())
                return false;
        }
        number = std::stod(std::string(m_s.substr(start, m_i - start)));
        return true;
    }

    bool Hex4(unsigned& value) {
        if (m_s.size() - m_i < 4)
            return Fail("short \\u escape");
        value = 0;
        for (int k = 0; k < 4; ++k) {
            const char c = m_s[m_i++];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= unsigned(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= unsigned(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= unsigned(c - 'A' + 10);
            else
                return Fail("bad \\u escape");
        }
        return true;
    }

    // Raw UTF-8 inside a string must be well formed.
    bool Utf8Sequence(std::string& out) {
        const size_t start = m_i;
        char32_t c;
        if (!utf::DecodeUtf8At(m_s, m_i, c))
            return Fail("malformed UTF-8");
        out.append(m_s.substr(start, m_i - start));
        return true;
    }

    bool String(std::string& out) {
        ++m_i;  // opening quote
        while (true) {
            if (m_i >= m_s.size())
                return Fail("unterminated string");
            const unsigned char c = m_s[m_i];
            if (c == '"')
                return ++m_i, true;
            if (c < 0x20)
                return Fail("raw control character in string");
            if (c >= 0x80) {
                if (!Utf8Sequence(out))
                    return false;
                continue;
            }
            if (c != '\\') {
                out.push_back(char(c));
                ++m_i;
                continue;
            }
            if (++m_i >= m_s.size())
                return Fail("unterminated escape");
            const char e = m_s[m_i++];
            switch (e) {
            case '"':
                out.push_back('"');
                break;
            case '\\':
                out.push_back('\\');
                break;
            case '/':
                out.push_back('/');
                break;
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u': {
                unsigned unit;
                if (!Hex4(unit))
                    return false;
                if (unit >= 0xD800 && unit <= 0xDBFF && m_s.substr(m_i, 2) == "\\u") {
                    const size_t back = m_i;
                    m_i += 2;
                    unsigned low;
                    if (!Hex4(low))
                        return false;
                    if (low >= 0xDC00 && low <= 0xDFFF) {
                        utf::AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                        break;
                    }
                    m_i = back;
                }
                // A lone surrogate escape is valid JSON text; it reads as U+FFFD here.
                utf::AppendUtf8(out, utf::IsSurrogate(unit) ? utf::kReplacement : char32_t(unit));
                break;
            }
            default:
                return Fail("unknown escape");
            }
        }
    }

    std::string_view m_s;
    size_t m_i = 0;
    std::string m_error;
};

const JsonValue& Missing() {
    static const JsonValue none;
    return none;
}

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const {
    const auto found = members.find(key);
    return found == members.end() ? Missing() : found->second;
}

const JsonValue& JsonValue::operator[](size_t index) const {
    return index < items.size() ? items[index] : Missing();
}

std::optional<JsonValue> ParseJson(std::string_view text, std::string* error) {
    return Parser(text).Document(error);
}

}  // namespace testing_support
