// The installed version of a module, read from its version resource through the loader.
#include "flashcheck/ModuleVersion.h"

#include "platform/Handles.h"
#include "platform/GrowingBuffer.h"
#include "platform/SystemLibrary.h"

#include <cstring>

namespace {

constexpr DWORD kFixedInfoSignature = 0xFEEF04BD;

// The version functions of the system's version library, loaded from the system folder rather
// than imported (the library is not one the system always takes from its own folder).
struct VersionFunctions {
    UniqueModule library = LoadSystemLibrary(L"version.dll");
    decltype(&::GetFileVersionInfoSizeW) getSize =
        ProcedureAddress<decltype(getSize)>(library.get(), "GetFileVersionInfoSizeW");
    decltype(&::GetFileVersionInfoW) getInfo =
        ProcedureAddress<decltype(getInfo)>(library.get(), "GetFileVersionInfoW");
    decltype(&::VerQueryValueW) queryValue = ProcedureAddress<decltype(queryValue)>(library.get(), "VerQueryValueW");

    bool Loaded() const { return getSize && getInfo && queryValue; }
};

}  // namespace

bool ModuleVersion::Load(const std::wstring& path) {
    m_codePage = 1252;
    m_fixed = VS_FIXEDFILEINFO{};

    // Loading the file proves it is a module; the version is then read from the file the
    // loader actually mapped. The module is released on every way out.
    UniqueModule module(LoadLibraryW(path.c_str()));
    if (!module)
        return false;

    const std::wstring name = ModuleFileName(module.get());
    if (name.empty())
        return false;

    const VersionFunctions versions;
    if (!versions.Loaded())
        return false;
    DWORD ignored = 0;
    const DWORD size = versions.getSize(name.c_str(), &ignored);
    if (size == 0)
        return false;
    m_data = std::make_unique<unsigned char[]>(size);
    if (!versions.getInfo(name.c_str(), 0, size, m_data.get()))
        return false;

    void* value = nullptr;
    UINT length = 0;
    if (!versions.queryValue(m_data.get(), L"\\", &value, &length) || !value || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    std::memcpy(&m_fixed, value, sizeof m_fixed);

    // Optional: a block without a translation table is still judged by its version.
    value = nullptr;
    length = 0;
    if (versions.queryValue(m_data.get(), L"\\VarFileInfo\\Translation", &value, &length) && value &&
        length >= sizeof(DWORD)) {
        DWORD entry = 0;
        std::memcpy(&entry, value, sizeof entry);
        m_language = LOWORD(entry);
        m_codePage = HIWORD(entry);
    }

    return m_fixed.dwSignature == kFixedInfoSignature;
}

ProductVersion ModuleVersion::FileVersion() const {
    return {HIWORD(m_fixed.dwFileVersionMS), LOWORD(m_fixed.dwFileVersionMS), HIWORD(m_fixed.dwFileVersionLS),
            LOWORD(m_fixed.dwFileVersionLS)};
}

bool ModuleVersion::IsAtLeast(const std::wstring& path, const ProductVersion& required) {
    return Load(path) && FileVersion() >= required;
}

bool CheckModuleVersion(const std::wstring& path, const ProductVersion& required) {
    ModuleVersion version;
    return version.IsAtLeast(path, required);
}

std::wstring FlashOcxPath() {
    return GetSystemFolder() + L"\\Macromed" + L"\\Flash" + L"\\flash.ocx";
}
