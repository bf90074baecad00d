// Runs a program with arguments and collects its exit code and output, with a time limit.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ProgramResult {
    int exitCode = -1;  // -1 when it did not exit normally within the time limit
    std::string out;
    std::string err;
};

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args, int timeoutSeconds = 120);

}  // namespace testing_support
