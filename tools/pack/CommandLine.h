// Option parsing shared by the commands: "--name value", "--name=value", short aliases,
// repeatable options, "--" before operands that begin with a dash, and "--help".
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pack {

struct OptionSpec {
    std::string_view name;   // "--output"
    std::string_view alias;  // "-o", or empty
    bool takesValue = true;
    bool repeatable = false;
};

struct ParsedCommandLine {
    std::map<std::string, std::vector<std::string>, std::less<>> options;  // by long name
    std::vector<std::string> operands;
    bool help = false;

    bool Has(std::string_view name) const { return options.find(name) != options.end(); }
    // The value of a single-valued option, or nullopt when it was not given.
    std::optional<std::string> Value(std::string_view name) const;
    const std::vector<std::string>& Values(std::string_view name) const;
};

// Parses `args` by `specs`. nullopt with `error` set on an unknown, repeated or value-less option.
std::optional<ParsedCommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                                  const std::vector<OptionSpec>& specs, std::string& error);

// Prints "dovetta-pack COMMAND: problem" and the hint to --help on stderr; returns kExitUsage.
int UsageError(std::string_view command, std::string_view problem);

// Parses a command's arguments. nullopt when the run ends here, with `exitCode` set: a usage
// error (reported on stderr, kExitUsage) or --help (the usage printed, kExitOk).
std::optional<ParsedCommandLine> ParseCommand(std::string_view command, const std::vector<std::string>& args,
                                              const std::vector<OptionSpec>& specs, std::string_view usage,
                                              int& exitCode);

}  // namespace pack
