// Conversions between values, by format version.
#include "script/Value.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace script {

std::string NumberToString(double n) {
    if (std::isnan(n))
        return "NaN";
    if (std::isinf(n))
        return n > 0 ? "Infinity" : "-Infinity";
    if (n == 0)
        return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", n);
    std::string s = buf;
    // The C library writes "e+05"; the reference writes "e+5".
    size_t e = s.find('e');
    if (e != std::string::npos) {
        std::string mant = s.substr(0, e);
        char sign = s[e + 1];
        size_t d = e + 2;
        while (d + 1 < s.size() && s[d] == '0')
            ++d;
        s = mant + "e" + sign + s.substr(d);
    }
    return s;
}

std::string NumberToRadixString(double n, int radix) {
    if (radix == 10 || radix < 2 || radix > 36)
        return NumberToString(n);
    if (std::isnan(n)) {
        // NaN is the integer 0x80000000 there, whose negation stays negative: the digits come
        // out as the characters below '0', as the reference prints them.
        std::string out;
        int32_t v = INT32_MIN;
        do {
            int d = v % radix;
            out.insert(out.begin(), static_cast<char>('0' + d));
            v /= radix;
        } while (v);
        return "-" + out;
    }
    if (std::isinf(n))
        return n > 0 ? "Infinity" : "-Infinity";
    int32_t i = ToInt32(n);
    bool neg = i < 0;
    uint32_t u = neg ? 0u - static_cast<uint32_t>(i) : static_cast<uint32_t>(i);
    std::string out;
    do {
        int d = static_cast<int>(u % static_cast<uint32_t>(radix));
        out.insert(out.begin(), static_cast<char>(d < 10 ? '0' + d : 'a' + d - 10));
        u /= static_cast<uint32_t>(radix);
    } while (u);
    if (neg)
        out.insert(out.begin(), '-');
    return out;
}

static bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The length of the decimal number at the start of `t`: a sign, digits, a point and digits,
// and an exponent only when it has digits of its own. `digits` counts the mantissa's digits
// (0: no number there).
static size_t DecimalPrefix(std::string_view t, size_t& digits) {
    auto isDigit = [&](size_t at) { return at < t.size() && t[at] >= '0' && t[at] <= '9'; };
    size_t j = 0;
    if (j < t.size() && (t[j] == '-' || t[j] == '+'))
        ++j;
    digits = 0;
    for (; isDigit(j); ++j)
        ++digits;
    if (j < t.size() && t[j] == '.')
        for (++j; isDigit(j); ++j)
            ++digits;
    if (digits && j < t.size() && (t[j] == 'e' || t[j] == 'E')) {
        size_t k = j + 1;
        if (k < t.size() && (t[k] == '-' || t[k] == '+'))
            ++k;
        const size_t exponentStart = k;
        while (isDigit(k))
            ++k;
        if (k > exponentStart)
            j = k;
    }
    return j;
}

double StringToNumber(std::string_view s, int version) {
    size_t i = 0;
    while (i < s.size() && IsSpace(s[i]))
        ++i;
    std::string_view t = s.substr(i);
    if (version < 5) {
        // Format 4 reads the longest decimal prefix; no number at all is 0.
        size_t digits = 0;
        const size_t j = DecimalPrefix(t, digits);
        if (!digits)
            return 0.0;
        return std::strtod(std::string(t.substr(0, j)).c_str(), nullptr);
    }
    if (t.empty())
        return NAN;
    // Hexadecimal "0x1F" (a sign may precede it).
    {
        size_t j = 0;
        bool neg = false;
        if (j < t.size() && (t[j] == '-' || t[j] == '+')) {
            neg = t[j] == '-';
            ++j;
        }
        if (j + 1 < t.size() && t[j] == '0' && (t[j + 1] == 'x' || t[j + 1] == 'X')) {
            j += 2;
            if (j >= t.size())
                return NAN;
            // Read as a 32-bit number: higher digits wrap away, then signed.
            uint32_t u = 0;
            for (; j < t.size(); ++j) {
                char c = t[j];
                uint32_t d;
                if (c >= '0' && c <= '9')
                    d = static_cast<uint32_t>(c - '0');
                else if (c >= 'a' && c <= 'f')
                    d = static_cast<uint32_t>(c - 'a' + 10);
                else if (c >= 'A' && c <= 'F')
                    d = static_cast<uint32_t>(c - 'A' + 10);
                else
                    return NAN;
                u = u * 16 + d;
            }
            double v = static_cast<double>(static_cast<int32_t>(u));
            return neg ? -v : v;
        }
        // Octal: a leading zero followed only by octal digits, with no white space before.
        if (i == 0 && j + 1 < t.size() && t[j] == '0') {
            bool octal = true;
            for (size_t k = j; k < t.size(); ++k)
                if (t[k] < '0' || t[k] > '7') {
                    octal = false;
                    break;
                }
            if (octal) {
                uint32_t u = 0;
                for (size_t k = j; k < t.size(); ++k)
                    u = u * 8 + static_cast<uint32_t>(t[k] - '0');
                double v = static_cast<double>(static_cast<int32_t>(u));
                return neg ? -v : v;
            }
        }
    }
    // Decimal: sign, digits, point, digits, exponent.
    size_t digits = 0;
    const size_t j = DecimalPrefix(t, digits);
    if (digits == 0)
        return NAN;
    // Trailing white space is not accepted by the reference either; anything left is NaN.
    if (j != t.size())
        return NAN;
    std::string copy(t.substr(0, j));
    return std::strtod(copy.c_str(), nullptr);
}

int32_t ToInt32(double n) {
    return static_cast<int32_t>(ToUint32(n));
}

uint32_t ToUint32(double n) {
    if (!std::isfinite(n))
        return 0;
    double t = std::trunc(n);
    double m = std::fmod(t, 4294967296.0);
    if (m < 0)
        m += 4294967296.0;
    return static_cast<uint32_t>(m);
}

double PrimitiveToNumber(const Value& v, int version) {
    switch (v.type) {
    case Type::Undefined:
    case Type::Null:
        return version >= 7 ? NAN : 0.0;
    case Type::Boolean:
        return v.boolean ? 1.0 : 0.0;
    case Type::Number:
        return v.number;
    case Type::String:
        return StringToNumber(v.string, version);
    case Type::Object:
        return NAN;
    }
    return NAN;
}

bool ToBoolean(const Value& v, int version) {
    switch (v.type) {
    case Type::Undefined:
    case Type::Null:
        return false;
    case Type::Boolean:
        return v.boolean;
    case Type::Number:
        return !std::isnan(v.number) && v.number != 0;
    case Type::String:
        if (version >= 7)
            return !v.string.empty();
        {
            double d = StringToNumber(v.string, version);
            return !std::isnan(d) && d != 0;
        }
    case Type::Object:
        return true;
    }
    return false;
}

std::string PrimitiveToString(const Value& v, int version) {
    switch (v.type) {
    case Type::Undefined:
        return version >= 7 ? "undefined" : "";
    case Type::Null:
        return "null";
    case Type::Boolean:
        return v.boolean ? "true" : "false";
    case Type::Number:
        return NumberToString(v.number);
    case Type::String:
        return v.string;
    case Type::Object:
        return "[object Object]";
    }
    return "";
}

std::string FoldCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool NamesEqual(std::string_view a, std::string_view b, bool caseSensitive) {
    if (a.size() != b.size())
        return false;
    if (caseSensitive)
        return a == b;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

}  // namespace script
