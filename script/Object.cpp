// Property tables and the mark-sweep heap.
#include "script/Object.h"

namespace script {

namespace {

// Objects with up to this many properties are searched in order, without a table.
constexpr size_t kLinearLimit = 8;

uint32_t FoldedHash(std::string_view name) {
    uint32_t h = 2166136261u;  // FNV-1a
    for (char c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    }
    return h;
}

}  // namespace

Property* Object::FindOwn(std::string_view name, bool caseSensitive) {
    if (m_table.empty()) {
        for (Property& p : m_props)
            if (p.live && NamesEqual(p.name, name, caseSensitive))
                return &p;
        return nullptr;
    }
    const uint32_t hash = FoldedHash(name);
    const size_t mask = m_table.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const uint32_t entry = m_table[i];
        if (entry == 0)
            return nullptr;
        Property& p = m_props[entry - 1];
        if (p.live && p.foldedHash == hash && NamesEqual(p.name, name, caseSensitive))
            return &p;
    }
}

Property& Object::SetOwn(std::string_view name, Value v, bool caseSensitive, uint16_t flags) {
    if (Property* p = FindOwn(name, caseSensitive)) {
        p->value = std::move(v);
        return *p;
    }
    Property p;
    p.name = std::string(name);
    p.value = std::move(v);
    p.foldedHash = FoldedHash(name);
    p.flags = flags;
    m_props.push_back(std::move(p));
    ++m_liveCount;
    const uint32_t slot = static_cast<uint32_t>(m_props.size() - 1);
    if (m_props.size() > kLinearLimit) {
        if (m_props.size() * 2 > m_table.size())
            RebuildTable();
        else
            InsertIntoTable(slot);
    }
    return m_props.back();
}

bool Object::RemoveOwn(std::string_view name, bool caseSensitive) {
    Property* p = FindOwn(name, caseSensitive);
    if (!p)
        return false;
    p->live = false;
    p->value = Value();
    p->getter = p->setter = nullptr;
    --m_liveCount;
    if (m_props.size() > 32 && m_liveCount * 2 < m_props.size())
        Compact();
    return true;
}

void Object::Compact() {
    std::vector<Property> kept;
    kept.reserve(m_liveCount);
    for (auto& p : m_props)
        if (p.live)
            kept.push_back(std::move(p));
    m_props = std::move(kept);
    m_table.clear();
    if (m_props.size() > kLinearLimit)
        RebuildTable();
}

void Object::RebuildTable() {
    size_t size = 16;
    while (size < m_props.size() * 4)
        size *= 2;
    m_table.assign(size, 0);
    for (uint32_t i = 0; i < m_props.size(); ++i)
        InsertIntoTable(i);
}

// Later slots land later in a probe sequence, so a search meets same-named properties in the
// order they were added, as a search in order would.
void Object::InsertIntoTable(uint32_t slot) {
    const size_t mask = m_table.size() - 1;
    size_t i = m_props[slot].foldedHash & mask;
    while (m_table[i] != 0)
        i = (i + 1) & mask;
    m_table[i] = slot + 1;
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
