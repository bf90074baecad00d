#include "CommandLine.h"

#include "Console.h"
#include "PackTool.h"

namespace pack {

std::optional<std::string> ParsedCommandLine::Value(std::string_view name) const {
    const auto found = options.find(name);
    if (found == options.end() || found->second.empty())
        return std::nullopt;
    return found->second.front();
}

const std::vector<std::string>& ParsedCommandLine::Values(std::string_view name) const {
    static const std::vector<std::string> none;
    const auto found = options.find(name);
    return found == options.end() ? none : found->second;
}

std::optional<ParsedCommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                                  const std::vector<OptionSpec>& specs, std::string& error) {
    ParsedCommandLine parsed;
    bool operandsOnly = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
            parsed.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            operandsOnly = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }

        const size_t equals = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
        const std::string_view name = std::string_view(arg).substr(0, equals);
        const OptionSpec* option = nullptr;
        for (const OptionSpec& candidate : specs) {
            if (name == candidate.name || (!candidate.alias.empty() && name == candidate.alias))
                option = &candidate;
        }
        if (!option) {
            error = "unknown option '" + std::string(name) + "'";
            return std::nullopt;
        }
        if (!option->repeatable && parsed.Has(option->name)) {
            error = "option '" + std::string(option->name) + "' is given more than once";
            return std::nullopt;
        }
        std::vector<std::string>& values = parsed.options[std::string(option->name)];
        if (!option->takesValue) {
            if (equals != std::string::npos) {
                error = "option '" + std::string(option->name) + "' takes no value";
                return std::nullopt;
            }
            continue;
        }
        if (equals != std::string::npos) {
            values.push_back(arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            values.push_back(args[++i]);
        } else {
            error = "option '" + std::string(option->name) + "' needs a value";
            return std::nullopt;
        }
    }
    return parsed;
}

int UsageError(std::string_view command, std::string_view problem) {
    WriteError("dovetta-pack " + std::string(command) + ": " + std::string(problem) + "\nTry 'dovetta-pack " +
               std::string(command) + " --help'.\n");
    return kExitUsage;
}

std::optional<ParsedCommandLine> ParseCommand(std::string_view command, const std::vector<std::string>& args,
                                              const std::vector<OptionSpec>& specs, std::string_view usage,
                                              int& exitCode) {
    std::string error;
    std::optional<ParsedCommandLine> line = ParseCommandLine(args, specs, error);
    if (!line) {
        exitCode = UsageError(command, error);
        return std::nullopt;
    }
    if (line->help) {
        WriteOutput(usage);
        exitCode = kExitOk;
        return std::nullopt;
    }
    return line;
}

}  // namespace pack
