#include "Registration.h"

#include "control/MovieControlIds.h"
#include "platform/GrowingBuffer.h"
#include "platform/Handles.h"

#include <olectl.h>

#include <string>

namespace control {
namespace {

#define CLASS_KEY L"CLSID\\" MOVIE_CONTROL_CLSID_TEXT
constexpr wchar_t kClassKey[] = CLASS_KEY;
constexpr wchar_t kServerKey[] = CLASS_KEY L"\\InprocServer32";
constexpr wchar_t kControlKey[] = CLASS_KEY L"\\Control";
constexpr wchar_t kClassProgIdKey[] = CLASS_KEY L"\\ProgID";
constexpr wchar_t kProgIdKey[] = MOVIE_CONTROL_PROGID_TEXT;
constexpr wchar_t kProgIdClassKey[] = MOVIE_CONTROL_PROGID_TEXT L"\\CLSID";
#undef CLASS_KEY

bool SetText(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
    return RegSetKeyValueW(HKEY_CLASSES_ROOT, key, name, REG_SZ, value.c_str(),
                           DWORD((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool CreateKey(const wchar_t* key) {
    UniqueRegKey handle;
    return RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_WRITE, nullptr, handle.put(), nullptr) ==
           ERROR_SUCCESS;
}

// The default value of HKCR\key, or nothing when the key or its value is missing.
std::wstring ReadDefault(const wchar_t* key) {
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) != ERROR_SUCCESS ||
        bytes == 0) {
        return {};
    }
    std::wstring value(bytes / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_CLASSES_ROOT, key, nullptr, RRF_RT_REG_SZ, nullptr, value.data(), &bytes) != ERROR_SUCCESS) {
        return {};
    }
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

bool IsGone(LSTATUS status) {
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

HRESULT RegisterMovieControl(HMODULE module) noexcept {
    try {
        const std::wstring path = ModuleFileName(module);
        if (path.empty())
            return SELFREG_E_CLASS;
        const bool ok = SetText(kClassKey, nullptr, MOVIE_CONTROL_NAME_TEXT) && SetText(kServerKey, nullptr, path) &&
                        SetText(kServerKey, L"ThreadingModel", L"Apartment") && CreateKey(kControlKey) &&
                        SetText(kClassProgIdKey, nullptr, MOVIE_CONTROL_PROGID_TEXT) &&
                        SetText(kProgIdKey, nullptr, MOVIE_CONTROL_NAME_TEXT) &&
                        SetText(kProgIdClassKey, nullptr, MOVIE_CONTROL_CLSID_TEXT);
        return ok ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

HRESULT UnregisterMovieControl(HMODULE module) noexcept {
    try {
        const std::wstring registered = ReadDefault(kServerKey);
        if (!registered.empty() && !SameText(registered, ModuleFileName(module)))
            return S_FALSE;

        bool ok = IsGone(RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey));
        if (SameText(ReadDefault(kProgIdClassKey), MOVIE_CONTROL_CLSID_TEXT)) {
            ok = IsGone(RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgIdKey)) && ok;
        }
        return ok ? S_OK : SELFREG_E_CLASS;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace control
