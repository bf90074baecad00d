// The player's other classes and objects, present under their names (with a prototype each) so
// that movies can test for them, extend them and register subclasses; their behaviour belongs
// to the parts that implement them, which install over these. A name already defined is left
// as it is.
#include "script/Vm.h"

namespace script {

namespace {

Value StubCtor(Vm&, const Value& self, std::vector<Value>&, int) {
    return self;
}

// "a.b.C" under the global object: the packages are plain objects, made as needed.
Object* Package(Vm& vm, Object* at, std::string_view name, uint16_t flags) {
    Property* p = at->FindOwn(name, true);
    if (p && p->value.IsObject())
        return p->value.object;
    Object* o = vm.NewObject();
    at->SetOwn(name, Value::Obj(o), true, kDontEnum | flags);
    return o;
}

void Define(Vm& vm, std::string_view path, bool isClass, uint16_t flags) {
    Object* at = vm.global;
    size_t start = 0;
    for (size_t dot; (dot = path.find('.', start)) != std::string_view::npos; start = dot + 1)
        at = Package(vm, at, path.substr(start, dot - start), flags);
    std::string_view name = path.substr(start);
    if (at->FindOwn(name, true))
        return;
    Object* o = isClass ? vm.NewFunction(StubCtor, 0, vm.NewObject()) : vm.NewObject();
    at->SetOwn(name, Value::Obj(o), true, kDontEnum | flags);
}

}  // namespace

void InstallStubBuiltins(Vm& vm) {
    const char* const classes[] = {"Button",          "Camera",     "Color",         "ContextMenu", "ContextMenuItem",
                                   "LocalConnection", "Microphone", "NetConnection", "NetStream",   "PrintJob",
                                   "SharedObject",    "Sound",      "TextField",     "TextFormat",  "TextSnapshot",
                                   "Video",           "XML",        "XMLNode",       "XMLSocket"};
    for (const char* c : classes)
        Define(vm, c, true, 0);
    for (const char* o : {"Accessibility", "Key", "Mouse", "Selection", "Stage", "System"})
        Define(vm, o, false, 0);
    for (const char* o : {"System.capabilities", "System.IME", "System.security"})
        Define(vm, o, false, 0);
    // Movies play from local files, which may read other local files.
    Value security = vm.Get(vm.GetOf(vm.global, "System"), "security");
    if (security.IsObject() && !security.object->FindOwn("sandboxType", true))
        security.object->SetOwn("sandboxType", Value::Str("localWithFile"), true, kDontEnum | kDontDelete | kReadOnly);
    Define(vm, "TextField.StyleSheet", true, kVersion7);
    // The flash.* packages appear to format 8 movies.
    const char* const flash8[] = {"flash.display.BitmapData",
                                  "flash.external.ExternalInterface",
                                  "flash.filters.BevelFilter",
                                  "flash.filters.BitmapFilter",
                                  "flash.filters.BlurFilter",
                                  "flash.filters.ColorMatrixFilter",
                                  "flash.filters.ConvolutionFilter",
                                  "flash.filters.DisplacementMapFilter",
                                  "flash.filters.DropShadowFilter",
                                  "flash.filters.GlowFilter",
                                  "flash.filters.GradientBevelFilter",
                                  "flash.filters.GradientGlowFilter",
                                  "flash.geom.ColorTransform",
                                  "flash.geom.Matrix",
                                  "flash.geom.Point",
                                  "flash.geom.Rectangle",
                                  "flash.geom.Transform",
                                  "flash.net.FileReference",
                                  "flash.net.FileReferenceList",
                                  "flash.text.TextRenderer"};
    for (const char* c : flash8)
        Define(vm, c, true, kVersion8);
}

}  // namespace script
