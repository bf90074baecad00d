// The control's persisted property stream: its header, its extent and sixteen typed values, four
// of which are the named settings the control honours. Portable: no Windows headers.
//
// Layout (little-endian): signature 0x55665567, header value, extent width and height in
// HIMETRIC (hundredths of a millimetre), then 16 values, each a 16-bit type followed by
//   type 8 (text): 32-bit byte count including one NUL unit, the UTF-16LE units and the NUL;
//   type 11 (flag): 16 bits, 0xFFFF true, 0 false.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace control {

constexpr uint32_t kStreamSignature = 0x55665567;
constexpr uint32_t kStreamHeader = 0x300;
constexpr size_t kPersistedValueCount = 16;
constexpr uint16_t kValueText = 8;   // VT_BSTR
constexpr uint16_t kValueFlag = 11;  // VT_BOOL
// A text longer than this is taken for a broken stream rather than allocated.
constexpr uint32_t kMaxTextBytes = 1u << 20;

// Where the named settings stand among the sixteen values (0-based).
constexpr size_t kWindowModeSlot = 3;
constexpr size_t kQualitySlot = 6;
constexpr size_t kScriptAccessSlot = 10;
constexpr size_t kScaleSlot = 11;
// Values of our own choosing beside them: whether the movie starts playing, whether it loops,
// and the stage's alignment (letters L, T, R, B).
constexpr size_t kPlaySlot = 4;
constexpr size_t kLoopSlot = 5;
constexpr size_t kAlignSlot = 7;

struct PersistedValue {
    uint16_t type = kValueText;
    std::u16string text;  // for kValueText
    bool flag = false;    // for kValueFlag
    bool operator==(const PersistedValue&) const = default;
};

struct ControlState {
    uint32_t header = kStreamHeader;
    int32_t extentWidth = 0;  // HIMETRIC
    int32_t extentHeight = 0;
    std::array<PersistedValue, kPersistedValueCount> values;

    // The text at `slot`, or an empty text when that value is a flag. Valid while the state is.
    std::u16string_view TextAt(size_t slot) const;
    // The flag at `slot`, or `otherwise` when that value is a text.
    bool FlagAt(size_t slot, bool otherwise) const;
    // Sets the value at `slot` (its type becomes text or flag).
    void SetText(size_t slot, std::u16string text);
    void SetFlag(size_t slot, bool flag);
    std::u16string_view WindowMode() const { return TextAt(kWindowModeSlot); }
    std::u16string_view Quality() const { return TextAt(kQualitySlot); }
    std::u16string_view ScriptAccess() const { return TextAt(kScriptAccessSlot); }
    std::u16string_view Scale() const { return TextAt(kScaleSlot); }
    std::u16string_view Alignment() const { return TextAt(kAlignSlot); }
    bool PlayOnStart() const { return FlagAt(kPlaySlot, true); }
    bool Loop() const { return FlagAt(kLoopSlot, true); }
};

// The settings of a control that starts without a stream: windowed, high quality, scripting
// limited to the movie's own domain, whole stage shown; a 550 x 400 pixel extent at 96 dpi.
ControlState DefaultControlState();

// Sequential reads from wherever the stream lives. Read fills all `size` bytes or fails.
class ByteInput {
public:
    virtual ~ByteInput() = default;
    virtual bool Read(void* buffer, size_t size) = 0;
};

class MemoryInput final : public ByteInput {
public:
    MemoryInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool Read(void* buffer, size_t size) override;
    size_t Consumed() const { return m_pos; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Reads exactly one stream: the four header fields and the sixteen values, no byte further.
// nullopt with a reason for a wrong signature, an unknown value type, a text count that is odd,
// zero, above kMaxTextBytes or not NUL-terminated, or a stream that ends early.
std::optional<ControlState> ReadControlState(ByteInput& input, std::string* problem = nullptr);

// The stream for `state`, byte for byte what ReadControlState accepts.
std::vector<uint8_t> WriteControlState(const ControlState& state);

}  // namespace control
