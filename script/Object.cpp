// Property tables and the mark-sweep heap.
#include "script/Object.h"

namespace script {

Property* Object::FindOwn(std::string_view name, bool caseSensitive) {
    auto it = index_.find(FoldCase(name));
    if (it == index_.end()) return nullptr;
    for (uint32_t slot : it->second) {
        Property& p = props_[slot];
        if (!caseSensitive || p.name == name) return &p;
    }
    return nullptr;
}

Property& Object::SetOwn(std::string_view name, Value v, bool caseSensitive, uint16_t flags) {
    if (Property* p = FindOwn(name, caseSensitive)) {
        p->value = std::move(v);
        return *p;
    }
    auto& bucket = index_[FoldCase(name)];
    bucket.push_back(static_cast<uint32_t>(props_.size()));
    Property p;
    p.name = std::string(name);
    p.value = std::move(v);
    p.flags = flags;
    props_.push_back(std::move(p));
    ++liveCount_;
    return props_.back();
}

bool Object::RemoveOwn(std::string_view name, bool caseSensitive) {
    auto it = index_.find(FoldCase(name));
    if (it == index_.end()) return false;
    auto& bucket = it->second;
    for (size_t i = 0; i < bucket.size(); ++i) {
        Property& p = props_[bucket[i]];
        if (caseSensitive && p.name != name) continue;
        p.live = false;
        p.value = Value();
        p.getter = p.setter = nullptr;
        bucket.erase(bucket.begin() + static_cast<long>(i));
        if (bucket.empty()) index_.erase(it);
        --liveCount_;
        if (props_.size() > 32 && liveCount_ * 2 < props_.size()) Reindex();
        return true;
    }
    return false;
}

void Object::Reindex() {
    std::vector<Property> kept;
    kept.reserve(liveCount_);
    for (auto& p : props_)
        if (p.live) kept.push_back(std::move(p));
    props_ = std::move(kept);
    index_.clear();
    for (uint32_t i = 0; i < props_.size(); ++i) index_[FoldCase(props_[i].name)].push_back(i);
}

Object* Heap::New(Kind kind) {
    objects_.push_back(std::make_unique<Object>(kind));
    return objects_.back().get();
}

size_t Heap::Collect(const std::vector<Object*>& roots) {
    std::vector<Object*> work;
    auto push = [&](Object* o) {
        if (o && !o->marked) { o->marked = true; work.push_back(o); }
    };
    auto pushValue = [&](const Value& v) { if (v.type == Type::Object) push(v.object); };
    for (Object* r : roots) push(r);
    while (!work.empty()) {
        Object* o = work.back();
        work.pop_back();
        o->ForEachProperty([&](Property& p) {
            pushValue(p.value);
            push(p.getter);
            push(p.setter);
        });
        for (const Scope* s = o->scope.get(); s; s = s->parent.get()) push(s->object);
        push(o->definingClip);
        pushValue(o->primitive);
        push(o->superProto);
        push(o->superThis);
        for (Object* i : o->interfaces) push(i);
        for (auto& w : o->watchers) { push(w.callback); pushValue(w.data); }
    }
    size_t freed = 0;
    size_t keep = 0;
    for (size_t i = 0; i < objects_.size(); ++i) {
        if (objects_[i]->marked) {
            objects_[i]->marked = false;
            objects_[keep++] = std::move(objects_[i]);
        } else {
            ++freed;
        }
    }
    objects_.resize(keep);
    return freed;
}

}  // namespace script
