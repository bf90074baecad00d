// Fuzz target: the album walk and the record reader on arbitrary files. Any input must end in
// a clear status without reading outside the file or allocating from an unchecked size.
#include "payload/AlbumFormat.h"
#include "payload/AlbumNames.h"
#include "MemoryAlbum.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    testing_album::MemorySource source(std::string(reinterpret_cast<const char*>(data), size));
    const album::WalkResult walk = album::Walk(source);
    if (walk.status != album::WalkStatus::Ok)
        return 0;
    // A valid block: visit the records as the loader does and check each name.
    const uint64_t end = walk.layout.fileSize - album::kTrailerSize;
    uint64_t at = walk.layout.dependenciesOffset;
    for (int32_t i = 0; i < walk.layout.dependencyCount; ++i) {
        const auto record = album::ReadDependency(source, at, end);
        if (!record)
            __builtin_trap();  // the walk accepted what the reader refuses
        // The player's rule is the narrower one: a name the tool would store, it writes.
        if (album::IsSafeFileName(record->name) && album::UnsafeStoredName(record->name))
            __builtin_trap();
        at = record->next();
    }
    if (at != walk.layout.swfSizeOffset)
        __builtin_trap();
    return 0;
}
