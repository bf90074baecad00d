// The values of ActionScript 1 and 2 and the conversions between them, as the reference player
// applies them for a movie's format version (the version changes several of the rules).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace script {

class Object;

enum class Type : uint8_t { Undefined, Null, Boolean, Number, String, Object };

// A value on the stack, in a register or in a property. Strings are UTF-8; objects are owned by
// the heap of their interpreter (see Heap.h), a value only points at them.
struct Value {
    Type type = Type::Undefined;
    bool boolean = false;
    double number = 0;
    Object* object = nullptr;
    std::string string;

    Value() = default;
    static Value Null() {
        Value v;
        v.type = Type::Null;
        return v;
    }
    static Value Bool(bool b) {
        Value v;
        v.type = Type::Boolean;
        v.boolean = b;
        return v;
    }
    static Value Num(double n) {
        Value v;
        v.type = Type::Number;
        v.number = n;
        return v;
    }
    static Value Str(std::string s) {
        Value v;
        v.type = Type::String;
        v.string = std::move(s);
        return v;
    }
    static Value Obj(Object* o) {
        Value v;
        if (o) {
            v.type = Type::Object;
            v.object = o;
        } else {
            v.type = Type::Null;
        }
        return v;
    }

    bool IsUndefined() const { return type == Type::Undefined; }
    bool IsNull() const { return type == Type::Null; }
    bool IsNullish() const { return type == Type::Undefined || type == Type::Null; }
    bool IsObject() const { return type == Type::Object; }
    bool IsString() const { return type == Type::String; }
    bool IsNumber() const { return type == Type::Number; }
};

// Number to text as the reference prints it: integers in full below 1e15, otherwise 15
// significant digits, exponent form ("1e+21", "1.5e-7") outside [1e-5, 1e15); NaN, Infinity,
// -Infinity; -0 prints as "0".
std::string NumberToString(double n);
// Number to text in a radix 2..36 (Number.prototype.toString(radix)): integers as the reference
// prints them, two's complement for negatives.
std::string NumberToRadixString(double n, int radix);

// Text to number as ToNumber does for a version: leading white space skipped, "0x" hexadecimal,
// a sign, decimals and exponent; trailing garbage gives NaN. An empty text is NaN from version 5.
double StringToNumber(std::string_view s, int version);
// ToInt32 and ToUint32: modulo 2^32, NaN and infinities give 0.
int32_t ToInt32(double n);
uint32_t ToUint32(double n);

// Conversions of primitive values (objects are converted by the interpreter, which may call
// their valueOf and toString methods).
double PrimitiveToNumber(const Value& v, int version);
bool ToBoolean(const Value& v, int version);
std::string PrimitiveToString(const Value& v, int version);

// Case folding for names up to format 6 (ASCII letters only, as the reference does).
std::string FoldCase(std::string_view s);
bool NamesEqual(std::string_view a, std::string_view b, bool caseSensitive);

}  // namespace script
