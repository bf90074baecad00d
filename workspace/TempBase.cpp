// The working folder's base, from the "TMP" variable and what the file system can see.
#include "workspace/ExtractFolder.h"
#include "platform/TempBaseRule.h"

#include <windows.h>

#include <optional>

namespace {

std::optional<std::wstring> ReadEnvironment(const wchar_t* name) {
    std::wstring value(64, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableW(name, value.data(),
                                                     static_cast<DWORD>(value.size()));
        if (length == 0) {
            // A variable set to the empty text also gives 0, but without an error.
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND)
                return std::nullopt;
            return std::wstring();
        }
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);  // too small: length is the size needed, zero included
    }
}

bool IsAccessible(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::wstring TempBase() {
    return temp_base::TempBaseFor(ReadEnvironment(L"TMP"), IsAccessible);
}
