// The working folder's base, from the "TMP" variable and what the file system can see.
#include "workspace/ExtractFolder.h"
#include "platform/GrowingBuffer.h"
#include "platform/TempBaseRule.h"

#include <windows.h>

#include <optional>

namespace {

std::optional<std::wstring> ReadEnvironment(const wchar_t* name) {
    SetLastError(ERROR_SUCCESS);
    std::wstring value = FillGrowingBuffer<wchar_t>(
        [name](wchar_t* buffer, DWORD capacity) { return GetEnvironmentVariableW(name, buffer, capacity); }, 64);
    // A variable set to the empty text also gives no text, but without an error.
    if (value.empty() && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
        return std::nullopt;
    return value;
}

bool IsAccessible(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::wstring TempBase() {
    return temp_base::TempBaseFor(ReadEnvironment(L"TMP"), IsAccessible);
}
