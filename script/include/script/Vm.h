// The ActionScript 1/2 interpreter of one movie: its heap, global object, built-in objects,
// timers and the bytecode loop. The host runs action blocks through RunActions and advances the
// timer clock; the interpreter drives clips through the DisplayHost.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "playback/TextEditing.h"
#include "script/DisplayHost.h"
#include "script/Object.h"
#include "script/Value.h"

namespace script {

// The deepest a movie's ScriptLimits may let scripts recurse: a movie may ask for up to 65535,
// but the player's thread has a 2 MB stack, which holds about a thousand levels of the
// interpreter; past this ceiling a runaway recursion would take the whole program down.
constexpr int kMaxScriptRecursion = 512;

struct Limits {
    double timeoutSeconds = 15;               // ScriptLimits tag, or 15 s
    int maxRecursion = 256;                   // ScriptLimits tag, or 256
    size_t maxStringBytes = size_t{1} << 27;  // longer texts end the script
    uint32_t maxArrayLength = 1u << 24;       // arrays that must be filled beyond this end it too
    uint64_t maxActionsPerBlock = 0;          // 0: none; a count ends runaway loops the same way every run
};

// How an action block ended.
enum class RunEnd { Completed, Threw, TimedOut, TooDeep, TooLarge, Invalid };

// A script error that ends the action block (not catchable by the movie).
struct ScriptAbort {
    RunEnd why;
};
// A value thrown by the movie (Throw, or an error raised by a built-in).
struct ScriptThrow {
    Value value;
};

class Vm {
public:
    Vm(DisplayHost& host, uint8_t version);
    ~Vm();
    Vm(const Vm&) = delete;
    Vm& operator=(const Vm&) = delete;

    // Runs an action block (a DoAction or DoInitAction body, a clip event, a button action) with
    // `clip` as this and target. Uncaught throws and limits end the block; the movie goes on.
    RunEnd RunActions(ClipId clip, std::shared_ptr<const std::vector<uint8_t>> bytes, uint8_t version);
    // Calls a method of a clip's object by name if it has one (onEnterFrame, onLoad, ...).
    RunEnd CallClipMethod(ClipId clip, std::string_view name, std::vector<Value> args = {});
    // The host says a clip is gone; its object stays (scripts may hold it) but loses its clip.
    void ClipRemoved(ClipId clip);
    // The host has loaded a movie into a clip (or emptied it): its object, which scripts may
    // hold, keeps standing for it, but loses what scripts set on it.
    void ClipReloaded(ClipId clip);
    // Advances the interval/timeout clock by `ms`, running the timers that fall due.
    void AdvanceClock(double ms);
    double ClockMs() const { return m_clockMs; }
    // Frees unreachable objects. Called by the host between blocks; returns objects freed.
    size_t CollectGarbage();
    // Collects only once the heap has grown well past what the last collection left (twice as
    // many objects, and at least kCollectSlack more), so a frame that allocates little does not
    // walk every built-in object. Called by the hosts at the end of each frame.
    size_t CollectGarbageWhenGrown();
    static constexpr size_t kCollectSlack = 1024;

    Limits limits;
    uint8_t version;  // of the movie; code of other versions carries its own
    std::string lastAbortMessage;

    // ---- Used by the built-ins and the loop. ----
    DisplayHost& host;
    Heap heap;
    Object* global = nullptr;
    Object* objectProto = nullptr;
    Object* functionProto = nullptr;
    Object* arrayProto = nullptr;
    Object* stringProto = nullptr;
    Object* numberProto = nullptr;
    Object* booleanProto = nullptr;
    Object* dateProto = nullptr;
    Object* errorProto = nullptr;
    Object* clipProto = nullptr;
    Object* textFieldProto = nullptr;
    Object* textFormatProto = nullptr;
    Object* broadcasterObj = nullptr;
    Object* arrayCtor = nullptr;
    Object* objectCtor = nullptr;
    Object* emptyLevel = nullptr;  // the super level past the top of a chain (finds nothing)
    Object* keyObj = nullptr;
    Object* selectionObj = nullptr;
    Object* buttonProto = nullptr;  // the prototype of buttons' objects

    // The keyboard: the host reports each key (virtual key codes as the Key object numbers
    // them, the character it types or 0); the object with the focus hears onKeyDown / onKeyUp,
    // then Key's listeners.
    void KeyEvent(bool down, int code, int ascii);
    // A key's (or mouse button's) state alone: down or up, and toggled at each press.
    void SetKeyState(int code, bool down);
    std::array<bool, 256> keysDown{};
    std::array<bool, 256> keysToggled{};  // caps lock and the like: flipped at each press
    int lastKeyCode = 0;
    int lastKeyAscii = 0;

    // The keyboard focus (Focus.cpp): a clip or button, or kNoClip. SetFocus tells the object
    // losing it (onKillFocus), the one gaining it (onSetFocus) and Selection's listeners; it
    // refuses objects that cannot take the focus (false).
    ClipId focus = kNoClip;
    // Whether keys reach the focused object: not after the pointer moves, until the focus changes.
    bool focusTakesKeys = true;
    bool CanFocus(ClipId clip);
    bool SetFocus(ClipId clip);
    void ChangeFocus(ClipId clip);  // without asking whether the object may take it
    // Tab and shift-tab: the next (or previous) object of the tab order takes the focus.
    void MoveFocus(bool backwards);
    // _focusrect (FocusRect.cpp): the movie's setting, and what a clip reads and sets.
    bool focusRect = true;
    Value FocusRectOf(ClipId clip);
    void SetFocusRect(ClipId clip, const Value& v);
    // Whether the rectangle shows around `clip` when it has the focus: its own setting, else the
    // movie's. Enter and space press the focused object only while it shows.
    bool ShowsFocusRect(ClipId clip);
    // The mouse went down over `field` (kNoClip: no text field): a selectable field takes the
    // focus, anything else takes it away.
    void FocusFromPointer(ClipId field);
    // Typing into the focused input text field (TextInput.cpp): text goes in as its restrict
    // and maxChars let it, keys edit it, and the field hears onChanged when its text changed;
    // false when the focus is on no input field. A field taking the focus has its text
    // selected; the clipboard holds what Paste puts in.
    bool TypeIntoFocus(std::u16string_view text);
    bool EditFocus(playback::TextEdit edit);
    void SelectFieldText(ClipId clip);
    std::u16string clipboard;
    // broadcastMessage(event, args...) on an AsBroadcaster object, from the host or from code.
    void Broadcast(Object* broadcaster, std::string_view event, std::vector<Value> args);
    // Runs `call`, a call into the movie's code, as an action block of its own when none is
    // running: a throw nobody catches ends it quietly; a limit ends it, or the block around it.
    template <typename F>
    void RunAsBlock(F&& call) {
        BlockNesting nesting(*this);
        const bool outer = nesting.outer;
        try {
            call();
        } catch (ScriptThrow&) {
        } catch (ScriptAbort&) {
            if (!outer)
                throw;
            depth = 0;
            m_stack.clear();
        }
    }
    // The objects Tab visits, in order: those with a tabIndex by it, else by their position.
    std::vector<ClipId> TabOrder();
    // The action blocks of one frame share one stack (what a block leaves there, the next one
    // finds); it starts empty in every frame.
    void ClearStack() {
        if (depth == 0)
            m_stack.clear();
    }

    // The version rules of the running code.
    int curVersion = 0;
    bool CaseSensitive() const { return curVersion >= 7; }

    Object* NewObject(Object* proto = nullptr);  // nullptr: Object.prototype
    Object* NewArray(const std::vector<Value>& items = {});
    Object* NewFunction(NativeFn fn, int magic = 0, Object* prototypeFor = nullptr);
    Object* NewError(std::string_view message);
    // Defines a native method on `o` (not enumerable).
    Object* Method(Object* o, std::string_view name, NativeFn fn, int magic = 0, uint16_t flags = kDontEnum);
    Object* ClipObject(ClipId clip);  // the object standing for a clip (made on first use)
    void SetClipProperty(ClipId clip, int index, const Value& v);
    bool HasClipObject(ClipId clip) const { return m_clipObjects.count(clip) != 0; }
    // The object of the clip a clip object stands for now: itself while its clip lives, the
    // object of the clip found at a gone clip's path, or nullptr when there is none.
    Object* LiveClip(Object* o);
    // A clip has been placed: the constructor of the class registered for its symbol runs on its
    // object, once.
    void ClipPlaced(ClipId clip);
    // Object.registerClass: symbol key (DisplayHost::SymbolOfExport) to constructor.
    std::unordered_map<std::string, Object*> registeredClasses;

    // Properties through prototypes, getters/setters, __resolve, watchers and clip properties.
    Value Get(const Value& target, std::string_view name);
    Value GetOf(Object* o, std::string_view name);
    void Set(const Value& target, std::string_view name, Value v);
    void SetOf(Object* o, std::string_view name, Value v);
    bool Has(Object* o, std::string_view name);  // own or inherited
    // The names a clip answers with other clips and objects: _parent, _root, _global, _levelN.
    bool ClipPathName(ClipId clip, std::string_view name, Value& out);
    bool DeleteOf(Object* o, std::string_view name);
    // Getter and setter calls of addProperty pairs, bounded in depth per property.
    Value GetThroughAccessor(Object* holder, Object* self, std::string_view name);
    void SetThroughAccessor(Object* holder, Object* self, std::string_view name, Value v);
    int AccessorNesting() const;
    Property* FindProperty(Object* o, std::string_view name, Object** holder = nullptr);
    Object* ProtoOf(Object* o);
    Object* SuperLevel(Object* sup);  // a super object's level (see Object::superProto)
    // Names a for..in visits: own then inherited, enumerable, each once, in the order they were
    // added (Enumerate pushes them in this order, so the loop sees the most recent first).
    std::vector<std::string> EnumerableNames(Object* o);
    // Array helpers.
    uint32_t LengthOf(Object* o);
    Value Element(Object* o, uint32_t i);
    void SetElement(Object* o, uint32_t i, Value v);
    void SetLength(Object* o, uint32_t n);
    // An array's length in the reference's signed 32-bit form; shortening deletes elements.
    void SetArrayLength(Object* o, int32_t n);

    // Conversions that may call into the movie's code.
    Value ToPrimitive(const Value& v, bool hintString = false);
    Value ConversionMethod(Object* o, std::string_view name);
    double ToNumber(const Value& v);
    std::string ToString(const Value& v);
    Object* ToObject(const Value& v);  // wraps primitives; nullptr for undefined/null
    int32_t ToInt(const Value& v) { return ToInt32(ToNumber(v)); }
    std::string TypeOf(const Value& v);
    bool IsFunction(const Value& v) const { return v.type == Type::Object && v.object->kind == Kind::Function; }
    bool InstanceOf(Object* o, Object* ctor);
    // A constructor's own stored "prototype": no getter, no prototypes (undefined when none).
    Value StoredPrototypeOf(Object* ctor);
    bool ChainHas(Object* p, Object* proto, int nesting);
    bool ImplementsInterface(Object* p, Object* proto, int nesting);

    // Calls.
    Value Call(const Value& fn, const Value& self, std::vector<Value> args);
    Value CallMethod(const Value& self, std::string_view name, std::vector<Value> args);
    Value Construct(const Value& ctor, std::vector<Value> args);
    // Runs a native constructor on an object that already exists (new, or super() in a
    // subclass of a built-in).
    Value ConstructNative(Object* ctor, const Value& self, std::vector<Value>& args);
    [[noreturn]] void Throw(Value v) { throw ScriptThrow{std::move(v)}; }
    void CheckStringSize(size_t bytes);

    // Timers (setInterval / setTimeout).
    struct Timer {
        int id;
        Value fn;  // function, or the object whose method `method` is called
        std::string method;
        std::vector<Value> args;
        double interval;
        double due;
        bool repeat;
    };
    std::vector<Timer> timers;
    // Calls the player makes at the end of the frame, before the timers, in the order asked
    // (a local connection's message, for one).
    struct DeferredCall {
        Value fn;
        Value self;
        std::vector<Value> args;
    };
    std::vector<DeferredCall> deferredCalls;
    void RunDeferredCalls();
    // LocalConnection objects by the (folded) name they listen on.
    std::unordered_map<std::string, Object*> localConnections;
    // SharedObject.getLocal's objects by key, one each for the movie's run.
    std::unordered_map<std::string, Object*> sharedObjects;
    int nextTimerId = 1;
    size_t m_liveAfterCollect = 0;
    double m_clockMs = 0;

    // Files loaded beside the movie (Loaders.cpp). Requests wait until the frame that made them
    // has run; then each file is read and goes where it was asked to: a movie into a clip or a
    // level, variables onto a clip, a text to the onData of a LoadVars or XML object. A
    // MovieClipLoader hears the steps of its loads (its init a frame later, once the loaded
    // movie's first frame has run).
    struct PendingLoad {
        enum class Kind { Movie, Variables, Text } kind = Kind::Movie;
        std::string url;
        ClipId clip = kNoClip;  // Movie, Variables: where it goes (kNoClip: level `level`)
        int level = -1;
        Object* receiver = nullptr;    // Text: the object whose onData hears the text
        Object* clipLoader = nullptr;  // Movie: the MovieClipLoader that asked, or null
        bool cancelled = false;        // Movie: the clip was unloaded since (its loader hears the start only)
    };
    std::vector<PendingLoad> pendingLoads;
    struct PendingInit {
        Object* clipLoader;
        ClipId clip;
    };
    std::vector<PendingInit> pendingInits;
    // A GetURL of the movie's code: a load into a clip or level, variables, or a web address.
    void RequestUrl(Object* from, const std::string& url, const std::string& target, int method, bool loadTarget,
                    bool loadVariables);
    // Runs the loads asked for so far (the host calls this once each frame has run).
    void CompleteLoads();
    // Empties a clip of its movie now, cancelling the movie loads still waiting for it.
    void UnloadClip(ClipId clip);
    // Sets the variables of "a=1&b=2" (form encoding) on `o`.
    void DecodeVariables(Object* o, std::string_view text);
    // A loaded file's bytes as a script string (UTF-8, or Latin-1 in movies before format 6).
    std::string TextOfFile(const std::vector<uint8_t>& bytes) const;

    // The clip `_root` names from `clip`: its level's root, or the nearest clip above it (itself
    // included) whose _lockroot is true.
    ClipId RootClipOf(ClipId clip);

    // Path resolution ("/a/b", "_root.a", "../x", "_level1").
    // `slashes`: the path follows a slash already read (dots no longer separate names).
    Object* ResolvePath(Object* start, std::string_view path, bool slashes = false);
    std::string TargetPathOf(ClipId clip, bool slash);
    // Execution state the built-ins may need (the clip that runs the current block).
    Object* currentTarget = nullptr;
    int depth = 0;
    bool constructing = false;  // a native constructor is running under `new`
    Value globalRegisters[4];
    std::chrono::steady_clock::time_point blockStart;
    uint64_t opCounter = 0;
    uint64_t blockStartOps = 0;
    // Marks the start of an outermost action block, from which its time and action limits count.
    void StartBlock() {
        blockStart = std::chrono::steady_clock::now();
        blockStartOps = opCounter;
    }
    // Action blocks, handlers and block-like calls in progress. Only the outermost one starts the
    // limits' count and ends in an abort; one started from inside another (a frame's actions run by
    // the Call action, a handler a native call fires) passes the abort on to it.
    int blocksRunning = 0;
    struct BlockNesting {
        Vm& vm;
        const bool outer;
        explicit BlockNesting(Vm& v) : vm(v), outer(v.blocksRunning == 0) {
            ++vm.blocksRunning;
            if (outer)
                vm.StartBlock();
        }
        ~BlockNesting() { --vm.blocksRunning; }
        BlockNesting(const BlockNesting&) = delete;
        BlockNesting& operator=(const BlockNesting&) = delete;
    };
    std::vector<Object*> extraRoots;  // objects in use by running code (kept across a collection)

    // Executes bytecode [start, end) in a new activation; used for function calls.
    Value RunFunction(Object* fn, const Value& self, std::vector<Value>& args, Object* holder);
    // Calls with the level the callee's super starts from (nullptr: the prototype of `this`).
    Value CallWithHolder(const Value& fn, const Value& self, std::vector<Value> args, Object* holder);
    // Executes a whole block with a scope; used by RunActions.
    struct Frame;
    int Execute(Frame& f, size_t start, size_t end);

private:
    struct SuperGuard {
        Vm& vm;
        explicit SuperGuard(Vm& v);
        ~SuperGuard();
    };
    int m_superNesting = 0;
    void InitBuiltins();
    std::unordered_map<ClipId, Object*> m_clipObjects;
    std::unordered_map<ClipId, bool> m_constructed;
    std::vector<Value> m_stack;
    friend struct Interp;
};

// Built-in setup, one routine per family (Builtins*.cpp).
void InstallObjectBuiltins(Vm& vm);
void InstallFunctionBuiltins(Vm& vm);
void InstallArrayBuiltins(Vm& vm);
void InstallStringBuiltins(Vm& vm);
void InstallNumberBuiltins(Vm& vm);
void InstallMathBuiltins(Vm& vm);
void InstallDateBuiltins(Vm& vm);
void InstallGlobalFunctions(Vm& vm);
void InstallClipBuiltins(Vm& vm);
void InstallClipLookBuiltins(Vm& vm);  // after InstallClipBuiltins: opaqueBackground, blendMode, ...
void InstallGeomBuiltins(Vm& vm);
void InstallGeomRectBuiltins(Vm& vm);    // after InstallGeomBuiltins: Rectangle, ColorTransform
void InstallBitmapDataBuiltins(Vm& vm);  // after InstallGeomBuiltins and InstallClipBuiltins
void InstallTransformBuiltins(Vm& vm);   // the same: flash.geom.Transform, MovieClip.transform
void InstallXmlBuiltins(Vm& vm);
void InstallLoadVarsBuiltins(Vm& vm);
void InstallClipLoaderBuiltins(Vm& vm);
void InstallStubBuiltins(Vm& vm);
void InstallNativeTableBuiltins(Vm& vm);  // ASnative, ASSetNative, ASSetNativeAccessor
Object* MathNativeFunction(Vm& vm,
                           int index);  // ASnative(200, index)  // last: fills in the names nothing else defined
void InstallColorBuiltins(Vm& vm);
void InstallKeyBuiltins(Vm& vm);
void InstallTextFieldBuiltins(Vm& vm);  // after InstallClipBuiltins: TextField, TextFormat
void InstallSoundBuiltins(Vm& vm);
void InstallExternalInterfaceBuiltins(Vm& vm);  // after InstallStubBuiltins: fills in its class
void InstallConnectionBuiltins(Vm& vm);         // after InstallStubBuiltins too
void InstallStageBuiltins(Vm& vm);              // after InstallStubBuiltins: fills in Stage
void InstallPrintJobBuiltins(Vm& vm);           // after InstallStubBuiltins: fills in PrintJob
void InstallSharedObjectBuiltins(Vm& vm);
// Writes every shared object the movie opened to the host's store (the movie is ending).
void FlushSharedObjects(Vm& vm);
void InstallSelectionBuiltins(Vm& vm);
void InstallButtonBuiltins(Vm& vm);    // before InstallStubBuiltins
void InstallTabIndexBuiltins(Vm& vm);  // after InstallButtonBuiltins
// A tabIndex of a clip or button as it is kept: the number truncated to a 32-bit integer, the
// lowest one when it is no number or lies outside that range.
int32_t TabIndexOf(double n);

}  // namespace script
