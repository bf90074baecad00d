#include "ResourceModule.h"

#include <algorithm>
#include <utility>

namespace {

constexpr LANGID kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

}  // namespace

std::wstring ToWindowsPath(std::wstring path) {
    if (path.empty() || path[0] != L'/')
        return path;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return L"Z:" + path;
}

namespace {

std::wstring& ModulePath() {
    static std::wstring path = ToWindowsPath(L"" DOVETTA_RESOURCE_MODULE);
    return path;
}

class LoadedModule {
public:
    explicit LoadedModule(const std::wstring& path)
        : m_module(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~LoadedModule() {
        if (m_module)
            FreeLibrary(m_module);
    }
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    HMODULE get() const { return m_module; }

private:
    HMODULE m_module;
};

BOOL CALLBACK CollectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    reinterpret_cast<std::vector<LANGID>*>(param)->push_back(language);
    return TRUE;
}

}  // namespace

void SetResourceModulePath(std::wstring path) {
    ModulePath() = ToWindowsPath(std::move(path));
}

const std::wstring& ResourceModulePath() {
    return ModulePath();
}

HMODULE ResourceModule() {
    static const LoadedModule module(ModulePath());
    return module.get();
}

std::span<const std::uint8_t> ResourceBytes(const wchar_t* type, const wchar_t* name) {
    HMODULE module = ResourceModule();
    if (!module)
        return {};
    HRSRC info = FindResourceExW(module, type, name, kEnglishUs);
    if (!info)
        return {};
    HGLOBAL loaded = LoadResource(module, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return {};
    return {static_cast<const std::uint8_t*>(data), SizeofResource(module, info)};
}

std::vector<LANGID> ResourceLanguages(int type, int id) {
    std::vector<LANGID> languages;
    if (HMODULE module = ResourceModule())
        EnumResourceLanguagesW(module, MAKEINTRESOURCEW(type), MAKEINTRESOURCEW(id), CollectLanguage,
                               reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}
