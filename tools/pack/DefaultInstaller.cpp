#include "DefaultInstaller.h"

#include "Files.h"

namespace pack {

std::string DefaultInstaller() {
    const std::string folder = ToolFolder();
    if (folder.empty()) return {};
    const std::string beside = JoinPath(folder, "MovieControlSetup.exe");
    return OpenForReading(beside) ? beside : std::string();
}

}  // namespace pack
