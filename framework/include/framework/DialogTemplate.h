// Reading of dialog templates in both forms (classic DLGTEMPLATE and extended DLGTEMPLATEEX),
// and rebuilding a template without some of its items: the framework takes the items that
// name an ActiveX control out before the system creates the dialog, and creates those
// controls itself.
//
// Every length and offset is checked against the template's size; a template that does not
// fit gives no result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct DialogTemplateItem {
    std::size_t offset = 0;  // where the item starts (a 4-byte boundary)
    std::size_t size = 0;    // bytes up to the end of its creation data
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;  // dialog units
    std::uint32_t id = 0;                       // 16 bits in the classic form
    std::uint16_t classOrdinal = 0;             // a predefined class by number, or 0
    std::wstring className;                     // the class by name, when not by number
};

struct DialogTemplateInfo {
    bool extended = false;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::size_t headerSize = 0;  // bytes before the first item's alignment padding
    std::vector<DialogTemplateItem> items;
};

std::optional<DialogTemplateInfo> ParseDialogTemplate(std::span<const std::byte> data);

// True when the item's class text names an ActiveX control by class identifier.
bool NamesClassIdentifier(const DialogTemplateItem& item);

// A copy of the template that keeps only the items marked true, in their order, with the item
// count adjusted. The storage is 4-byte aligned, as the dialog functions require.
std::vector<std::uint32_t> RebuildDialogTemplate(std::span<const std::byte> data, const DialogTemplateInfo& info,
                                                 const std::vector<bool>& keep);
