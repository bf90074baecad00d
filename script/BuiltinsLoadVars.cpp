// LoadVars as an object of variables: its text form (name=value pairs, escaped, joined by &),
// decode, and loading: load and sendAndLoad read a file beside the movie once the frame has run
// (Loaders.cpp), then onData hears its text; the default onData decodes it and calls onLoad.
// XML's load, sendAndLoad and onData are the same but for the parse (XmlLoading below).
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

enum LoadMethod { kLoad, kSendAndLoad, kSend, kDecode, kOnData, kBytesLoaded, kBytesTotal, kNothing };

const Value& Arg(const std::vector<Value>& args, size_t i) {
    static const Value undef;
    return i < args.size() ? args[i] : undef;
}

// Asks for `url` to be read into `receiver`: its loaded flag drops and its byte count starts.
bool QueueTextLoad(Vm& vm, Object* receiver, const Value& url) {
    if (!receiver)
        return false;
    Vm::PendingLoad load;
    load.kind = Vm::PendingLoad::Kind::Text;
    load.url = vm.ToString(url);
    load.receiver = receiver;
    vm.SetOf(receiver, "loaded", Value::Bool(false));
    receiver->SetOwn("_bytesLoaded", Value::Num(0), vm.CaseSensitive(), kDontEnum);
    vm.pendingLoads.push_back(std::move(load));
    return true;
}

// The loading methods; `xml`: the receiver parses what loads rather than decoding variables.
Value LoadMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m, bool xml) {
    if (!self.IsObject())
        return Value();
    Object* o = self.object;
    switch (m) {
    case kLoad:
        if (args.empty())
            return Value::Bool(false);
        return Value::Bool(QueueTextLoad(vm, o, args[0]));
    case kSendAndLoad: {
        const Value& target = Arg(args, 1);
        if (args.empty() || !target.IsObject())
            return Value::Bool(false);
        return Value::Bool(QueueTextLoad(vm, target.object, args[0]));
    }
    case kSend:
        // Nothing leaves the machine: a send has nowhere to go.
        return Value::Bool(!args.empty());
    case kDecode:
        if (!args.empty())
            vm.DecodeVariables(o, vm.ToString(args[0]));
        return Value();
    case kOnData: {
        const Value& text = Arg(args, 0);
        if (text.IsUndefined()) {
            vm.CallMethod(self, "onLoad", {Value::Bool(false)});
            return Value();
        }
        vm.CallMethod(self, xml ? "parseXML" : "decode", {text});
        vm.SetOf(o, "loaded", Value::Bool(true));
        vm.CallMethod(self, "onLoad", {Value::Bool(true)});
        return Value();
    }
    case kBytesLoaded:
        return vm.GetOf(o, "_bytesLoaded");
    case kBytesTotal:
        return vm.GetOf(o, "_bytesTotal");
    default:
        return Value();
    }
}

Value VarsLoadMethod(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    return LoadMethodFn(vm, self, args, m, false);
}
Value XmlLoadMethod(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    return LoadMethodFn(vm, self, args, m, true);
}

void InstallLoadMethods(Vm& vm, Object* proto, NativeFn fn) {
    const std::pair<const char*, int> methods[] = {{"load", kLoad},
                                                   {"sendAndLoad", kSendAndLoad},
                                                   {"send", kSend},
                                                   {"onData", kOnData},
                                                   {"getBytesLoaded", kBytesLoaded},
                                                   {"getBytesTotal", kBytesTotal},
                                                   {"addRequestHeader", kNothing}};
    for (auto& [n, m] : methods)
        vm.Method(proto, n, fn, m);
}

}  // namespace

void InstallLoadVarsBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    vm.global->SetOwn("LoadVars", Value::Obj(vm.NewFunction(LoadVarsCtor, 0, proto)), false, kDontEnum);
    vm.Method(proto, "toString", LoadVarsToString);
    vm.Method(proto, "decode", VarsLoadMethod, kDecode);
    InstallLoadMethods(vm, proto, VarsLoadMethod);
    proto->SetOwn("contentType", Value::Str("application/x-www-form-urlencoded"), false, kDontEnum);
    // XML objects load the same way (XML is installed first).
    Value xml = vm.GetOf(vm.global, "XML");
    if (xml.IsObject()) {
        Value xmlProto = vm.GetOf(xml.object, "prototype");
        if (xmlProto.IsObject())
            InstallLoadMethods(vm, xmlProto.object, XmlLoadMethod);
    }
}

}  // namespace script
