// LoadVars as an object of variables: its text form (name=value pairs, escaped, joined by &)
// and decode. Loading files comes with the loaders.
#include "Text.h"
#include "script/Vm.h"

namespace script {

namespace {

Value LoadVarsCtor(Vm&, const Value& self, std::vector<Value>&, int) {
    return self;
}

// The variables in for..in order (the newest first).
Value LoadVarsToString(Vm& vm, const Value& self, std::vector<Value>&, int) {
    if (!self.IsObject())
        return Value();
    std::vector<std::string> names = vm.EnumerableNames(self.object);
    std::string out;
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        std::string value = vm.ToString(vm.GetOf(self.object, *it));
        if (!out.empty())
            out += '&';
        out += EscapeText(*it) + "=" + EscapeText(value);
        vm.CheckStringSize(out.size());
    }
    return Value::Str(out);
}

}  // namespace

void InstallLoadVarsBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    vm.global->SetOwn("LoadVars", Value::Obj(vm.NewFunction(LoadVarsCtor, 0, proto)), false, kDontEnum);
    vm.Method(proto, "toString", LoadVarsToString);
}

}  // namespace script
