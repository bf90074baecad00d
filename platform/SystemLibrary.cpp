#include "platform/SystemLibrary.h"

namespace {

constexpr UINT kSystemFolderCapacity = MAX_PATH;

}  // namespace

std::wstring GetSystemFolder() {
    std::wstring folder(kSystemFolderCapacity, L'\0');
    UINT length = GetSystemDirectoryW(folder.data(), kSystemFolderCapacity);
    if (length >= kSystemFolderCapacity) {  // did not fit: length is the size needed
        folder.resize(length);
        length = GetSystemDirectoryW(folder.data(), length);
        if (length >= folder.size())
            length = 0;
    }
    folder.resize(length);  // empty when the system directory cannot be read
    return folder;
}

UniqueModule LoadSystemLibrary(const std::wstring& fileName) {
    const std::wstring folder = GetSystemFolder();
    if (folder.empty())
        return UniqueModule();
    const std::wstring path = folder + L"\\" + fileName;
    return UniqueModule(::LoadLibraryW(path.c_str()));
}
