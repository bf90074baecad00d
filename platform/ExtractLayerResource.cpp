// Writes the carried layer library to disk. Only a complete file counts: a file that could not
// be created, or a write that failed or came up short, is a failure, so the hook never goes on
// to load whatever library happened to be lying at the path already.
#include "platform/Handles.h"
#include "platform/UnicodeLayerLoader.h"

bool ExtractLayerResource(WORD id, const char* path) noexcept {
    // A null module means the program's own file, which carries the library.
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), kLayerResourceType);
    if (!found)
        return false;
    HGLOBAL loaded = LoadResource(nullptr, found);
    if (!loaded)
        return false;
    const void* bytes = LockResource(loaded);
    const DWORD size = SizeofResource(nullptr, found);
    if (!bytes || size == 0)
        return false;

    UniqueFileHandle file(
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    const bool complete = WriteFile(file.get(), bytes, size, &written, nullptr) && written == size;
    file.reset();
    if (!complete) {
        DeleteFileA(path);  // a truncated library must not be mistaken for the real one
        return false;
    }
    return true;
}
