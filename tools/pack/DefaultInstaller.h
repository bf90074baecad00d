// Where `dovetta-pack build` finds the installer an album carries when --installer is not given.
#pragma once

#include <string>

namespace pack {

// MovieControlSetup.exe in the running tool's own folder, looked up at run time (never a path
// compiled into the tool), so that an installed or copied tool finds the installer shipped with
// it. Empty when there is none.
std::string DefaultInstaller();

}  // namespace pack
