// The dialog initialisation list (resource type 240, id = the template's id): entries
// {WORD control id, WORD message, DWORD length, bytes}, ended by a control id of 0.
//
// Messages used here: 0x0376 gives a hosted control its persisted state from a stream (the
// bytes are a 32-bit creation-key length in characters, the key, then the stream); the other
// hosted-control messages (0x0377 to 0x037B) are not carried by this framework's templates;
// 0x0401 and 0x0403 add a text to a list box or a combo box.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

constexpr std::uint16_t kInitLoadFromStream = 0x0376;
constexpr std::uint16_t kInitListBoxAddString = 0x0401;
constexpr std::uint16_t kInitComboBoxAddString = 0x0403;

struct DialogInitEntry {
    std::uint16_t controlId = 0;
    std::uint16_t message = 0;
    std::span<const std::byte> data;
};

// The entries in order; no result when an entry runs past the end or the end marker is missing.
std::optional<std::vector<DialogInitEntry>> ParseDialogInit(std::span<const std::byte> data);

// True for the messages that belong to hosted controls rather than ordinary ones.
bool IsHostedControlInitMessage(std::uint16_t message);

// The persisted stream of a load-from-stream entry: what follows the creation key. No result
// for another message or when the key length runs past the entry.
std::optional<std::span<const std::byte>> PersistedStreamOf(const DialogInitEntry& entry);

// The persisted stream for the hosted control with the id, if the list has one.
std::optional<std::span<const std::byte>> FindPersistedStream(const std::vector<DialogInitEntry>& entries,
                                                              std::uint32_t controlId);

// Sends the list-box and combo-box entries to the dialog's ordinary controls. False when a
// control refuses a text, an entry's text is not terminated, or an entry's message is unknown
// to this framework; entries for hosted controls are left to the control container.
bool ApplyDialogInit(HWND dialog, const std::vector<DialogInitEntry>& entries);
