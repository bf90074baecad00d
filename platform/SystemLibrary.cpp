#include "platform/SystemLibrary.h"

#include "platform/GrowingBuffer.h"

std::wstring GetSystemFolder() {
    // Too small a buffer gives the size needed; empty when the system folder cannot be read.
    return FillGrowingBuffer<wchar_t>(
        [](wchar_t* buffer, DWORD capacity) { return ::GetSystemDirectoryW(buffer, capacity); });
}

UniqueModule LoadSystemLibrary(const std::wstring& fileName) {
    const std::wstring folder = GetSystemFolder();
    if (folder.empty())
        return UniqueModule();
    const std::wstring path = folder + L"\\" + fileName;
    return UniqueModule(::LoadLibraryW(path.c_str()));
}
