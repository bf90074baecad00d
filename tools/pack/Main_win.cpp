// Entry point and console output on Windows: wide arguments become UTF-8 for the tool; text for
// a console goes out through WriteConsoleW so that any character shows, text for a file or pipe
// as UTF-8 bytes.
#include "Console.h"
#include "PackTool.h"
#include "utf/Utf.h"

#include <windows.h>

#include <cstdio>

namespace pack {
namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
}

void Write(FILE* stream, DWORD handleId, std::string_view utf8) {
    const HANDLE handle = GetStdHandle(handleId);
    if (!utf8.empty() && IsConsole(handle)) {
        std::fflush(stream);
        const std::wstring wide = utf::WideFromUtf8(utf8);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), DWORD(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

}  // namespace

void WriteOutput(std::string_view utf8) {
    Write(stdout, STD_OUTPUT_HANDLE, utf8);
}

void WriteError(std::string_view utf8) {
    std::fflush(stdout);
    Write(stderr, STD_ERROR_HANDLE, utf8);
}

bool ErrorIsTerminal() {
    return IsConsole(GetStdHandle(STD_ERROR_HANDLE));
}

}  // namespace pack

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(utf::Utf8FromWide(argv[i]));
    const int code = pack::RunPackTool(args);
    if (std::fflush(stdout) != 0 && code == pack::kExitOk)
        return pack::kExitFailure;
    return code;
}
