#include "Amf0.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "script/Vm.h"

namespace script {
namespace {

enum Marker : uint8_t {
    kNumber = 0x00,
    kBoolean = 0x01,
    kString = 0x02,
    kObject = 0x03,
    kNull = 0x05,
    kUndefined = 0x06,
    kReference = 0x07,
    kEcmaArray = 0x08,
    kObjectEnd = 0x09,
    kStrictArray = 0x0A,
    kDate = 0x0B,
    kLongString = 0x0C,
    kXmlDocument = 0x0F,
    kTypedObject = 0x10,
};

// Nesting deeper than this writes undefined and reads as undefined: the native stack stays small.
// The reader takes one level more, for the undefined the writer put where it stopped.
constexpr int kMaxNesting = 256;
// Arrays longer than this (sparse ones, mostly) are written with names, not element by element.
constexpr uint32_t kMaxDenseLength = 1u << 20;

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v >> 16);
    PutU16(out, v & 0xFFFF);
}
void PutDouble(std::vector<uint8_t>& out, double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    PutU32(out, uint32_t(bits >> 32));
    PutU32(out, uint32_t(bits));
}
// A name or a short text: 16-bit length, cut at 65535 bytes.
void PutShortText(std::vector<uint8_t>& out, std::string_view s) {
    const size_t n = std::min<size_t>(s.size(), 0xFFFF);
    PutU16(out, uint32_t(n));
    out.insert(out.end(), s.begin(), s.begin() + n);
}
void PutText(std::vector<uint8_t>& out, std::string_view s) {
    if (s.size() <= 0xFFFF) {
        out.push_back(kString);
        PutShortText(out, s);
        return;
    }
    out.push_back(kLongString);
    PutU32(out, uint32_t(std::min<size_t>(s.size(), 0xFFFFFFFFu)));
    out.insert(out.end(), s.begin(), s.end());
}

// "0", "1", ... as an array names its elements (no sign, no leading zero).
bool IsIndexName(const std::string& name, uint32_t length) {
    if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == '0'))
        return false;
    uint64_t v = 0;
    for (char c : name) {
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + uint64_t(c - '0');
    }
    return v < length;
}

class Writer {
public:
    Writer(Vm& vm, std::vector<uint8_t>& out, Amf0Options options) : m_vm(vm), m_out(out), m_options(options) {
        const Value xml = vm.GetOf(vm.global, "XML");
        m_xmlCtor = xml.IsObject() ? xml.object : nullptr;
    }

    void Write(const Value& v, int nesting) {
        switch (v.type) {
        case Type::Undefined:
            m_out.push_back(kUndefined);
            return;
        case Type::Null:
            m_out.push_back(kNull);
            return;
        case Type::Boolean:
            m_out.push_back(kBoolean);
            m_out.push_back(v.boolean ? 1 : 0);
            return;
        case Type::Number:
            m_out.push_back(kNumber);
            PutDouble(m_out, v.number);
            return;
        case Type::String:
            PutText(m_out, v.string);
            return;
        case Type::Object:
            WriteObject(v.object, nesting);
            return;
        }
    }

    void WriteProperty(const std::string& name, const Value& v, int nesting) {
        PutShortText(m_out, name);
        Write(v, nesting);
    }

    void WriteEntries(Object* o) {
        for (const std::string& n : OwnEnumerableNames(o)) {
            const Value v = m_vm.GetOf(o, n);
            if (m_vm.IsFunction(v))
                continue;
            WriteProperty(n, v, 1);
            m_out.push_back(0);
        }
    }

private:
    void WriteObject(Object* o, int nesting) {
        if (o->kind == Kind::Clip || nesting >= kMaxNesting) {
            m_out.push_back(kUndefined);
            return;
        }
        if (o->kind == Kind::Date) {
            m_out.push_back(kDate);
            PutDouble(m_out, o->primitive.IsNumber() ? o->primitive.number : NAN);
            PutU16(m_out, 0);  // time zone, unused
            return;
        }
        if (m_xmlCtor && m_vm.InstanceOf(o, m_xmlCtor)) {
            const std::string text = m_vm.ToString(Value::Obj(o));
            m_out.push_back(kXmlDocument);
            PutU32(m_out, uint32_t(std::min<size_t>(text.size(), 0xFFFFFFFFu)));
            m_out.insert(m_out.end(), text.begin(), text.end());
            return;
        }
        for (size_t i = 0; m_options.references && i < m_seen.size(); ++i)
            if (m_seen[i] == o) {
                m_out.push_back(kReference);
                PutU16(m_out, uint32_t(std::min<size_t>(i, 0xFFFF)));
                return;
            }
        m_seen.push_back(o);
        const std::vector<std::string> names = OwnEnumerableNames(o);
        if (o->kind == Kind::Array) {
            const uint32_t length = m_vm.LengthOf(o);
            bool dense = m_options.denseArrays && length <= kMaxDenseLength;
            for (const std::string& n : names)
                dense = dense && IsIndexName(n, length);
            if (dense) {
                m_out.push_back(kStrictArray);
                PutU32(m_out, length);
                for (uint32_t i = 0; i < length; ++i)
                    Write(m_vm.Element(o, i), nesting + 1);
                return;
            }
            m_out.push_back(kEcmaArray);
            PutU32(m_out, length);
        } else {
            m_out.push_back(kObject);
        }
        for (const std::string& n : names) {
            const Value v = m_vm.GetOf(o, n);
            if (!m_vm.IsFunction(v))
                WriteProperty(n, v, nesting + 1);
        }
        PutU16(m_out, 0);
        m_out.push_back(kObjectEnd);
    }

    // Own enumerable properties in the order they were made.
    std::vector<std::string> OwnEnumerableNames(Object* o) {
        std::vector<std::string> names;
        o->ForEachProperty([&](Property& p) {
            if (!(p.flags & kDontEnum) && VisibleTo(p.flags, m_vm.curVersion))
                names.push_back(p.name);
        });
        return names;
    }

    Vm& m_vm;
    std::vector<uint8_t>& m_out;
    Amf0Options m_options;
    Object* m_xmlCtor = nullptr;
    std::vector<Object*> m_seen;
};

class Reader {
public:
    Reader(Vm& vm, const uint8_t* data, size_t size, size_t& pos) : m_vm(vm), m_data(data), m_size(size), m_pos(pos) {}

    Value Read(int nesting) {
        if (!Has(1) || nesting > kMaxNesting)
            return Broken();
        const uint8_t marker = m_data[m_pos++];
        switch (marker) {
        case kNumber:
            return Has(8) ? Value::Num(TakeDouble()) : Broken();
        case kBoolean:
            return Has(1) ? Value::Bool(m_data[m_pos++] != 0) : Broken();
        case kString:
            return Value::Str(TakeText(TakeU16()));
        case kLongString:
            return Value::Str(TakeText(TakeU32()));
        case kNull:
            return Value::Null();
        case kUndefined:
            return Value();
        case kReference: {
            const uint32_t i = TakeU16();
            return i < m_seen.size() ? Value::Obj(m_seen[i]) : Value();
        }
        case kObject:
        case kTypedObject: {
            if (marker == kTypedObject)
                TakeText(TakeU16());  // the class name
            Object* o = m_vm.NewObject();
            m_seen.push_back(o);
            ReadProperties(o, nesting);
            return Value::Obj(o);
        }
        case kEcmaArray: {
            Object* a = m_vm.NewArray();
            m_seen.push_back(a);
            TakeU32();  // the count is a hint; the properties end with the end marker
            ReadProperties(a, nesting);
            return Value::Obj(a);
        }
        case kStrictArray: {
            Object* a = m_vm.NewArray();
            m_seen.push_back(a);
            const uint32_t n = TakeU32();
            // Each element takes a byte at least: a count past the data is broken.
            if (n > m_size - m_pos)
                return Broken();
            for (uint32_t i = 0; i < n && m_pos < m_size; ++i)
                m_vm.SetElement(a, i, Read(nesting + 1));
            m_vm.SetLength(a, n);
            return Value::Obj(a);
        }
        case kDate: {
            if (!Has(10))
                return Broken();
            Object* d = m_vm.NewObject(m_vm.dateProto);
            d->kind = Kind::Date;
            d->primitive = Value::Num(TakeDouble());
            TakeU16();
            return Value::Obj(d);
        }
        case kXmlDocument: {
            const std::string text = TakeText(TakeU32());
            return m_vm.Construct(m_vm.GetOf(m_vm.global, "XML"), {Value::Str(text)});
        }
        default:
            return Broken();
        }
    }

    void ReadEntries(Object* into) {
        while (Has(3)) {
            const std::string name = TakeText(TakeU16());
            const Value v = Read(1);
            if (Has(1))
                ++m_pos;  // the zero byte after each entry
            m_vm.SetOf(into, name, v);
        }
    }

private:
    void ReadProperties(Object* o, int nesting) {
        while (Has(3)) {
            const uint32_t n = TakeU16();
            if (n == 0 && m_data[m_pos] == kObjectEnd) {
                ++m_pos;
                return;
            }
            const std::string name = TakeText(n);
            if (m_pos >= m_size)
                break;
            m_vm.SetOf(o, name, Read(nesting + 1));
        }
        m_pos = m_size;
    }

    bool Has(size_t n) const { return m_pos <= m_size && m_size - m_pos >= n; }
    Value Broken() {
        m_pos = m_size;
        return Value();
    }
    uint32_t TakeU16() {
        if (!Has(2)) {
            m_pos = m_size;
            return 0;
        }
        const uint32_t v = uint32_t(m_data[m_pos]) << 8 | m_data[m_pos + 1];
        m_pos += 2;
        return v;
    }
    uint32_t TakeU32() {
        const uint32_t hi = TakeU16();
        return hi << 16 | TakeU16();
    }
    double TakeDouble() {
        const uint64_t hi = TakeU32();
        const uint64_t bits = hi << 32 | TakeU32();
        double d;
        std::memcpy(&d, &bits, 8);
        return d;
    }
    std::string TakeText(uint32_t n) {
        if (!Has(n)) {
            m_pos = m_size;
            return {};
        }
        std::string s(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return s;
    }

    Vm& m_vm;
    const uint8_t* m_data;
    size_t m_size;
    size_t& m_pos;
    std::vector<Object*> m_seen;
};

}  // namespace

void WriteAmf0(Vm& vm, const Value& v, std::vector<uint8_t>& out, Amf0Options options) {
    Writer(vm, out, options).Write(v, 0);
}

void WriteAmf0Entries(Vm& vm, Object* o, std::vector<uint8_t>& out) {
    Writer(vm, out, {}).WriteEntries(o);
}

void ReadAmf0Entries(Vm& vm, const uint8_t* data, size_t size, size_t pos, Object* into) {
    Reader(vm, data, size, pos).ReadEntries(into);
}

Value ReadAmf0(Vm& vm, const uint8_t* data, size_t size, size_t& pos) {
    return Reader(vm, data, size, pos).Read(0);
}

Value CopyThroughAmf0(Vm& vm, const Value& v, Amf0Options options) {
    std::vector<uint8_t> bytes;
    WriteAmf0(vm, v, bytes, options);
    size_t pos = 0;
    return ReadAmf0(vm, bytes.data(), bytes.size(), pos);
}

}  // namespace script
