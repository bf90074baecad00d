// What a flash.display.BitmapData object holds: its pixels (shared with the clips that show
// it), whether it has an alpha channel, and whether it has been disposed of.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "raster/Paint.h"
#include "script/Object.h"

namespace script {

// Bitmaps hold many pixels: the live ones together may hold no more than this many (a movie
// making bitmap after bitmap in one script gets no more objects, not an exhausted machine).
constexpr uint64_t kBitmapPixelBudget = uint64_t(1) << 26;

struct BitmapDataData : NativeData {
    BitmapDataData() = default;
    BitmapDataData(const BitmapDataData&) = delete;
    BitmapDataData& operator=(const BitmapDataData&) = delete;
    ~BitmapDataData() override { Release(); }
    // Counts `pixels` more against the budget; false (and nothing counted) when they do not fit.
    bool Reserve(uint64_t pixels);
    // Gives back what this bitmap counted.
    void Release();
    uint64_t counted = 0;

    std::shared_ptr<raster::Image> image = std::make_shared<raster::Image>();
    bool transparent = true;
    bool disposed = false;
    // paletteMap's lookup tables, kept between calls.
    std::array<uint32_t[256], 4> tables{};
};

// The live bitmap of a BitmapData object; null for anything else and for a disposed one.
inline BitmapDataData* LiveBitmapData(const Value& v) {
    if (v.type != Type::Object)
        return nullptr;
    auto* d = v.object->NativeAs<BitmapDataData>();
    return d && !d->disposed ? d : nullptr;
}

}  // namespace script
