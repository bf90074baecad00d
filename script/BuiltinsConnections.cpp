// The classes that talk to other movies and to servers, as a movie played from a file on its
// own meets them: LocalConnection delivers between connections of the same player (arguments
// copied through the connection's format, at the end of the frame); NetConnection connects to
// nothing but the local "null" connection and reports its status; XMLSocket is refused, as
// movies from files may not open sockets; FileReference and FileReferenceList have no dialog
// to show. No class opens a network connection.
#include <string>

#include "Amf0.h"
#include "script/Vm.h"

namespace script {
namespace {

Value Arg(const std::vector<Value>& args, size_t i) {
    return i < args.size() ? args[i] : Value();
}

// ---- LocalConnection ----

struct LocalConnectionData final : NativeData {
    std::string name;  // the folded name it listens on; empty: not connected
};

LocalConnectionData& LocalData(Object* o) {
    if (!o->NativeAs<LocalConnectionData>())
        o->nativeData = std::make_unique<LocalConnectionData>();
    return *o->NativeAs<LocalConnectionData>();
}

// Names of the connection's own methods, which no message may call.
bool IsReservedMethod(const std::string& name) {
    for (const char* r : {"send", "connect", "close", "domain", "allowDomain", "allowInsecureDomain", "onStatus"})
        if (FoldCase(name) == FoldCase(r))
            return true;
    return false;
}

// A status event {level: "status" or "error"} to the sender's onStatus.
void SendStatus(Vm& vm, const Value& target, const char* level, const char* code = nullptr) {
    Object* info = vm.NewObject();
    if (code)
        info->SetOwn("code", Value::Str(code), false);
    info->SetOwn("level", Value::Str(level), false);
    vm.CallMethod(target, "onStatus", {Value::Obj(info)});
}

// At the end of the frame: args are the connection's name, the method and its arguments.
Value DeliverLocalMessage(Vm& vm, const Value& sender, std::vector<Value>& args, int) {
    if (args.size() < 2)
        return Value();
    auto it = vm.localConnections.find(FoldCase(vm.ToString(args[0])));
    if (it == vm.localConnections.end()) {
        SendStatus(vm, sender, "error");
        return Value();
    }
    std::vector<Value> callArgs(args.begin() + 2, args.end());
    vm.CallMethod(Value::Obj(it->second), vm.ToString(args[1]), std::move(callArgs));
    SendStatus(vm, sender, "status");
    return Value();
}

enum LocalMethod { kLcConnect, kLcSend, kLcClose, kLcDomain };

Value LocalConnectionFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    if (!self.IsObject())
        return Value();
    Object* o = self.object;
    switch (m) {
    case kLcConnect: {
        const Value name = Arg(args, 0);
        LocalConnectionData& d = LocalData(o);
        if (!name.IsString() || name.string.empty() || !d.name.empty())
            return Value::Bool(false);
        const std::string key = FoldCase(name.string);
        if (vm.localConnections.count(key))
            return Value::Bool(false);
        vm.localConnections[key] = o;
        d.name = key;
        return Value::Bool(true);
    }
    case kLcSend: {
        const Value name = Arg(args, 0), method = Arg(args, 1);
        if (!name.IsString() || !method.IsString() || method.string.empty() || IsReservedMethod(method.string))
            return Value::Bool(false);
        std::vector<Value> message{name, method};
        for (size_t i = 2; i < args.size(); ++i)
            message.push_back(CopyThroughAmf0(vm, args[i], Amf0Options{false, false}));
        vm.deferredCalls.push_back({Value::Obj(vm.NewFunction(DeliverLocalMessage)), self, std::move(message)});
        return Value::Bool(true);
    }
    case kLcClose: {
        LocalConnectionData& d = LocalData(o);
        if (!d.name.empty())
            vm.localConnections.erase(d.name);
        d.name.clear();
        return Value();
    }
    case kLcDomain:
        return Value::Str("localhost");
    default:
        return Value();
    }
}

// ---- NetConnection ----

struct NetConnectionData final : NativeData {
    enum class State { Closed, Local, Remote } state = State::Closed;
};

enum NetMethod { kNcConnect, kNcClose, kNcCall, kNcAddHeader };

// Closing tells the movie, and a connection to a server hears once more that it has ended.
void CloseNetConnection(Vm& vm, const Value& self, NetConnectionData& d) {
    const auto was = d.state;
    d.state = NetConnectionData::State::Closed;
    if (was == NetConnectionData::State::Closed)
        return;
    SendStatus(vm, self, "status", "NetConnection.Connect.Closed");
    if (was == NetConnectionData::State::Remote)
        vm.CallMethod(self, "onStatus", {});
}

Value NetConnectionFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    NetConnectionData* d = self.IsObject() ? self.object->NativeAs<NetConnectionData>() : nullptr;
    if (!d)
        return Value();
    switch (m) {
    case kNcConnect: {
        CloseNetConnection(vm, self, *d);
        if (Arg(args, 0).IsNull()) {
            d->state = NetConnectionData::State::Local;
            SendStatus(vm, self, "status", "NetConnection.Connect.Success");
            return Value::Bool(true);
        }
        // A server is only reached when a call is made, which never goes out from here.
        d->state = NetConnectionData::State::Remote;
        return Value::Bool(true);
    }
    case kNcClose:
        CloseNetConnection(vm, self, *d);
        return Value();
    default:
        return Value();
    }
}

Value NetConnectionCtor(Vm& vm, const Value& self, std::vector<Value>&, int) {
    if (!vm.constructing || !self.IsObject())
        return Value();
    self.object->nativeData = std::make_unique<NetConnectionData>();
    return self;
}

// ---- XMLSocket ----

enum SocketMethod { kSockConnect, kSockSend, kSockClose, kSockOnData };

Value XmlSocketFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    switch (m) {
    case kSockConnect:
        return Value::Bool(false);  // movies played from files may not open sockets
    case kSockOnData: {
        // The default handler: the text as an XML document to onXML.
        Value doc = vm.Construct(vm.GetOf(vm.global, "XML"), {Arg(args, 0)});
        vm.CallMethod(self, "onXML", {doc});
        return Value();
    }
    default:
        return Value();
    }
}

// ---- FileReference, FileReferenceList ----

// Both broadcast their events to listeners; without a file dialog, browse finds nothing.
Value FileReferenceCtor(Vm& vm, const Value& self, std::vector<Value>&, int) {
    if (!vm.constructing || !self.IsObject())
        return Value();
    vm.CallMethod(Value::Obj(vm.broadcasterObj), "initialize", {self});
    return self;
}

Value FileMethodFn(Vm&, const Value&, std::vector<Value>&, int) {
    return Value::Bool(false);
}

// An existing class of the stubs (or a new one) with `ctor` as its constructor's routine.
Object* ClassNamed(Vm& vm, Object* holder, const char* name, NativeFn ctor, uint16_t flags) {
    const Value existing = vm.GetOf(holder, name);
    if (existing.IsObject() && existing.object->kind == Kind::Function) {
        existing.object->native = ctor;
        const Value proto = vm.GetOf(existing.object, "prototype");
        if (proto.IsObject())
            return proto.object;
    }
    Object* proto = vm.NewObject();
    holder->SetOwn(name, Value::Obj(vm.NewFunction(ctor, 0, proto)), true, kDontEnum | flags);
    return proto;
}

Value PlainCtor(Vm&, const Value& self, std::vector<Value>&, int) {
    return self;
}

}  // namespace

void InstallConnectionBuiltins(Vm& vm) {
    constexpr uint16_t kMethodFlags = kDontEnum | kDontDelete;
    Object* lc = ClassNamed(vm, vm.global, "LocalConnection", PlainCtor, 0);
    const std::pair<const char*, LocalMethod> lcMethods[] = {
        {"connect", kLcConnect}, {"send", kLcSend}, {"close", kLcClose}, {"domain", kLcDomain}};
    for (const auto& [name, m] : lcMethods)
        vm.Method(lc, name, LocalConnectionFn, m, kMethodFlags);

    Object* nc = ClassNamed(vm, vm.global, "NetConnection", NetConnectionCtor, 0);
    const std::pair<const char*, NetMethod> ncMethods[] = {
        {"connect", kNcConnect}, {"close", kNcClose}, {"call", kNcCall}, {"addHeader", kNcAddHeader}};
    for (const auto& [name, m] : ncMethods)
        vm.Method(nc, name, NetConnectionFn, m, kMethodFlags);

    Object* sock = ClassNamed(vm, vm.global, "XMLSocket", PlainCtor, 0);
    const std::pair<const char*, SocketMethod> sockMethods[] = {
        {"connect", kSockConnect}, {"send", kSockSend}, {"close", kSockClose}, {"onData", kSockOnData}};
    for (const auto& [name, m] : sockMethods)
        vm.Method(sock, name, XmlSocketFn, m, kMethodFlags);

    const Value net = vm.Get(vm.GetOf(vm.global, "flash"), "net");
    if (!net.IsObject())
        return;
    Object* file = ClassNamed(vm, net.object, "FileReference", FileReferenceCtor, kVersion8);
    for (const char* name : {"browse", "upload", "download", "cancel"})
        vm.Method(file, name, FileMethodFn, 0, kMethodFlags);
    Object* list = ClassNamed(vm, net.object, "FileReferenceList", FileReferenceCtor, kVersion8);
    vm.Method(list, "browse", FileMethodFn, 0, kMethodFlags);
}

}  // namespace script
