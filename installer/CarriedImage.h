// The control as the installer carries it: one file in a zip archive, stored or deflated.
// Portable: no Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The bytes of the archive's first file, or nullopt with a reason when the archive is not one
// the build makes: no end record, an entry or header that lies outside the archive, a method
// other than stored (0) or deflate (8), a file larger than `maxBytes`, data that does not inflate
// to exactly the recorded size, or a checksum that differs.
std::optional<std::vector<uint8_t>> UnpackCarriedImage(const uint8_t* archive, size_t size, size_t maxBytes,
                                                       std::string* problem = nullptr);
