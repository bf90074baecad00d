// Self-registration of MovieControl.ocx in this test run's Wine prefix, and its version block.
// Every test leaves the class unregistered, whatever happens in between.
#include "TestContainer.h"

#include "control/MovieControlIds.h"
#include "platform/Handles.h"

#include <gtest/gtest.h>

#include <olectl.h>

#include <memory>

namespace {

constexpr wchar_t kClassKey[] = L"CLSID\\" MOVIE_CONTROL_CLSID_TEXT;
constexpr wchar_t kServerKey[] = L"CLSID\\" MOVIE_CONTROL_CLSID_TEXT L"\\InprocServer32";
constexpr wchar_t kProgIdKey[] = MOVIE_CONTROL_PROGID_TEXT;

using Entry = HRESULT(__stdcall*)();

Entry Export(const char* name) {
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(controltest::ControlModule(), name)));
}

// The value `name` (nullptr: default) of HKCR\key, or nullopt when it is missing.
std::optional<std::wstring> ReadText(const wchar_t* key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD bytes = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key, name, RRF_RT_REG_SZ, nullptr, value, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(value);
}

bool KeyExists(const wchar_t* key) {
    UniqueRegKey handle;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, handle.put()) == ERROR_SUCCESS;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

class Registration : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(controltest::ControlModule(), nullptr);
        RemoveEverything();
    }
    void TearDown() override { RemoveEverything(); }

    static void RemoveEverything() {
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassKey);
        RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgIdKey);
        CoFreeUnusedLibrariesEx(0, 0);
    }
};

TEST_F(Registration, RegisterWritesTheClassAndUnregisterRemovesIt) {
    ASSERT_EQ(Export("DllRegisterServer")(), S_OK);

    const auto server = ReadText(kServerKey, nullptr);
    ASSERT_TRUE(server);
    EXPECT_TRUE(SameFile(*server, controltest::ControlModulePath())) << std::string(server->begin(), server->end());
    EXPECT_EQ(ReadText(kServerKey, L"ThreadingModel"), L"Apartment");
    EXPECT_TRUE(KeyExists((std::wstring(kClassKey) + L"\\Control").c_str()));
    EXPECT_EQ(ReadText((std::wstring(kClassKey) + L"\\ProgID").c_str(), nullptr), MOVIE_CONTROL_PROGID_TEXT);
    EXPECT_EQ(ReadText((std::wstring(kProgIdKey) + L"\\CLSID").c_str(), nullptr), MOVIE_CONTROL_CLSID_TEXT);

    // COM finds the class through the registry now, also by its program id.
    CLSID clsid{}, byProgId{};
    ASSERT_EQ(CLSIDFromString(MOVIE_CONTROL_CLSID_TEXT, &clsid), S_OK);
    ASSERT_EQ(CLSIDFromProgID(MOVIE_CONTROL_PROGID_TEXT, &byProgId), S_OK);
    EXPECT_TRUE(IsEqualGUID(clsid, byProgId));
    {
        ComRef<IOleObject> object;
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.put_void()), S_OK);
        EXPECT_TRUE(object);
    }

    // Registering twice is harmless.
    EXPECT_EQ(Export("DllRegisterServer")(), S_OK);

    ASSERT_EQ(Export("DllUnregisterServer")(), S_OK);
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_FALSE(KeyExists(kProgIdKey));
    CoFreeUnusedLibrariesEx(0, 0);
    ComRef<IUnknown> none;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, none.put_void()),
              REGDB_E_CLASSNOTREG);

    // Unregistering what is not registered succeeds.
    EXPECT_EQ(Export("DllUnregisterServer")(), S_OK);
}

TEST_F(Registration, UnregisterLeavesAClassRegisteredToAnotherModule) {
    const std::wstring other = L"C:\\windows\\system32\\Macromed\\Flash\\flash.ocx";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, kServerKey, nullptr, REG_SZ, other.c_str(),
                              DWORD((other.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    EXPECT_EQ(Export("DllUnregisterServer")(), S_FALSE);
    EXPECT_EQ(ReadText(kServerKey, nullptr), other);
}

TEST(VersionResource, CarriesTheControlsVersion) {
    const std::wstring path = controltest::ControlModulePath();
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::unique_ptr<unsigned char[]> data(new unsigned char[size]);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.get()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.get(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionMS), MOVIE_CONTROL_VERSION_MAJOR);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionMS), MOVIE_CONTROL_VERSION_MINOR);
    EXPECT_EQ(HIWORD(fixed->dwFileVersionLS), MOVIE_CONTROL_VERSION_RELEASE);
    EXPECT_EQ(LOWORD(fixed->dwFileVersionLS), MOVIE_CONTROL_VERSION_BUILD);
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_DLL));

    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.get(), L"\\StringFileInfo\\040904b0\\FileVersion", reinterpret_cast<void**>(&text),
                               &length));
    const std::string expected = MOVIE_CONTROL_VERSION_TEXT;
    EXPECT_EQ(std::wstring(text), std::wstring(expected.begin(), expected.end()));
}

}  // namespace
