// The flash.geom objects other built-ins make and read (BitmapData, Transform): rectangles and
// colour transforms as their classes hold them.
#pragma once

#include "script/Vm.h"

namespace script {

struct ColorTransformValues {
    double mul[4] = {1, 1, 1, 1};  // red, green, blue, alpha
    double add[4] = {0, 0, 0, 0};
};

// The eight values of any object, by the ColorTransform names.
ColorTransformValues ReadColorTransform(Vm& vm, const Value& ct);
void WriteColorTransform(Vm& vm, Object* ct, const ColorTransformValues& c);
Object* NewColorTransform(Vm& vm, const ColorTransformValues& c);
// Whether `v` is an instance of flash.geom.ColorTransform (by its prototype chain).
bool IsColorTransform(Vm& vm, const Value& v);
Object* NewRectangle(Vm& vm, double x, double y, double width, double height);
// The prototype of a flash.geom class ("Point", "Matrix", ...), else Object.prototype.
Object* GeomPrototype(Vm& vm, const char* className);
// A new object of a flash.geom class ("Point", "Matrix", ...) with nothing set on it.
Object* NewGeomObject(Vm& vm, const char* className);

}  // namespace script
