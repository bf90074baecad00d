// Test support: an RGBA PNG read into memory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media_test {

struct RgbaImage {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4
};

// Empty image (width 0) when the file is missing or unreadable.
RgbaImage ReadPng(const std::string& path);

}  // namespace media_test
