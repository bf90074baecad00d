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
// objects by their own enumerable properties, each object once (later mentions refer back to
// it). Functions write as empty objects, clips as undefined.
void WriteAmf0(Vm& vm, const Value& v, std::vector<uint8_t>& out);
// A name and a value as an object's property is written (the name without a type marker).
void WriteAmf0Property(Vm& vm, const std::string& name, const Value& v, std::vector<uint8_t>& out);
// Reads one value at `pos`, moving past it; undefined, and `pos` at the end, when the data is
// broken.
Value ReadAmf0(Vm& vm, const uint8_t* data, size_t size, size_t& pos);
// The value written and read back: a copy as the other end of a connection sees it.
Value CopyThroughAmf0(Vm& vm, const Value& v);

}  // namespace script
