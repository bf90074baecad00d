#include "PackTool.h"

#include "Console.h"

namespace pack {
namespace {

constexpr char kUsage[] =
    "Usage: dovetta-pack COMMAND [OPTIONS]\n"
    "\n"
    "Builds and inspects Dovetta albums: the player program with a movie, its\n"
    "installer, extra files, stage size, title and required Flash version appended.\n"
    "\n"
    "Commands:\n"
    "  build     write an album from a player, an installer, a movie and extra files\n"
    "  info      show every field of an album and whether it is valid\n"
    "  extract   write the installer, the extra files and the movie of an album into a folder\n"
    "\n"
    "Run 'dovetta-pack COMMAND --help' for the options of one command.\n"
    "Exit status: 0 done, 1 the operation failed or was refused, 2 wrong usage.\n";

}  // namespace

int RunPackTool(const std::vector<std::string>& args) {
    if (args.empty()) {
        WriteError(kUsage);
        return kExitUsage;
    }
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        WriteOutput(kUsage);
        return kExitOk;
    }
    if (command == "build")
        return RunBuild(rest);
    if (command == "info")
        return RunInfo(rest);
    if (command == "extract")
        return RunExtract(rest);
    WriteError("dovetta-pack: unknown command '" + command + "'\nTry 'dovetta-pack --help'.\n");
    return kExitUsage;
}

}  // namespace pack
