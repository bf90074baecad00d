// flash.external.ExternalInterface: the bridge to a hosting page, which a movie played on its
// own never has (available is false, calls answer null, callbacks are refused). Its helpers
// that turn values into the bridge's XML and back are there all the same, as movies call them:
// _toXML and its array, object and argument-list forms, _toAS and its forms, _escapeXML and
// _unescapeXML.
#include <string>
#include <string_view>

#include "Text.h"
#include "script/Vm.h"

namespace script {
namespace {

// The escaping helpers answer null for an empty text, as the player's do.
Value TextOrNull(std::string s) {
    return s.empty() ? Value::Null() : Value::Str(std::move(s));
}

double LengthOf(Vm& vm, const Value& v) {
    return vm.ToNumber(vm.Get(v, "length"));
}

std::string ToXml(Vm& vm, const Value& v);

std::string ArrayToXml(Vm& vm, const Value& v) {
    std::string out = "<array>";
    const double n = LengthOf(vm, v);
    for (double i = 0; i < n; ++i) {
        const std::string id = NumberToString(i);
        out += "<property id=\"" + id + "\">" + ToXml(vm, vm.Get(v, id)) + "</property>";
        vm.CheckStringSize(out.size());
    }
    return out + "</array>";
}

// The arguments of a call, the first (the function's name) left out.
std::string ArgumentsToXml(Vm& vm, const Value& v) {
    std::string out = "<arguments>";
    const double n = LengthOf(vm, v);
    for (double i = 1; i < n; ++i) {
        out += ToXml(vm, vm.Get(v, NumberToString(i)));
        vm.CheckStringSize(out.size());
    }
    return out + "</arguments>";
}

// The enumerable properties in for..in order; names are written as they are.
std::string ObjectToXml(Vm& vm, const Value& v) {
    std::string out = "<object>";
    if (v.IsObject()) {
        const std::vector<std::string> names = vm.EnumerableNames(v.object);
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            out += "<property id=\"" + *it + "\">" + ToXml(vm, vm.GetOf(v.object, *it)) + "</property>";
            vm.CheckStringSize(out.size());
        }
    }
    return out + "</object>";
}

std::string ToXml(Vm& vm, const Value& v) {
    const std::string type = vm.TypeOf(v);
    if (type == "string")
        return "<string>" + vm.ToString(TextOrNull(EscapeXml(v.string))) + "</string>";
    if (type == "undefined")
        return "<undefined/>";
    if (type == "number")
        return "<number>" + vm.ToString(v) + "</number>";
    if (v.IsNull())
        return "<null/>";
    if (type == "boolean")
        return v.boolean ? "<true/>" : "<false/>";
    if (type == "object")
        return vm.Get(v, "length").IsUndefined() ? ObjectToXml(vm, v) : ArrayToXml(vm, v);
    return "<null/>";
}

Value ToAs(Vm& vm, const Value& node);

// The children of a node (its childNodes), each call with the child.
template <typename F>
void ForEachChild(Vm& vm, const Value& node, F&& f) {
    const Value children = vm.Get(node, "childNodes");
    const double n = LengthOf(vm, children);
    for (double i = 0; i < n; ++i)
        f(vm.Get(children, NumberToString(i)));
}

// <property id="...">value</property> children into an object's (or an array's) properties.
Value PropertiesToAs(Vm& vm, const Value& node, Object* into) {
    ForEachChild(vm, node, [&](const Value& child) {
        const std::string id = vm.ToString(vm.Get(vm.Get(child, "attributes"), "id"));
        vm.SetOf(into, id, ToAs(vm, vm.Get(child, "firstChild")));
    });
    return Value::Obj(into);
}

Value ArgumentsToAs(Vm& vm, const Value& node) {
    Object* out = vm.NewArray();
    ForEachChild(vm, node, [&](const Value& child) { vm.SetElement(out, vm.LengthOf(out), ToAs(vm, child)); });
    return Value::Obj(out);
}

Value ToAs(Vm& vm, const Value& node) {
    // The node's name is compared loosely: an object by its valueOf.
    Value name = vm.Get(node, "nodeName");
    if (name.IsObject())
        name = vm.ToPrimitive(name);
    if (!name.IsString())
        return Value();
    const std::string& type = name.string;
    if (type == "number")
        return Value::Num(StringToNumber(vm.ToString(vm.Get(node, "firstChild")), vm.curVersion));
    if (type == "string")
        return TextOrNull(UnescapeXml(vm.ToString(vm.Get(node, "firstChild"))));
    if (type == "false" || type == "true")
        return Value::Bool(type == "true");
    if (type == "null")
        return Value::Null();
    if (type == "array")
        return PropertiesToAs(vm, node, vm.NewArray());
    if (type == "object")
        return PropertiesToAs(vm, node, vm.NewObject());
    return Value();
}

enum ExternalMethod {
    kToXml,
    kArrayToXml,
    kArgumentsToXml,
    kObjectToXml,
    kToAs,
    kArrayToAs,
    kArgumentsToAs,
    kObjectToAs,
    kEscapeXml,
    kUnescapeXml,
    kCall,
    kAddCallback,
    kAvailable,
};

Value ExternalMethodFn(Vm& vm, const Value&, std::vector<Value>& args, int m) {
    const Value v = args.empty() ? Value() : args[0];
    switch (m) {
    case kToXml:
        return Value::Str(ToXml(vm, v));
    case kArrayToXml:
        return Value::Str(ArrayToXml(vm, v));
    case kArgumentsToXml:
        return Value::Str(ArgumentsToXml(vm, v));
    case kObjectToXml:
        return Value::Str(ObjectToXml(vm, v));
    case kToAs:
        return ToAs(vm, v);
    case kArrayToAs:
        return PropertiesToAs(vm, v, vm.NewArray());
    case kArgumentsToAs:
        return ArgumentsToAs(vm, v);
    case kObjectToAs:
        return PropertiesToAs(vm, v, vm.NewObject());
    case kEscapeXml:
    case kUnescapeXml: {
        if (args.empty())
            return Value::Null();
        const std::string s = vm.ToString(v);
        return TextOrNull(m == kEscapeXml ? EscapeXml(s) : UnescapeXml(s));
    }
    case kCall:
        return Value::Null();
    case kAddCallback:
    case kAvailable:
        return Value::Bool(false);
    default:
        return Value();
    }
}

}  // namespace

void InstallExternalInterfaceBuiltins(Vm& vm) {
    const Value flash = vm.GetOf(vm.global, "flash");
    const Value external = vm.Get(flash, "external");
    const Value ei = vm.Get(external, "ExternalInterface");
    if (!ei.IsObject())
        return;
    Object* o = ei.object;
    const struct {
        const char* name;
        ExternalMethod method;
    } methods[] = {{"_toXML", kToXml},
                   {"_arrayToXML", kArrayToXml},
                   {"_argumentsToXML", kArgumentsToXml},
                   {"_objectToXML", kObjectToXml},
                   {"_toAS", kToAs},
                   {"_arrayToAS", kArrayToAs},
                   {"_argumentsToAS", kArgumentsToAs},
                   {"_objectToAS", kObjectToAs},
                   {"_escapeXML", kEscapeXml},
                   {"_unescapeXML", kUnescapeXml},
                   {"call", kCall},
                   {"addCallback", kAddCallback}};
    for (const auto& m : methods)
        vm.Method(o, m.name, ExternalMethodFn, m.method, kDontEnum | kDontDelete);
    Property& available = o->SetOwn("available", Value(), true, kDontEnum | kDontDelete | kReadOnly);
    available.getter = vm.NewFunction(ExternalMethodFn, kAvailable);
}

}  // namespace script
