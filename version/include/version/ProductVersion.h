// A four-part version, major.minor.release.build: what an album requires and what the installed
// movie control's file version carries. Ordered part by part, the major part first. Portable.
#pragma once

#include <compare>
#include <cstdint>

struct ProductVersion {
    uint32_t major = 0, minor = 0, release = 0, build = 0;

    friend auto operator<=>(const ProductVersion&, const ProductVersion&) = default;
};
