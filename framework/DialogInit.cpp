#include "framework/DialogInit.h"

#include <algorithm>

namespace {

std::uint32_t ReadLittleEndian(std::span<const std::byte> bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = bytes.size(); i-- > 0;)
        value = (value << 8) | std::to_integer<std::uint32_t>(bytes[i]);
    return value;
}

}  // namespace

std::optional<std::vector<DialogInitEntry>> ParseDialogInit(std::span<const std::byte> data) {
    std::vector<DialogInitEntry> entries;
    std::size_t pos = 0;
    for (;;) {
        if (data.size() - pos < 2)
            return std::nullopt;
        DialogInitEntry entry;
        entry.controlId = static_cast<std::uint16_t>(ReadLittleEndian(data.subspan(pos, 2)));
        if (entry.controlId == 0)
            return entries;
        if (data.size() - pos < 8)
            return std::nullopt;
        entry.message = static_cast<std::uint16_t>(ReadLittleEndian(data.subspan(pos + 2, 2)));
        const std::uint32_t length = ReadLittleEndian(data.subspan(pos + 4, 4));
        pos += 8;
        if (length > data.size() - pos)
            return std::nullopt;
        entry.data = data.subspan(pos, length);
        pos += length;
        entries.push_back(entry);
    }
}

bool IsHostedControlInitMessage(std::uint16_t message) {
    return message >= 0x0376 && message <= 0x037B;
}

std::optional<std::span<const std::byte>> PersistedStreamOf(const DialogInitEntry& entry) {
    if (entry.message != kInitLoadFromStream || entry.data.size() < 4)
        return std::nullopt;
    const std::uint64_t keyBytes = std::uint64_t{ReadLittleEndian(entry.data.first(4))} * 2;
    if (keyBytes > entry.data.size() - 4)
        return std::nullopt;
    return entry.data.subspan(4 + static_cast<std::size_t>(keyBytes));
}

std::optional<std::span<const std::byte>> FindPersistedStream(const std::vector<DialogInitEntry>& entries,
                                                              std::uint32_t controlId) {
    for (const DialogInitEntry& entry : entries) {
        if (entry.controlId == (controlId & 0xFFFF) && IsHostedControlInitMessage(entry.message))
            return PersistedStreamOf(entry);
    }
    return std::nullopt;
}

bool ApplyDialogInit(HWND dialog, const std::vector<DialogInitEntry>& entries) {
    bool ok = true;
    for (const DialogInitEntry& entry : entries) {
        if (IsHostedControlInitMessage(entry.message))
            continue;
        UINT message = 0;
        LRESULT refused = 0;
        if (entry.message == kInitListBoxAddString) {
            message = LB_ADDSTRING;
            refused = LB_ERR;
        } else if (entry.message == kInitComboBoxAddString) {
            message = CB_ADDSTRING;
            refused = CB_ERR;
        } else {
            ok = false;
            continue;
        }
        // The text is in the 8-bit code page, terminated inside the entry.
        if (std::find(entry.data.begin(), entry.data.end(), std::byte{0}) == entry.data.end()) {
            ok = false;
            continue;
        }
        const LRESULT result =
            SendDlgItemMessageA(dialog, entry.controlId, message, 0, reinterpret_cast<LPARAM>(entry.data.data()));
        if (result == refused || result == LB_ERRSPACE)
            ok = false;
    }
    return ok;
}
