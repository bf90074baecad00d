// Values in Action Message Format 0, the form the player stores shared objects in and sends
// through local and remote connections. Private to the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "script/Value.h"

namespace script {

class Vm;

// Appends the value: numbers, booleans, texts, null and undefined as themselves; dates; XML
// documents as their text; arrays dense or with names (as an array with properties); other
// objects by their own enumerable properties (those holding functions left out). Functions
// write as empty objects, clips as undefined.
struct Amf0Options {
    // Arrays that hold only elements are written element by element (as remote calls send
    // them); otherwise arrays are written with their names.
    bool denseArrays = false;
    // Each object is written once and later mentions refer back to it; without, every mention
    // is a copy (as local connections send them).
    bool references = true;
};
void WriteAmf0(Vm& vm, const Value& v, std::vector<uint8_t>& out, Amf0Options options = {});
// An object's own enumerable properties as a shared object's file lists them: each its name,
// its value and a zero byte, sharing one table of objects already written.
void WriteAmf0Entries(Vm& vm, Object* o, std::vector<uint8_t>& out);
// Reads one value at `pos`, moving past it; undefined, and `pos` at the end, when the data is
// broken.
Value ReadAmf0(Vm& vm, const uint8_t* data, size_t size, size_t& pos);
// Entries as WriteAmf0Entries writes them, to the end of the data, as properties of `into`.
void ReadAmf0Entries(Vm& vm, const uint8_t* data, size_t size, size_t pos, Object* into);
// The value written and read back: a copy as the other end of a connection sees it.
Value CopyThroughAmf0(Vm& vm, const Value& v, Amf0Options options = {});

}  // namespace script
