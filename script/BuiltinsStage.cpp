// Stage: a broadcaster (addListener, removeListener, broadcastMessage) and its displayState,
// "normal" or "fullScreen". Setting a state by either name in any case changes it and tells the
// listeners through onFullScreen(whether full); any other text leaves it as it was.
#include "script/Vm.h"

namespace script {
namespace {

constexpr const char* kDisplayState = "displayState";

struct StageData : NativeData {
    bool fullScreen = false;
};

StageData* StateOf(const Value& self) {
    return self.IsObject() ? self.object->NativeAs<StageData>() : nullptr;
}

Value GetDisplayState(Vm&, const Value& self, std::vector<Value>&, int) {
    StageData* d = StateOf(self);
    return d ? Value::Str(d->fullScreen ? "fullScreen" : "normal") : Value();
}

Value SetDisplayState(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (args.empty())
        return Value();
    std::string wanted = vm.ToString(args[0]);
    const bool normal = NamesEqual(wanted, "normal", false), full = NamesEqual(wanted, "fullScreen", false);
    StageData* d = StateOf(self);
    if (!d || (!normal && !full) || d->fullScreen == full)
        return Value();
    d->fullScreen = full;
    vm.CallMethod(self, "broadcastMessage", {Value::Str("onFullScreen"), Value::Bool(full)});
    return Value();
}

}  // namespace

void InstallStageBuiltins(Vm& vm) {
    Value stage = vm.GetOf(vm.global, "Stage");
    if (!stage.IsObject()) {
        stage = Value::Obj(vm.NewObject());
        vm.global->SetOwn("Stage", stage, false, kDontEnum);
    }
    stage.object->nativeData = std::make_unique<StageData>();
    std::vector<Value> target{stage};
    vm.CallMethod(Value::Obj(vm.broadcasterObj), "initialize", target);
    Property& p = stage.object->SetOwn(kDisplayState, Value(), false, kDontEnum | kDontDelete);
    p.getter = vm.NewFunction(GetDisplayState);
    p.setter = vm.NewFunction(SetDisplayState);
}

}  // namespace script
