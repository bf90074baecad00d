#include "ProgramsBesideTool.h"

#include "Files.h"

namespace pack {

std::string ProgramBesideTool(const std::string& name) {
    const std::string folder = ToolFolder();
    if (folder.empty())
        return {};
    const std::string beside = JoinPath(folder, name);
    return OpenForReading(beside) ? beside : std::string();
}

}  // namespace pack
