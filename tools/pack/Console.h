// Output of the tool: UTF-8 text to stdout and stderr (shown as Unicode on a Windows console).
#pragma once

#include <string_view>

namespace pack {

void WriteOutput(std::string_view utf8);
void WriteError(std::string_view utf8);
bool ErrorIsTerminal();

}  // namespace pack
