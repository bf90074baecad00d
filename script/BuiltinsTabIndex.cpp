// tabIndex of clips and buttons: an accessor on their prototypes (hidden on clips, listed by
// for..in on buttons) that keeps the number as a 32-bit integer. A value that is no number or
// lies outside that range becomes the lowest integer; undefined clears it.
#include "script/Vm.h"

#include <climits>
#include <cmath>

namespace script {
namespace {

constexpr const char* kSlot = "__tabIndex";

Value GetTabIndex(Vm&, const Value& self, std::vector<Value>&, int) {
    if (!self.IsObject())
        return Value();
    Property* p = self.object->FindOwn(kSlot, true);
    return p ? p->value : Value();
}

Value SetTabIndex(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (!self.IsObject())
        return Value();
    const Value v = args.empty() ? Value() : args[0];
    self.object->SetOwn(kSlot, v.IsUndefined() ? v : Value::Num(TabIndexOf(vm.ToNumber(v))), true, kDontEnum);
    return Value();
}

}  // namespace

int32_t TabIndexOf(double n) {
    if (!(n >= double(INT_MIN) && n < 2147483648.0))
        return INT_MIN;
    return int32_t(std::trunc(n));
}

void InstallTabIndexBuiltins(Vm& vm) {
    const std::pair<Object*, uint16_t> holders[] = {{vm.clipProto, kDontEnum}, {vm.buttonProto, 0}};
    for (const auto& [proto, flags] : holders) {
        if (!proto)
            continue;
        Property& p = proto->SetOwn("tabIndex", Value(), false, flags);
        p.getter = vm.NewFunction(GetTabIndex);
        p.setter = vm.NewFunction(SetTabIndex);
    }
}

}  // namespace script
