// PrintJob: the player has no printer, so start() finds none and the job's page and paper sizes
// and orientation read 0. The sizes are getters on the prototype (enumerable, nothing to set);
// the methods are there for format 7 movies on. A format 6 movie's PrintJob prototype is bare
// (no Object prototype above it), so a job prints as [type Object] there.
#include "script/Vm.h"

namespace script {
namespace {

enum PrintJobMethod { kStart, kAddPage, kSend };

Value PrintJobMethodFn(Vm&, const Value&, std::vector<Value>&, int m) {
    return m == kSend ? Value() : Value::Bool(false);
}

Value PrintJobSizeGetter(Vm&, const Value&, std::vector<Value>&, int) {
    return Value::Num(0);
}

}  // namespace

void InstallPrintJobBuiltins(Vm& vm) {
    Value ctor = vm.GetOf(vm.global, "PrintJob");
    if (!ctor.IsObject())
        return;
    Value proto = vm.GetOf(ctor.object, "prototype");
    if (!proto.IsObject())
        return;
    Object* p = proto.object;
    if (vm.version < 7)
        p->RemoveOwn("__proto__", false);
    vm.Method(p, "start", PrintJobMethodFn, kStart, kDontEnum | kVersion7);
    vm.Method(p, "addPage", PrintJobMethodFn, kAddPage, kDontEnum | kVersion7);
    vm.Method(p, "send", PrintJobMethodFn, kSend, kDontEnum | kVersion7);
    for (const char* name : {"paperHeight", "paperWidth", "pageHeight", "pageWidth", "orientation"}) {
        Property& size = p->SetOwn(name, Value(), false);
        size.getter = vm.NewFunction(PrintJobSizeGetter);
    }
}

}  // namespace script
