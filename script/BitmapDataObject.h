// What a flash.display.BitmapData object holds: its pixels (shared with the clips that show
// it), whether it has an alpha channel, and whether it has been disposed of.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "raster/Paint.h"
#include "script/Object.h"

namespace script {

struct BitmapDataData : NativeData {
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
