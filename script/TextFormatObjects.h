// TextFormat objects and the text measures both TextField and TextFormat give. Private to the
// library.
#pragma once

#include "playback/TextField.h"
#include "script/Vm.h"

namespace script {

// The format an object holds; null when it is no TextFormat.
playback::TextFormat* FormatOf(const Value& v);
// A new TextFormat object holding `format`.
Object* NewTextFormatObject(Vm& vm, const playback::TextFormat& format);
// The TextFormat class (its constructor, with the prototype's parts and methods).
Object* MakeTextFormatClass(Vm& vm);

}  // namespace script
