#include "platform/SystemLibrary.h"

#include "flashcheck/ModuleVersion.h"

UniqueModule LoadSystemLibrary(const std::wstring& fileName) {
    const std::wstring folder = GetSystemFolder();
    if (folder.empty())
        return UniqueModule();
    const std::wstring path = folder + L"\\" + fileName;
    return UniqueModule(::LoadLibraryW(path.c_str()));
}
