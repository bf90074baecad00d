// Fuzz target: the movie header reader, the decompressor and the tag walk the control uses.
#include "movie/SwfHeader.h"
#include "movie/SwfTags.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto header = movie::ReadSwfHeader(data, size);
    const auto image = movie::DecompressSwf(data, size, size_t(1) << 22);
    if (header && image && header->headerLength <= image->size())
        movie::ScanTimeline(image->data(), image->size(), header->headerLength);
    return 0;
}
