// Files loaded beside the movie: the GetURL forms that load (loadMovie, loadMovieNum,
// loadVariables, unloadMovie), the queue of loads and their completion once the frame that
// asked has run, and the form encoding of variables.
#include <algorithm>

#include "Text.h"
#include "script/Vm.h"

namespace script {

namespace {

// Loads one frame may complete (a movie that asks for more every frame waits for the next).
constexpr size_t kMaxLoadsPerFrame = 256;
// Levels scripts may name.
constexpr int kMaxLevel = 16383;

// "_level7" -> 7; -1 when the text names no level.
int LevelNamed(std::string_view target) {
    if (target.size() <= 6 || !NamesEqual(target.substr(0, 6), "_level", false))
        return -1;
    int n = 0;
    for (char c : target.substr(6)) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
        if (n > kMaxLevel)
            return -1;
    }
    return n;
}

// The file part of a URL (before "?"), and the variables after it.
std::string_view FilePart(std::string_view url) {
    return url.substr(0, url.find('?'));
}
std::string_view QueryPart(std::string_view url) {
    const size_t q = url.find('?');
    return q == std::string_view::npos ? std::string_view() : url.substr(q + 1);
}

void BroadcastToLoader(Vm& vm, Object* clipLoader, std::vector<Value> args) {
    if (clipLoader)
        vm.RunAsBlock([&] { vm.CallMethod(Value::Obj(clipLoader), "broadcastMessage", std::move(args)); });
}

void CompleteMovie(Vm& vm, const Vm::PendingLoad& load) {
    if (load.clip && !vm.host.IsAlive(load.clip))
        return;
    if (load.cancelled) {
        // The request had gone out: the loader hears it start, and nothing more.
        if (load.clip)
            BroadcastToLoader(vm, load.clipLoader, {Value::Str("onLoadStart"), Value::Obj(vm.ClipObject(load.clip))});
        return;
    }
    const std::string url(FilePart(load.url));
    auto bytes = url.empty() ? std::nullopt : vm.host.ReadFile(url);
    if (!bytes) {
        if (load.clipLoader && load.clip)
            BroadcastToLoader(
                vm, load.clipLoader,
                {Value::Str("onLoadError"), Value::Obj(vm.ClipObject(load.clip)), Value::Str("URLNotFound")});
        return;
    }
    ClipId into = vm.host.LoadMovie(load.clip, load.level, *bytes);
    double size = double(bytes->size());
    if (!into) {
        // Bytes that hold no movie leave the clip empty, as a movie of nothing would.
        if (!load.clip)
            return;
        vm.host.UnloadMovie(load.clip);
        into = load.clip;
        size = 0;
    }
    // Variables after "?" are the loaded movie's own, set before its first frame runs.
    if (std::string_view query = QueryPart(load.url); !query.empty())
        vm.DecodeVariables(vm.ClipObject(into), query);
    if (!load.clipLoader)
        return;
    Object* target = vm.ClipObject(into);
    BroadcastToLoader(vm, load.clipLoader, {Value::Str("onLoadStart"), Value::Obj(target)});
    BroadcastToLoader(vm, load.clipLoader,
                      {Value::Str("onLoadProgress"), Value::Obj(target), Value::Num(size), Value::Num(size)});
    BroadcastToLoader(vm, load.clipLoader, {Value::Str("onLoadComplete"), Value::Obj(target), Value::Num(0)});
    vm.pendingInits.push_back({load.clipLoader, into});
}

void CompleteVariables(Vm& vm, const Vm::PendingLoad& load) {
    if (load.receiver) {
        if (auto bytes = vm.host.ReadFile(std::string(FilePart(load.url))))
            vm.DecodeVariables(load.receiver, vm.TextOfFile(*bytes));
        return;
    }
    ClipId clip = load.clip ? load.clip : vm.host.Level(load.level);
    if (!clip || !vm.host.IsAlive(clip))
        return;
    auto bytes = vm.host.ReadFile(std::string(FilePart(load.url)));
    if (!bytes)
        return;
    vm.DecodeVariables(vm.ClipObject(clip), vm.TextOfFile(*bytes));
    vm.host.DataLoaded(clip);
}

void CompleteText(Vm& vm, const Vm::PendingLoad& load) {
    const std::string url(FilePart(load.url));
    auto bytes = url.empty() ? std::nullopt : vm.host.ReadFile(url);
    Object* o = load.receiver;
    Value text;
    if (bytes) {
        const Value size = Value::Num(double(bytes->size()));
        // The counts stay through onData, whatever it deletes.
        for (const char* name : {"_bytesLoaded", "_bytesTotal"})
            o->SetOwn(name, size, vm.CaseSensitive()).flags |= kDontEnum | kDontDelete;
        text = Value::Str(vm.TextOfFile(*bytes));
    }
    vm.RunAsBlock([&] { vm.CallMethod(Value::Obj(o), "onData", {text}); });
}

}  // namespace

void Vm::RequestUrl(Object* from, const std::string& url, const std::string& target, int method, bool loadTarget,
                    bool loadVariables) {
    (void)method;  // files beside the movie are read the same way whichever method is asked for
    const ClipId fromClip = from && from->kind == Kind::Clip ? from->clip : kNoClip;
    const int level = LevelNamed(target);
    const bool fsCommand = url.size() >= 10 && NamesEqual(std::string_view(url).substr(0, 10), "FSCommand:", false);
    if (fsCommand || (!loadTarget && !loadVariables && level < 0)) {
        host.GetUrl(fromClip, url, target, method, loadTarget, loadVariables);
        return;
    }
    PendingLoad load;
    load.url = url;
    load.level = level;
    if (level < 0) {
        Object* o = ResolvePath(from, target);
        if (o && o->kind == Kind::Clip && o->clip)
            load.clip = o->clip;
        else if (o && loadVariables)
            load.receiver = o;  // variables may load into any object a path names
        else
            return;
    } else if (ClipId existing = host.Level(level)) {
        load.clip = existing;
    }
    if (loadVariables) {
        load.kind = PendingLoad::Kind::Variables;
    } else if (url.empty()) {
        // loadMovie of nothing: unloadMovie, at once.
        if (load.clip)
            UnloadClip(load.clip);
        return;
    }
    pendingLoads.push_back(std::move(load));
}

void Vm::CompleteLoads() {
    // Inits of the loads that completed last time: their movies' first frames have run since
    // (the newest first).
    std::vector<PendingInit> inits;
    inits.swap(pendingInits);
    for (auto it = inits.rbegin(); it != inits.rend(); ++it)
        if (host.IsAlive(it->clip))
            BroadcastToLoader(*this, it->clipLoader, {Value::Str("onLoadInit"), Value::Obj(ClipObject(it->clip))});
    std::vector<PendingLoad> loads;
    const size_t count = std::min(pendingLoads.size(), kMaxLoadsPerFrame);
    loads.assign(pendingLoads.begin(), pendingLoads.begin() + long(count));
    pendingLoads.erase(pendingLoads.begin(), pendingLoads.begin() + long(count));
    // The objects the loads name stay alive while they run (they are off the queue now).
    const size_t rootsBefore = extraRoots.size();
    for (const PendingLoad& l : loads)
        for (Object* o : {l.receiver, l.clipLoader})
            if (o)
                extraRoots.push_back(o);
    for (const PendingLoad& load : loads) {
        switch (load.kind) {
        case PendingLoad::Kind::Movie:
            CompleteMovie(*this, load);
            break;
        case PendingLoad::Kind::Variables:
            CompleteVariables(*this, load);
            break;
        case PendingLoad::Kind::Text:
            CompleteText(*this, load);
            break;
        }
    }
    extraRoots.resize(rootsBefore);
}

void Vm::UnloadClip(ClipId clip) {
    for (PendingLoad& load : pendingLoads)
        if (load.kind == PendingLoad::Kind::Movie && load.clip == clip)
            load.cancelled = true;
    host.UnloadMovie(clip);
}

void Vm::DecodeVariables(Object* o, std::string_view text) {
    if (!o)
        return;
    size_t i = 0;
    while (i <= text.size()) {
        size_t end = text.find('&', i);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view pair = text.substr(i, end - i);
        i = end + 1;
        if (pair.empty())
            continue;
        const size_t eq = pair.find('=');
        std::string name = UnescapeText(pair.substr(0, eq));
        std::string value = eq == std::string_view::npos ? std::string() : UnescapeText(pair.substr(eq + 1));
        if (version < 6) {
            name = Latin1ToUtf8(name);
            value = Latin1ToUtf8(value);
        }
        if (name.empty())
            continue;
        RunAsBlock([&] { SetOf(o, name, Value::Str(std::move(value))); });
    }
}

std::string Vm::TextOfFile(const std::vector<uint8_t>& bytes) const {
    std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    if (version < 6)
        return Latin1ToUtf8(text);
    return std::string(text);
}

void Vm::ClipReloaded(ClipId clip) {
    auto it = m_clipObjects.find(clip);
    if (it == m_clipObjects.end())
        return;
    Object* o = it->second;
    std::vector<std::string> names;
    o->ForEachProperty([&](Property& p) {
        if (p.name != "__proto__")
            names.push_back(p.name);
    });
    for (const std::string& name : names)
        o->RemoveOwn(name, true);
    o->watchers.clear();
    o->SetOwn("__proto__", Value::Obj(clipProto), false, kDontEnum | kDontDelete);
    m_constructed.erase(clip);
}

ClipId Vm::RootClipOf(ClipId clip) {
    ClipId c = clip;
    while (ClipId p = host.Parent(c)) {
        // A clip that locks its root stands for _root to everything inside it.
        if (auto it = m_clipObjects.find(c); it != m_clipObjects.end()) {
            Property* lock = it->second->FindOwn("_lockroot", false);
            if (lock && !lock->IsAccessor() && ToBoolean(lock->value, version))
                return c;
        }
        c = p;
    }
    return c;
}

}  // namespace script
