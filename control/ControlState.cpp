#include "control/ControlState.h"

#include <cstring>

namespace control {
namespace {

uint16_t ReadU16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(uint8_t(v >> shift));
}

std::nullopt_t Refuse(std::string* problem, const char* text) {
    if (problem)
        *problem = text;
    return std::nullopt;
}

PersistedValue Text(std::u16string text) {
    return {kValueText, std::move(text), false};
}
PersistedValue Flag(bool flag) {
    return {kValueFlag, {}, flag};
}

// Reads the units of a text whose byte count has been checked; the text ends at the first NUL.
bool ReadText(ByteInput& input, uint32_t byteCount, std::u16string& text) {
    std::vector<uint8_t> bytes(byteCount);
    if (!input.Read(bytes.data(), bytes.size()))
        return false;
    const size_t units = byteCount / 2;
    if (ReadU16(&bytes[(units - 1) * 2]) != 0)
        return false;
    text.clear();
    for (size_t i = 0; i < units; ++i) {
        const char16_t unit = char16_t(ReadU16(&bytes[i * 2]));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return true;
}

}  // namespace

std::u16string_view ControlState::TextAt(size_t slot) const {
    if (slot >= values.size() || values[slot].type != kValueText)
        return {};
    return values[slot].text;
}

bool ControlState::FlagAt(size_t slot, bool otherwise) const {
    if (slot >= values.size() || values[slot].type != kValueFlag)
        return otherwise;
    return values[slot].flag;
}

void ControlState::SetText(size_t slot, std::u16string text) {
    if (slot < values.size())
        values[slot] = {kValueText, std::move(text), false};
}

void ControlState::SetFlag(size_t slot, bool flag) {
    if (slot < values.size())
        values[slot] = {kValueFlag, {}, flag};
}

ControlState DefaultControlState() {
    ControlState state;
    state.extentWidth = 14552;   // 550 pixels at 96 dpi
    state.extentHeight = 10583;  // 400 pixels
    state.values = {Text(u""),     Text(u""),   Text(u""),  Text(u"Window"), Flag(true),          Flag(true),
                    Text(u"High"), Text(u""),   Flag(true), Text(u""),       Text(u"sameDomain"), Text(u"ShowAll"),
                    Flag(false),   Flag(false), Text(u""),  Text(u"")};
    return state;
}

bool MemoryInput::Read(void* buffer, size_t size) {
    if (size > m_size - m_pos)
        return false;
    std::memcpy(buffer, m_data + m_pos, size);
    m_pos += size;
    return true;
}

std::optional<ControlState> ReadControlState(ByteInput& input, std::string* problem) {
    uint8_t head[16];
    if (!input.Read(head, 4))
        return Refuse(problem, "the stream ends before its signature");
    if (ReadU32(head) != kStreamSignature)
        return Refuse(problem, "the stream signature is not 0x55665567");
    if (!input.Read(head + 4, 12))
        return Refuse(problem, "the stream ends inside its header");

    ControlState state;
    state.header = ReadU32(head + 4);
    state.extentWidth = int32_t(ReadU32(head + 8));
    state.extentHeight = int32_t(ReadU32(head + 12));

    for (PersistedValue& value : state.values) {
        uint8_t field[4];
        if (!input.Read(field, 2))
            return Refuse(problem, "the stream ends before a value's type");
        value.type = ReadU16(field);
        if (value.type == kValueFlag) {
            if (!input.Read(field, 2))
                return Refuse(problem, "the stream ends inside a flag");
            value.flag = ReadU16(field) != 0;
        } else if (value.type == kValueText) {
            if (!input.Read(field, 4))
                return Refuse(problem, "the stream ends before a text's length");
            const uint32_t byteCount = ReadU32(field);
            if (byteCount == 0 || byteCount % 2 != 0 || byteCount > kMaxTextBytes) {
                return Refuse(problem, "a text length is zero, odd or too large");
            }
            if (!ReadText(input, byteCount, value.text)) {
                return Refuse(problem, "a text is cut short or lacks its terminating NUL");
            }
        } else {
            return Refuse(problem, "a value has a type other than text or flag");
        }
    }
    return state;
}

std::vector<uint8_t> WriteControlState(const ControlState& state) {
    std::vector<uint8_t> out;
    PutU32(out, kStreamSignature);
    PutU32(out, state.header);
    PutU32(out, uint32_t(state.extentWidth));
    PutU32(out, uint32_t(state.extentHeight));
    for (const PersistedValue& value : state.values) {
        PutU16(out, value.type);
        if (value.type == kValueFlag) {
            PutU16(out, value.flag ? 0xFFFF : 0x0000);
        } else {
            PutU32(out, uint32_t((value.text.size() + 1) * 2));
            for (char16_t unit : value.text)
                PutU16(out, uint16_t(unit));
            PutU16(out, 0);
        }
    }
    return out;
}

}  // namespace control
