// The working-folder base in narrow characters, for code that runs before wide functions may be
// called. Same rule as the wide TempBase(), fed by narrow environment and attribute queries.
#include "platform/UnicodeLayerLoader.h"
#include "platform/TempBaseRule.h"

#include <optional>

namespace {

std::optional<std::string> ReadEnvironmentA(const char* name) {
    std::string value(64, '\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD length = GetEnvironmentVariableA(name, value.data(),
                                                     static_cast<DWORD>(value.size()));
        if (length == 0) {
            // A variable set to the empty text also gives 0, but without an error.
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND)
                return std::nullopt;
            return std::string();
        }
        if (length < value.size()) {
            value.resize(length);
            return value;
        }
        value.resize(length);  // too small: length is the size needed, zero included
    }
}

bool IsAccessibleA(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::string TempBaseA() {
    return temp_base::TempBaseFor(ReadEnvironmentA("TMP"), IsAccessibleA);
}
