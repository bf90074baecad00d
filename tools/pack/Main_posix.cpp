// Entry point and console output on POSIX systems: arguments and output are bytes, taken as UTF-8.
#include "Console.h"
#include "PackTool.h"

#include <cstdio>
#include <unistd.h>

namespace pack {

void WriteOutput(std::string_view utf8) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
}

void WriteError(std::string_view utf8) {
    std::fflush(stdout);
    std::fwrite(utf8.data(), 1, utf8.size(), stderr);
}

bool ErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

}  // namespace pack

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int code = pack::RunPackTool(args);
    if (std::fflush(stdout) != 0 && code == pack::kExitOk)
        return pack::kExitFailure;
    return code;
}
