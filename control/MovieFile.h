// Reads a file the control plays or the movie loads, with its size bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace control {

// The bytes of the file at `path`, or nullopt when it is missing, unreadable or larger than
// `maxBytes`; `problem`, when given, says why. Never throws.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::wstring& path, size_t maxBytes,
                                                  std::string* problem = nullptr) noexcept;

}  // namespace control
