// Entry point and console output on Windows: wide arguments become UTF-8 for the tool; text for
// a console goes out through WriteConsoleW so that any character shows, text for a file or pipe
// as UTF-8 bytes.
#include "Console.h"
#include "PackTool.h"

#include <windows.h>

#include <cstdio>

namespace pack {
namespace {

std::string Utf8(const wchar_t* wide) {
    const int length = int(wcslen(wide));
    if (length == 0) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, length, nullptr, 0, nullptr, nullptr);
    std::string text(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, length, text.data(), bytes, nullptr, nullptr);
    return text;
}

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR && GetConsoleMode(handle, &mode);
}

void Write(FILE* stream, DWORD handleId, std::string_view utf8) {
    const HANDLE handle = GetStdHandle(handleId);
    if (!utf8.empty() && IsConsole(handle)) {
        std::fflush(stream);
        const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
        std::wstring wide(size_t(units), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), units);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), DWORD(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

}  // namespace

void WriteOutput(std::string_view utf8) { Write(stdout, STD_OUTPUT_HANDLE, utf8); }

void WriteError(std::string_view utf8) {
    std::fflush(stdout);
    Write(stderr, STD_ERROR_HANDLE, utf8);
}

bool ErrorIsTerminal() { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

}  // namespace pack

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.push_back(pack::Utf8(argv[i]));
    const int code = pack::RunPackTool(args);
    if (std::fflush(stdout) != 0 && code == pack::kExitOk) return pack::kExitFailure;
    return code;
}
