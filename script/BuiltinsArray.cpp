// Array: the constructor and every method, sort and sortOn with their flags.
#include <algorithm>
#include <cmath>
#include <functional>

#include "Text.h"
#include "script/Vm.h"

namespace script {

namespace {

enum SortFlags { kCaseInsensitive = 1, kDescending = 2, kUniqueSort = 4, kReturnIndexedArray = 8, kNumeric = 16 };

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

Object* This(Vm& vm, const Value& self) {
    return self.type == Type::Object ? self.object : nullptr;
    (void)vm;
}

std::vector<Value> Items(Vm& vm, Object* o) {
    uint32_t n = vm.LengthOf(o);
    if (n > vm.limits.maxArrayLength)
        throw ScriptAbort{RunEnd::TooLarge};
    std::vector<Value> v;
    v.reserve(n);
    for (uint32_t i = 0; i < n; ++i)
        v.push_back(vm.Element(o, i));
    return v;
}

void Store(Vm& vm, Object* o, const std::vector<Value>& items) {
    vm.SetLength(o, 0);
    for (uint32_t i = 0; i < items.size(); ++i)
        vm.SetElement(o, i, items[i]);
    vm.SetLength(o, static_cast<uint32_t>(items.size()));
}

// Deletes element i and sets it again (a property that may not be deleted keeps its place).
void ReplaceElement(Vm& vm, Object* o, uint32_t i, Value v) {
    std::string name = std::to_string(i);
    vm.DeleteOf(o, name);
    vm.SetOf(o, name, std::move(v));
}

double RelIndex(Vm& vm, const Value& v, double len, double dflt) {
    if (v.IsUndefined())
        return dflt;
    double d = vm.ToNumber(v);
    if (std::isnan(d))
        d = 0;
    d = std::trunc(d);
    if (d < 0)
        d = std::max(0.0, len + d);
    return std::min(d, len);
}

Value ArrayCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    Object* o = vm.constructing && self.type == Type::Object ? self.object : vm.NewArray();
    o->kind = Kind::Array;
    if (args.size() == 1 && args[0].type == Type::Number) {
        o->length = static_cast<uint32_t>(ToInt32(args[0].number));
    } else {
        for (uint32_t i = 0; i < args.size(); ++i)
            vm.SetElement(o, i, args[i]);
    }
    return Value::Obj(o);
}

std::string Join(Vm& vm, Object* o, const std::string& sep) {
    if (vm.depth > vm.limits.maxRecursion)
        throw ScriptAbort{RunEnd::TooDeep};
    ++vm.depth;
    struct D {
        Vm& v;
        ~D() { --v.depth; }
    } d{vm};
    uint32_t n = vm.LengthOf(o);
    std::string out;
    for (uint32_t i = 0; i < n; ++i) {
        if (i)
            out += sep;
        // join reads the object's own stored elements: neither prototypes nor getters.
        Property* p = o->FindOwn(std::to_string(i), true);
        Value e = p && !p->IsAccessor() ? p->value : Value();
        if (e.type == Type::Undefined && vm.curVersion < 7)
            continue;
        out += vm.ToString(e);
        vm.CheckStringSize(out.size());
    }
    return out;
}

int CompareStrings(const std::string& a, const std::string& b, bool ci) {
    std::u16string x = ToUtf16(a), y = ToUtf16(b);
    if (ci) {
        LowerCase(x);
        LowerCase(y);
    }
    return x < y ? -1 : (x > y ? 1 : 0);
}

// Compares two values by the flags (no compare function).
int CompareByFlags(Vm& vm, const Value& a, const Value& b, int flags) {
    if (flags & kNumeric) {
        if (a.type == Type::Number && b.type == Type::Number) {
            double x = a.number, y = b.number;
            if (std::isnan(x) && std::isnan(y))
                return 0;
            if (std::isnan(x))
                return 1;
            if (std::isnan(y))
                return -1;
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        // A pair that is not two numbers compares as text.
    }
    return CompareStrings(vm.ToString(a), vm.ToString(b), flags & kCaseInsensitive);
}

// Orders indexes the way the reference's quicksort does, since a movie's compare function sees
// every call: the first item of a range is the pivot, passed first to each compare; the left
// scan stops at an item not below it, the right scan passes items not below it, and crossed
// scans put the pivot between the two parts, the left part sorted first. A compare function
// that answers inconsistently could swap one pair back and forth: past that many rounds each
// swap also moves both scans on, which always ends.
void QuickSortOrder(std::vector<uint32_t>& order, const std::function<int(uint32_t, uint32_t)>& cmp) {
    std::vector<std::pair<size_t, size_t>> ranges;
    if (order.size() > 1)
        ranges.emplace_back(0, order.size() - 1);
    while (!ranges.empty()) {
        auto [lo, hi] = ranges.back();
        ranges.pop_back();
        if (lo >= hi)
            continue;
        const uint32_t pivot = order[lo];
        size_t i = lo + 1, j = hi, rounds = 0;
        for (;;) {
            while (i < j && cmp(pivot, order[i]) > 0)
                ++i;
            while (j > lo && cmp(pivot, order[j]) <= 0)
                --j;
            if (i >= j)
                break;
            std::swap(order[i], order[j]);
            if (++rounds > hi - lo) {
                ++i;
                --j;
            }
        }
        std::swap(order[lo], order[j]);
        if (j + 1 < hi)
            ranges.emplace_back(j + 1, hi);
        if (j > lo + 1)
            ranges.emplace_back(lo, j - 1);
    }
}

// Sorts items; returns false when UNIQUESORT found equal items.
bool SortItems(Vm& vm, std::vector<Value>& items, std::vector<uint32_t>& order,
               const std::function<int(const Value&, const Value&)>& cmp, int flags) {
    order.resize(items.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    bool equalSeen = false;
    QuickSortOrder(order, [&](uint32_t x, uint32_t y) {
        int c = cmp(items[x], items[y]);
        if (c == 0)
            equalSeen = true;
        return (flags & kDescending) ? -c : c;
    });
    (void)vm;
    if ((flags & kUniqueSort) && equalSeen) {
        // Equal neighbours after sorting mean equal items.
        for (size_t i = 1; i < order.size(); ++i)
            if (cmp(items[order[i - 1]], items[order[i]]) == 0)
                return false;
    }
    return true;
}

Value FinishSort(Vm& vm, Object* o, std::vector<Value>& items, std::vector<uint32_t>& order, int flags, bool ok) {
    if (!ok)
        return Value::Num(0);
    if (flags & kReturnIndexedArray) {
        std::vector<Value> idx;
        for (uint32_t i : order)
            idx.push_back(Value::Num(i));
        return Value::Obj(vm.NewArray(idx));
    }
    std::vector<Value> sorted;
    for (uint32_t i : order)
        sorted.push_back(items[i]);
    Store(vm, o, sorted);
    return Value::Obj(o);
}

// The field sortOn compares: an object's own stored value (no prototypes, no getters; the
// length of a String or Array object); a primitive element stands for itself.
Value SortKey(Vm& vm, const Value& item, const std::string& field) {
    if (item.type != Type::Object)
        return item;
    Object* o = item.object;
    if ((o->kind == Kind::String || o->kind == Kind::Array) && NamesEqual(field, "length", vm.CaseSensitive()))
        return vm.GetOf(o, field);
    Property* p = o->FindOwn(field, vm.CaseSensitive());
    return p && !p->IsAccessor() ? p->value : Value();
}

enum Method { kPush, kPop, kShift, kUnshift, kSplice, kSlice, kConcat, kJoin, kReverse, kSort, kSortOn, kToString };

Value ArrayMethod(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    Object* o = This(vm, self);
    if (!o)
        return Value();
    switch (m) {
    case kPush: {
        uint32_t n = vm.LengthOf(o);
        for (auto& a : args)
            vm.SetElement(o, n++, a);
        if (o->kind != Kind::Array)
            vm.SetOf(o, "length", Value::Num(n));
        return Value::Num(n);
    }
    case kPop: {
        uint32_t n = vm.LengthOf(o);
        if (n == 0)
            return Value();
        Value v = vm.Element(o, n - 1);
        vm.SetLength(o, n - 1);
        return v;
    }
    case kShift: {
        // Each element moves down one (deleted, then set again, so that it becomes the newest
        // property unless it may not be deleted); the last one is deleted.
        uint32_t n = vm.LengthOf(o);
        if (n > vm.limits.maxArrayLength)
            throw ScriptAbort{RunEnd::TooLarge};
        if (n == 0)
            return Value();
        Value v = vm.Element(o, 0);
        for (uint32_t i = 1; i < n; ++i)
            ReplaceElement(vm, o, i - 1, vm.Element(o, i));
        vm.DeleteOf(o, std::to_string(n - 1));
        vm.SetLength(o, n - 1);
        return v;
    }
    case kUnshift: {
        // Elements move up from the last one down, then the new ones are set from the first.
        uint32_t n = vm.LengthOf(o);
        uint32_t k = static_cast<uint32_t>(args.size());
        if (static_cast<uint64_t>(n) + k > vm.limits.maxArrayLength)
            throw ScriptAbort{RunEnd::TooLarge};
        for (uint32_t i = n; i-- > 0;)
            ReplaceElement(vm, o, i + k, vm.Element(o, i));
        for (uint32_t i = 0; i < k; ++i)
            ReplaceElement(vm, o, i, args[i]);
        vm.SetLength(o, n + k);
        return Value::Num(n + k);
    }
    case kSplice: {
        if (args.empty() || args[0].IsUndefined() || (args.size() > 1 && args[1].IsUndefined()))
            return Value();
        std::vector<Value> items = Items(vm, o);
        double len = static_cast<double>(items.size());
        double start = RelIndex(vm, args[0], len, 0);
        double count = args.size() > 1 ? std::trunc(vm.ToNumber(args[1])) : len - start;
        if (std::isnan(count))
            count = 0;
        if (count < 0)
            return Value();
        count = std::min(count, len - start);
        size_t s = static_cast<size_t>(start), c = static_cast<size_t>(count);
        std::vector<Value> removed(items.begin() + static_cast<long>(s), items.begin() + static_cast<long>(s + c));
        items.erase(items.begin() + static_cast<long>(s), items.begin() + static_cast<long>(s + c));
        if (args.size() > 2)
            items.insert(items.begin() + static_cast<long>(s), args.begin() + 2, args.end());
        Store(vm, o, items);
        return Value::Obj(vm.NewArray(removed));
    }
    case kSlice: {
        std::vector<Value> items = Items(vm, o);
        double len = static_cast<double>(items.size());
        double s = RelIndex(vm, Arg(args, 0), len, 0), e = RelIndex(vm, Arg(args, 1), len, len);
        std::vector<Value> out;
        for (double i = s; i < e; ++i)
            out.push_back(items[static_cast<size_t>(i)]);
        return Value::Obj(vm.NewArray(out));
    }
    case kConcat: {
        std::vector<Value> items = Items(vm, o);
        for (auto& a : args) {
            if (a.type == Type::Object && a.object->kind == Kind::Array) {
                auto more = Items(vm, a.object);
                items.insert(items.end(), more.begin(), more.end());
            } else {
                items.push_back(a);
            }
            if (items.size() > vm.limits.maxArrayLength)
                throw ScriptAbort{RunEnd::TooLarge};
        }
        return Value::Obj(vm.NewArray(items));
    }
    case kJoin: {
        std::string sep = args.empty() || args[0].IsUndefined() ? "," : vm.ToString(args[0]);
        return Value::Str(Join(vm, o, sep));
    }
    case kToString:
        return Value::Str(Join(vm, o, ","));
    case kReverse: {
        std::vector<Value> items = Items(vm, o);
        std::reverse(items.begin(), items.end());
        Store(vm, o, items);
        return Value::Obj(o);
    }
    case kSort: {
        std::vector<Value> items = Items(vm, o);
        Value fn;
        int flags = 0;
        size_t ai = 0;
        if (ai < args.size() && vm.IsFunction(args[ai])) {
            fn = args[ai++];
            if (ai < args.size())
                flags = vm.ToInt(args[ai]);
        } else if (!args.empty()) {
            // Undefined, null or a boolean where the compare function goes sorts nothing; a
            // defined second argument gives the flags, else the first does.
            Type t = args[0].type;
            if (t == Type::Undefined || t == Type::Null || t == Type::Boolean)
                return Value();
            flags = vm.ToInt(args.size() > 1 && !args[1].IsUndefined() ? args[1] : args[0]);
        }
        std::vector<uint32_t> order;
        std::function<int(const Value&, const Value&)> cmp;
        if (vm.IsFunction(fn)) {
            cmp = [&](const Value& a, const Value& b) {
                double r = vm.ToNumber(vm.Call(fn, Value(), {a, b}));
                return std::isnan(r) ? 0 : (r < 0 ? -1 : (r > 0 ? 1 : 0));
            };
        } else {
            cmp = [&](const Value& a, const Value& b) { return CompareByFlags(vm, a, b, flags); };
        }
        bool ok = SortItems(vm, items, order, cmp, flags);
        return FinishSort(vm, o, items, order, flags, ok);
    }
    case kSortOn: {
        if (args.empty())
            return Value();
        std::vector<Value> items = Items(vm, o);
        std::vector<std::string> fields;
        std::vector<int> flagList;
        Value f0 = Arg(args, 0);
        if (f0.type == Type::Object && f0.object->kind == Kind::Array) {
            for (auto& v : Items(vm, f0.object))
                fields.push_back(vm.ToString(v));
        } else if (!f0.IsUndefined()) {
            fields.push_back(vm.ToString(f0));
        }
        Value f1 = Arg(args, 1);
        if (f1.type == Type::Object && f1.object->kind == Kind::Array) {
            for (auto& v : Items(vm, f1.object))
                flagList.push_back(vm.ToInt(v));
        } else if (!f1.IsUndefined()) {
            flagList.assign(std::max<size_t>(fields.size(), 1), vm.ToInt(f1));
        }
        // A list of flags that does not match the fields is ignored; one number serves all.
        if (flagList.size() != fields.size())
            flagList.assign(fields.size(), f1.IsNumber() || f1.IsString() ? vm.ToInt(f1) : 0);
        int first = flagList.empty() ? 0 : flagList[0];
        std::vector<uint32_t> order;
        auto cmp = [&](const Value& a, const Value& b) {
            for (size_t i = 0; i < fields.size(); ++i) {
                Value x = SortKey(vm, a, fields[i]), y = SortKey(vm, b, fields[i]);
                int c = CompareByFlags(vm, x, y, flagList[i]);
                if (i > 0 && (flagList[i] & kDescending) != (first & kDescending))
                    c = -c;
                if (c)
                    return c;
            }
            return 0;
        };
        bool ok = SortItems(vm, items, order, cmp, first);
        return FinishSort(vm, o, items, order, first, ok);
    }
    }
    return Value();
}

}  // namespace

void InstallArrayBuiltins(Vm& vm) {
    Object* proto = vm.NewObject();
    vm.arrayProto = proto;
    Object* ctor = vm.NewFunction(ArrayCtor, 0, proto);
    vm.arrayCtor = ctor;
    vm.global->SetOwn("Array", Value::Obj(ctor), false, kDontEnum);
    const std::pair<const char*, int> methods[] = {{"push", kPush},       {"pop", kPop},       {"shift", kShift},
                                                   {"unshift", kUnshift}, {"splice", kSplice}, {"slice", kSlice},
                                                   {"concat", kConcat},   {"join", kJoin},     {"reverse", kReverse},
                                                   {"sort", kSort},       {"sortOn", kSortOn}, {"toString", kToString}};
    for (auto& [n, m] : methods)
        vm.Method(proto, n, ArrayMethod, m);
    const std::pair<const char*, int> consts[] = {{"CASEINSENSITIVE", kCaseInsensitive},
                                                  {"DESCENDING", kDescending},
                                                  {"UNIQUESORT", kUniqueSort},
                                                  {"RETURNINDEXEDARRAY", kReturnIndexedArray},
                                                  {"NUMERIC", kNumeric}};
    for (auto& [n, v] : consts)
        ctor->SetOwn(n, Value::Num(v), false, kDontEnum | kDontDelete | kReadOnly);
}

}  // namespace script
