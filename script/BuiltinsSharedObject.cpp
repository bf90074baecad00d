// SharedObject: data a movie keeps between runs (getLocal), in the player's file form (an AMF0
// list of the data object's properties under a small header), stored wherever the host keeps
// them (DisplayHost's shared-object calls). One object per name and path for the movie's run;
// all of them are written again when the movie ends.
#include <string>

#include "Amf0.h"
#include "script/Vm.h"

namespace script {
namespace {

struct SharedObjectData final : NativeData {
    std::string key;
    std::string name;
};

// The characters the player refuses in a shared object's name.
bool ValidName(const std::string& name) {
    if (name.empty())
        return false;
    for (char c : name)
        if (c == ' ' || std::string_view("~%&\\;:\"',<>?#").find(c) != std::string_view::npos)
            return false;
    return true;
}

void PutU16(std::vector<uint8_t>& out, size_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

// The file: 00 BF, the length of the rest, "TCSO", 00 04 00 00 00 00, the name, the format
// (0: AMF0) in four bytes, then the entries.
std::vector<uint8_t> FileOf(Vm& vm, const SharedObjectData& d, Object* data) {
    std::vector<uint8_t> out = {0x00, 0xBF, 0, 0, 0, 0, 'T', 'C', 'S', 'O', 0x00, 0x04, 0, 0, 0, 0};
    const size_t nameLength = std::min<size_t>(d.name.size(), 0xFFFF);
    PutU16(out, nameLength);
    out.insert(out.end(), d.name.begin(), d.name.begin() + nameLength);
    out.insert(out.end(), {0, 0, 0, 0});
    WriteAmf0Entries(vm, data, out);
    const uint32_t rest = uint32_t(out.size() - 6);
    for (int i = 0; i < 4; ++i)
        out[2 + i] = uint8_t(rest >> (24 - 8 * i));
    return out;
}

// The entries of a stored file into `data`; a file of another form leaves it empty.
void ReadFile(Vm& vm, const std::vector<uint8_t>& file, Object* data) {
    static const uint8_t kMagic[] = {'T', 'C', 'S', 'O'};
    if (file.size() < 18 || file[0] != 0x00 || file[1] != 0xBF || !std::equal(kMagic, kMagic + 4, file.begin() + 6))
        return;
    const size_t nameLength = size_t(file[16]) << 8 | file[17];
    const size_t entries = 18 + nameLength + 4;
    if (entries > file.size())
        return;
    ReadAmf0Entries(vm, file.data(), file.size(), entries, data);
}

Object* DataObject(Vm& vm, Object* so) {
    const Value data = vm.GetOf(so, "data");
    return data.IsObject() ? data.object : nullptr;
}

bool Flush(Vm& vm, Object* so) {
    SharedObjectData* d = so->NativeAs<SharedObjectData>();
    Object* data = DataObject(vm, so);
    if (!d || !data)
        return false;
    return vm.host.SaveSharedObject(d->key, FileOf(vm, *d, data));
}

Value GetLocal(Vm& vm, const Value&, std::vector<Value>& args, int) {
    if (args.empty())
        return Value::Null();
    const std::string name = vm.ToString(args[0]);
    if (!ValidName(name))
        return Value::Null();
    const std::string path = args.size() > 1 && !args[1].IsNullish() ? vm.ToString(args[1]) : std::string();
    const std::string key = path + "/" + name;
    if (auto it = vm.sharedObjects.find(key); it != vm.sharedObjects.end())
        return Value::Obj(it->second);
    const Value ctor = vm.GetOf(vm.global, "SharedObject");
    const Value proto = vm.Get(ctor, "prototype");
    Object* so = vm.NewObject(proto.IsObject() ? proto.object : nullptr);
    auto d = std::make_unique<SharedObjectData>();
    d->key = key;
    d->name = name;
    so->nativeData = std::move(d);
    Object* data = vm.NewObject();
    so->SetOwn("data", Value::Obj(data), false, kDontDelete);
    std::vector<uint8_t> file;
    if (vm.host.LoadSharedObject(key, file))
        ReadFile(vm, file, data);
    vm.sharedObjects[key] = so;
    return Value::Obj(so);
}

enum SoMethod { kFlush, kClear, kGetSize, kClose, kConnect, kSend, kSetFps };

Value SharedObjectFn(Vm& vm, const Value& self, std::vector<Value>&, int m) {
    SharedObjectData* d = self.IsObject() ? self.object->NativeAs<SharedObjectData>() : nullptr;
    if (!d)
        return Value();
    switch (m) {
    case kFlush:
        return Value::Bool(Flush(vm, self.object));
    case kClear: {
        if (Object* data = DataObject(vm, self.object)) {
            std::vector<std::string> names;
            data->ForEachProperty([&](Property& p) {
                if (p.name != "__proto__")
                    names.push_back(p.name);
            });
            for (const std::string& n : names)
                data->RemoveOwn(n, true);
        }
        vm.host.RemoveSharedObject(d->key);
        return Value();
    }
    case kGetSize: {
        Object* data = DataObject(vm, self.object);
        if (!data)
            return Value::Num(0);
        std::vector<uint8_t> entries;
        WriteAmf0Entries(vm, data, entries);
        return Value::Num(entries.empty() ? 0 : double(FileOf(vm, *d, data).size()));
    }
    case kConnect:
        return Value::Bool(false);  // remote shared objects need a server
    default:
        return Value();
    }
}

}  // namespace

void FlushSharedObjects(Vm& vm) {
    for (auto& [key, so] : vm.sharedObjects) {
        Vm::BlockNesting block(vm);
        try {
            Flush(vm, so);
        } catch (...) {
            // A getter of the data that throws or runs too long: that object stays as it was.
        }
    }
}

void InstallSharedObjectBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    Object* ctor = vm.NewFunction([](Vm&, const Value& self, std::vector<Value>&, int) { return self; }, 0, proto);
    vm.global->SetOwn("SharedObject", Value::Obj(ctor), false, kDontEnum);
    vm.Method(ctor, "getLocal", GetLocal, 0, kDontEnum | kDontDelete);
    const std::pair<const char*, SoMethod> methods[] = {
        {"flush", kFlush},     {"clear", kClear}, {"getSize", kGetSize}, {"close", kClose},
        {"connect", kConnect}, {"send", kSend},   {"setFps", kSetFps}};
    for (const auto& [name, m] : methods)
        vm.Method(proto, name, SharedObjectFn, m, kDontEnum | kDontDelete);
}

}  // namespace script
