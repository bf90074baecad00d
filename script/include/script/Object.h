// Objects of the interpreter: an ordered table of named properties (with the reference's
// attribute bits, getter/setter pairs and watchers), a kind, and what the kind needs (function
// code, a primitive value, a clip handle). Prototype links are the ordinary "__proto__"
// property, as in the reference, so that scripts may read, replace, hide or delete them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "script/Value.h"

namespace script {

class Vm;
class Object;

// Attribute bits, numbered as ASSetPropFlags numbers them.
enum PropFlags : uint16_t {
    kDontEnum = 1,
    kDontDelete = 2,
    kReadOnly = 4,
};
// ASSetPropFlags bits that hide a property from movies of some versions: bit 7 from format 5,
// bit 8 from format 6 only, bits 10, 12, 13 and 14 from movies older than 7, 8, 9 and 10.
constexpr uint16_t kVersion6 = 1u << 7, kNotVersion6 = 1u << 8, kVersion7 = 1u << 10, kVersion8 = 1u << 12,
                   kVersion9 = 1u << 13, kVersion10 = 1u << 14;
inline bool VisibleTo(uint16_t flags, int version) {
    return !((flags & kVersion6 && version < 6) || (flags & kNotVersion6 && version == 6) ||
             (flags & kVersion7 && version < 7) || (flags & kVersion8 && version < 8) ||
             (flags & kVersion9 && version < 9) || (flags & kVersion10 && version < 10));
}

struct Property {
    std::string name;
    Value value;
    Object* getter = nullptr;  // addProperty pair; either may be null
    Object* setter = nullptr;
    uint32_t foldedHash = 0;           // of the name with ASCII letters folded to lower case
    uint16_t flags = 0;                // PropFlags and the version bits of ASSetPropFlags
    uint8_t getting = 0, setting = 0;  // getter and setter calls of an addProperty pair in progress
    bool live = true;
    bool IsAccessor() const { return getter || setter; }
};

enum class Kind : uint8_t {
    Plain,
    Function,
    Array,
    Boolean,
    Number,
    String,
    Date,
    Error,
    Clip,
    Super,
};

using ClipId = uint64_t;
constexpr ClipId kNoClip = 0;

// A native method: receives `this` and the arguments, returns the result. `magic` lets one
// routine serve several methods.
using NativeFn = Value (*)(Vm& vm, const Value& self, std::vector<Value>& args, int magic);

// Bytecode of a function defined by DefineFunction or DefineFunction2.
struct FunctionCode {
    std::shared_ptr<const std::vector<uint8_t>> bytes;  // the whole action block it stands in
    size_t start = 0, end = 0;                          // its body
    std::string name;
    struct Param {
        uint8_t reg = 0;
        std::string name;
    };
    std::vector<Param> params;
    uint8_t registerCount = 0;
    uint16_t flags = 0;  // DefineFunction2 preload/suppress flags
    bool isFunction2 = false;
    uint8_t version = 0;
    std::shared_ptr<const std::vector<std::string>> constants;  // the pool in force at definition
};

// A link of a scope chain. The chain a function captures stays alive as long as the function.
struct Scope {
    Object* object = nullptr;
    std::shared_ptr<Scope> parent;
    bool timeline = false;  // the clip at the bottom of a chain (tellTarget may stand in for it)
};

// What an instance of a built-in class keeps out of the movie's sight (a Sound's target, a
// SharedObject's name). Objects it holds are named to the collector by ForEachObject.
struct NativeData {
    virtual ~NativeData() = default;
    virtual void ForEachObject(void (*visit)(Object*, void*), void* context) {
        (void)visit;
        (void)context;
    }
};

class Object {
public:
    explicit Object(Kind k) : kind(k) {}

    Kind kind;
    // Function data.
    std::shared_ptr<FunctionCode> code;
    NativeFn native = nullptr;
    int magic = 0;
    NativeFn nativeConstruct = nullptr;  // when `new` differs from a plain call
    std::shared_ptr<Scope> scope;
    Object* definingClip = nullptr;  // the timeline a bytecode function was defined on
    // Wrapped primitive for Boolean, Number, String and Date objects.
    Value primitive;
    // Array length (elements are the properties "0", "1", ...).
    uint32_t length = 0;
    // Clip objects stand for a display object of the host. One whose clip has gone keeps the
    // clip's dot path: the reference finds whatever clip is at that path when it is used.
    ClipId clip = kNoClip;
    std::string clipPath;
    // super: its level (super() calls the level's __constructor__, super.m reads above it; none:
    // the prototype of `this` at the time of use) and the `this` it calls with.
    Object* superProto = nullptr;
    Object* superThis = nullptr;
    // The prototypes of the interfaces named by ImplementsOp; once a prototype has been given a
    // list (even of nothing usable), later lists for it are ignored.
    std::vector<Object*> interfaces;
    bool interfacesNamed = false;
    // watch(): name -> callback and its user data.
    struct Watcher {
        std::string name;
        Object* callback;
        Value data;
        int busy = 0;  // calls of this watcher in progress
    };
    std::vector<Watcher> watchers;
    // The built-in class data of an instance, if any (see NativeData).
    std::unique_ptr<NativeData> nativeData;
    template <typename T>
    T* NativeAs() {
        return dynamic_cast<T*>(nativeData.get());
    }

    Property* FindOwn(std::string_view name, bool caseSensitive);
    // Creates the property when missing; returns it.
    Property& SetOwn(std::string_view name, Value v, bool caseSensitive, uint16_t flags = 0);
    bool RemoveOwn(std::string_view name, bool caseSensitive);
    // Live properties in the order they were added.
    template <typename F>
    void ForEachProperty(F&& f) {
        for (auto& p : m_props)
            if (p.live)
                f(p);
    }
    size_t PropertyCount() const { return m_liveCount; }

    bool marked = false;

private:
    void Compact();
    void RebuildTable();
    void InsertIntoTable(uint32_t slot);
    std::vector<Property> m_props;
    // Open addressing over m_props by folded name (slot + 1; 0 is empty), kept only once an
    // object has more than a few properties: small objects are searched in order. Removed
    // properties stay in the table, skipped, until the next compaction.
    std::vector<uint32_t> m_table;
    size_t m_liveCount = 0;
};

// Owns every object of one interpreter. Objects are freed by a mark-sweep pass that the
// interpreter runs only between action blocks, when no native code holds a bare pointer.
class Heap {
public:
    Object* New(Kind kind);
    size_t Count() const { return m_objects.size(); }
    // Marks from `roots` (and from whatever they reach), frees the rest; returns objects freed.
    size_t Collect(const std::vector<Object*>& roots);
    void Clear() { m_objects.clear(); }

private:
    std::vector<std::unique_ptr<Object>> m_objects;
};

}  // namespace script
