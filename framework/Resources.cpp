#include "framework/Resources.h"

HINSTANCE AfxGetResourceHandle() {
    return GetModuleHandleW(nullptr);
}

std::wstring LoadResourceString(UINT id) {
    // With a zero buffer size the function hands out the entry in place, with its length.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr)
        return std::wstring();
    return std::wstring(text, static_cast<std::size_t>(length));
}

std::span<const std::byte> FindResourceBytes(HINSTANCE module, const wchar_t* type, UINT id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (found == nullptr)
        return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (bytes == nullptr)
        return {};
    return {static_cast<const std::byte*>(bytes), SizeofResource(module, found)};
}
