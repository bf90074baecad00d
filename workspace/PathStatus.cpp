// Whether a path names an existing folder or an existing non-folder entry.
//
// Answers as the runtime's file-status query would: wildcards and a bare drive designator
// ("C:", which the system would read as that drive's current directory) name nothing, a
// present drive or share root is a folder.
#include "workspace/ExtractFolder.h"

#include <windows.h>

namespace {

enum class Entry { None, Folder, File };

Entry Status(const std::wstring& path) {
    if (path.find_first_of(L"?*") != std::wstring::npos)
        return Entry::None;
    if (path.size() == 2 && path[1] == L':')
        return Entry::None;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return Entry::None;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Entry::Folder : Entry::File;
}

}  // namespace

bool DirectoryExists(std::wstring path) {
    return Status(path) == Entry::Folder;
}

bool FileExists(std::wstring path) {
    return Status(path) == Entry::File;
}
