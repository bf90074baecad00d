// dovetta-pack: builds an album (the player program with the album block appended), shows what
// an album holds, and unpacks one. Arguments and paths are UTF-8 inside the tool.
#pragma once

#include <string>
#include <vector>

namespace pack {

enum ExitCode : int {
    kExitOk = 0,
    kExitFailure = 1,  // the operation failed or was refused
    kExitUsage = 2,    // the command line cannot be understood
};

// Runs the tool on its arguments (without the program name); returns the exit code.
int RunPackTool(const std::vector<std::string>& args);

int RunBuild(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunExtract(const std::vector<std::string>& args);

}  // namespace pack
