// The working-folder base in narrow characters, for code that runs before wide functions may be
// called. Same rule as the wide TempBase(), fed by narrow environment and attribute queries.
#include "platform/UnicodeLayerLoader.h"
#include "platform/GrowingBuffer.h"
#include "platform/TempBaseRule.h"

#include <optional>

namespace {

std::optional<std::string> ReadEnvironmentA(const char* name) {
    SetLastError(ERROR_SUCCESS);
    std::string value = FillGrowingBuffer<char>(
        [name](char* buffer, DWORD capacity) { return GetEnvironmentVariableA(name, buffer, capacity); }, 64);
    // A variable set to the empty text also gives no text, but without an error.
    if (value.empty() && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
        return std::nullopt;
    return value;
}

bool IsAccessibleA(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

std::string TempBaseA() {
    return temp_base::TempBaseFor(ReadEnvironmentA("TMP"), IsAccessibleA);
}
