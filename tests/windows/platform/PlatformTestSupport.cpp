#include "PlatformTestSupport.h"

#include "platform/UnicodeLayerLoader.h"
#include "platform/StandInLayer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace platform_test {

namespace {

// Wine has a built-in unicows.dll of its own and loads it in place of any file of that name,
// even one given by its full path. For the length of the run, this asks Wine for the file, as
// Windows would load it; the setting it found is put back at the end. Nothing on Windows.
class NativeLayerLibraryUnderWine : public testing::Environment {
public:
    void SetUp() override {
        const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
        if (!ntdll || !GetProcAddress(ntdll, "wine_get_version"))
            return;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                            &m_key, nullptr) != ERROR_SUCCESS) {
            m_key = nullptr;
            return;
        }
        char old[64] = {};
        DWORD size = sizeof old - 1;
        if (RegQueryValueExA(m_key, kLibrary, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS)
            m_old = old;
        RegSetValueExA(m_key, kLibrary, 0, REG_SZ, reinterpret_cast<const BYTE*>("native"), sizeof "native");
    }

    void TearDown() override {
        if (!m_key)
            return;
        if (m_old)
            RegSetValueExA(m_key, kLibrary, 0, REG_SZ, reinterpret_cast<const BYTE*>(m_old->c_str()),
                           static_cast<DWORD>(m_old->size() + 1));
        else
            RegDeleteValueA(m_key, kLibrary);
        RegCloseKey(m_key);
        m_key = nullptr;
    }

private:
    static constexpr char kOverrides[] = "Software\\Wine\\DllOverrides";
    static constexpr char kLibrary[] = "unicows";
    HKEY m_key = nullptr;
    std::optional<std::string> m_old;
};

[[maybe_unused]] testing::Environment* const nativeLayerLibrary =
    testing::AddGlobalTestEnvironment(new NativeLayerLibraryUnderWine);

}  // namespace

std::string CarriedLayerBytes() {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(kLayerResourceId), kLayerResourceType);
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const char* bytes = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!bytes)
        return std::string();
    return std::string(bytes, SizeofResource(nullptr, found));
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool IsFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPathOf(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : std::string();
}

bool IsStandInLayer(HMODULE module) {
    using Magic = DWORD (*)();
    auto magic = reinterpret_cast<Magic>(reinterpret_cast<void*>(GetProcAddress(module, "StandInLayerMagic")));
    return magic && magic() == STANDIN_LAYER_MAGIC;
}

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

std::string ProgramFolder() {
    const std::string program = ModulePath(nullptr);
    return program.substr(0, program.find_last_of('\\'));
}

std::string WinePathOf(const char* linuxPath) {
    using ToDos = WCHAR*(CDECL*)(const char*);
    const HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto toDos = reinterpret_cast<ToDos>(
        reinterpret_cast<void*>(kernel ? GetProcAddress(kernel, "wine_get_dos_file_name") : nullptr));
    WCHAR* dos = toDos ? toDos(linuxPath) : nullptr;
    if (!dos)
        return std::string();
    std::string path;
    for (const WCHAR* c = dos; *c; ++c)
        path.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    HeapFree(GetProcessHeap(), 0, dos);
    return path;
}

ScratchFolder::ScratchFolder() {
    static int counter = 0;
    m_path = std::string(kScratchRoot) + "\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter);
    std::filesystem::create_directories(m_path);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
    std::filesystem::remove(kScratchRoot, ignored);  // only when no other scratch is left
}

EnvironmentOverride::EnvironmentOverride(const char* name, const std::optional<std::string>& value) : m_name(name) {
    char old[32768];
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetEnvironmentVariableA(name, old, sizeof old);
    if (length > 0 && length < sizeof old)
        m_old = std::string(old, length);
    else if (length == 0 && GetLastError() != ERROR_ENVVAR_NOT_FOUND)
        m_old = std::string();
    SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
}

EnvironmentOverride::~EnvironmentOverride() {
    SetEnvironmentVariableA(m_name.c_str(), m_old ? m_old->c_str() : nullptr);
}

CurrentDirectoryOverride::CurrentDirectoryOverride(const std::string& folder) {
    char old[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, old);
    m_old.assign(old, length < MAX_PATH ? length : 0);
    m_changed = !m_old.empty() && SetCurrentDirectoryA(folder.c_str());
}

CurrentDirectoryOverride::~CurrentDirectoryOverride() {
    if (m_changed)
        SetCurrentDirectoryA(m_old.c_str());
}

UnreachableCurrentRoot::UnreachableCurrentRoot() : m_driveFolder(WinePathOf(LAYER_TEST_DRIVE_FOLDER)) {
    m_available = !m_driveFolder.empty() && IsFolder("U:\\");
    if (!m_available)
        return;
    m_cwd.emplace("U:\\");
    m_moved = m_cwd->changed() && MoveFileA(m_driveFolder.c_str(), (m_driveFolder + "-away").c_str());
}

UnreachableCurrentRoot::~UnreachableCurrentRoot() {
    if (m_moved)
        MoveFileA((m_driveFolder + "-away").c_str(), m_driveFolder.c_str());
    m_cwd.reset();
}

}  // namespace platform_test
