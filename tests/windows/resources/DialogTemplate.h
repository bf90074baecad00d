// A dialog template read back from its resource bytes, in either the classic or the
// extended form, with every field the system reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

// A name given either as text or as a number (stored as 0xFFFF followed by the number).
struct NameOrNumber {
    bool isNumber = false;
    std::uint16_t number = 0;
    std::wstring text;

    static NameOrNumber Number(std::uint16_t n) { return {true, n, {}}; }
    static NameOrNumber Text(std::wstring s) { return {false, 0, std::move(s)}; }
    bool operator==(const NameOrNumber&) const = default;
};

struct DialogItem {
    std::uint32_t helpId = 0;  // extended form only
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t id = 0;  // 16 bits in the classic form
    NameOrNumber windowClass;
    NameOrNumber text;
    std::vector<std::uint8_t> creationData;
    bool operator==(const DialogItem&) const = default;
};

struct DialogTemplate {
    bool extended = false;
    std::uint32_t helpId = 0;  // extended form only
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrNumber menu;
    NameOrNumber windowClass;
    std::wstring title;
    // Present when the style has DS_SETFONT; weight, italic and charset in the extended form only.
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charset = 0;
    std::wstring typeface;
    std::vector<DialogItem> items;
    bool operator==(const DialogTemplate&) const = default;
};

struct ParsedDialog {
    DialogTemplate dialog;
    std::size_t length = 0;  // bytes up to the end of the last item
};

// nullopt when the bytes end before the template does.
std::optional<ParsedDialog> ParseDialogTemplate(std::span<const std::uint8_t> bytes);

// Readable forms for test failure messages.
std::ostream& operator<<(std::ostream& out, const NameOrNumber& name);
std::ostream& operator<<(std::ostream& out, const DialogItem& item);
std::ostream& operator<<(std::ostream& out, const DialogTemplate& dialog);
