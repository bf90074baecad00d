// Property tables and the mark-sweep heap.
#include "script/Object.h"

namespace script {

Property* Object::FindOwn(std::string_view name, bool caseSensitive) {
    auto it = m_index.find(FoldCase(name));
    if (it == m_index.end())
        return nullptr;
    for (uint32_t slot : it->second) {
        Property& p = m_props[slot];
        if (!caseSensitive || p.name == name)
            return &p;
    }
    return nullptr;
}

Property& Object::SetOwn(std::string_view name, Value v, bool caseSensitive, uint16_t flags) {
    if (Property* p = FindOwn(name, caseSensitive)) {
        p->value = std::move(v);
        return *p;
    }
    auto& bucket = m_index[FoldCase(name)];
    bucket.push_back(static_cast<uint32_t>(m_props.size()));
    Property p;
    p.name = std::string(name);
    p.value = std::move(v);
    p.flags = flags;
    m_props.push_back(std::move(p));
    ++m_liveCount;
    return m_props.back();
}

bool Object::RemoveOwn(std::string_view name, bool caseSensitive) {
    auto it = m_index.find(FoldCase(name));
    if (it == m_index.end())
        return false;
    auto& bucket = it->second;
    for (size_t i = 0; i < bucket.size(); ++i) {
        Property& p = m_props[bucket[i]];
        if (caseSensitive && p.name != name)
            continue;
        p.live = false;
        p.value = Value();
        p.getter = p.setter = nullptr;
        bucket.erase(bucket.begin() + static_cast<long>(i));
        if (bucket.empty())
            m_index.erase(it);
        --m_liveCount;
        if (m_props.size() > 32 && m_liveCount * 2 < m_props.size())
            Reindex();
        return true;
    }
    return false;
}

void Object::Reindex() {
    std::vector<Property> kept;
    kept.reserve(m_liveCount);
    for (auto& p : m_props)
        if (p.live)
            kept.push_back(std::move(p));
    m_props = std::move(kept);
    m_index.clear();
    for (uint32_t i = 0; i < m_props.size(); ++i)
        m_index[FoldCase(m_props[i].name)].push_back(i);
}

Object* Heap::New(Kind kind) {
    m_objects.push_back(std::make_unique<Object>(kind));
    return m_objects.back().get();
}

size_t Heap::Collect(const std::vector<Object*>& roots) {
    std::vector<Object*> work;
    auto push = [&](Object* o) {
        if (o && !o->marked) {
            o->marked = true;
            work.push_back(o);
        }
    };
    auto pushValue = [&](const Value& v) {
        if (v.type == Type::Object)
            push(v.object);
    };
    for (Object* r : roots)
        push(r);
    while (!work.empty()) {
        Object* o = work.back();
        work.pop_back();
        o->ForEachProperty([&](Property& p) {
            pushValue(p.value);
            push(p.getter);
            push(p.setter);
        });
        for (const Scope* s = o->scope.get(); s; s = s->parent.get())
            push(s->object);
        push(o->definingClip);
        pushValue(o->primitive);
        push(o->superProto);
        push(o->superThis);
        for (Object* i : o->interfaces)
            push(i);
        for (auto& w : o->watchers) {
            push(w.callback);
            pushValue(w.data);
        }
        if (o->nativeData)
            o->nativeData->ForEachObject(
                [](Object* held, void* context) { (*static_cast<decltype(push)*>(context))(held); }, &push);
    }
    size_t freed = 0;
    size_t keep = 0;
    for (size_t i = 0; i < m_objects.size(); ++i) {
        if (m_objects[i]->marked) {
            m_objects[i]->marked = false;
            m_objects[keep++] = std::move(m_objects[i]);
        } else {
            ++freed;
        }
    }
    m_objects.resize(keep);
    return freed;
}

}  // namespace script
