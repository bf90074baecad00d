// Where `dovetta-pack build` finds the player and the installer an album carries when --player or
// --installer is not given.
#pragma once

#include <string>

namespace pack {

// The file `name` in the running tool's own folder, looked up at run time (never a path compiled
// into the tool), so that an installed or copied tool finds the programs shipped with it (the
// Windows build puts them in one folder). Empty when there is none.
std::string ProgramBesideTool(const std::string& name);

}  // namespace pack
