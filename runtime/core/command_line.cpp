#include "runtime/core/command_line.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifndef PROJECT_VERSION_TEXT
#define PROJECT_VERSION_TEXT "0"
#endif

namespace rt {

namespace {

const OptionSpec* findOption(const ProgramInfo& program, std::string_view name) {
    for (const OptionSpec& o : program.options)
        if (o.name == name) return &o;
    return nullptr;
}

std::string tryHelp(const ProgramInfo& program) {
    std::string text = "Try '";
    return text.append(program.name).append(" --help' for more information.\n");
}

CommandLine error(const ProgramInfo& program, const std::string& message) {
    CommandLine result;
    result.action = CommandLine::Action::Error;
    result.exitCode = 2;
    result.text.append(program.name).append(": ").append(message).append("\n").append(tryHelp(program));
    return result;
}

} // namespace

std::optional<std::string> Options::value(std::string_view name) const {
    const auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
}

CommandLine parseCommandLine(const std::vector<std::string>& args, const ProgramInfo& program) {
    CommandLine result;
    // --help and --version win over everything else, wherever they stand before "--".
    for (const std::string& arg : args) {
        if (arg == "--") break;
        if (arg == "--help" || arg == "-h") {
            result.action = CommandLine::Action::Help;
            result.text = usageText(program);
            return result;
        }
        if (arg == "--version") result.action = CommandLine::Action::Version;
    }
    if (result.action == CommandLine::Action::Version) {
        result.text = versionText(program);
        return result;
    }
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-')
            return error(program, "unexpected argument '" + arg + "'");
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionSpec* spec = arg.rfind("--", 0) == 0 ? findOption(program, name) : nullptr;
        if (!spec) return error(program, "unknown option '" + name + "'");
        if (result.options.has(name)) return error(program, "option '" + name + "' given twice");
        std::string value;
        if (spec->valueName.empty()) {
            if (equals != std::string::npos) return error(program, "option '" + name + "' takes no value");
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (spec->optionalValue) {
            if (i + 1 < args.size() && args[i + 1].rfind("-", 0) != 0) value = args[++i];
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return error(program,
                         "option '" + name + "' needs a value (" + std::string(spec->valueName) + ")");
        }
        result.options.values.emplace(name, std::move(value));
    }
    return result;
}

std::string usageText(const ProgramInfo& program) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely about chains of + on strings.
    std::string text = "Usage: ";
    text.append(program.name).append(" [OPTION]...\n").append(program.summary).append("\n\nOptions:\n");
    std::vector<std::pair<std::string, std::string_view>> rows;
    for (const OptionSpec& o : program.options) {
        std::string left(o.name);
        if (!o.valueName.empty())
            left.append(o.optionalValue ? " [" : " ").append(o.valueName).append(o.optionalValue ? "]" : "");
        rows.emplace_back(std::move(left), o.help);
    }
    rows.emplace_back("--help", "print this help and exit");
    rows.emplace_back("--version", "print the version and exit");
    size_t width = 0;
    for (const auto& row : rows) width = std::max(width, row.first.size());
    for (const auto& [left, help] : rows)
        text.append("  ").append(left).append(width - left.size() + 2, ' ').append(help).append("\n");
    if (!program.epilogue.empty()) text.append("\n").append(program.epilogue);
    if (text.back() != '\n') text += '\n';
    return text;
}

std::string versionText(const ProgramInfo& program) {
    return std::string(program.name) + " " PROJECT_VERSION_TEXT "\n";
}

Options handleCommandLine(int argc, char** argv, const ProgramInfo& program) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    CommandLine line = parseCommandLine(args, program);
    if (line.action == CommandLine::Action::Run) return std::move(line.options);
    std::FILE* out = line.action == CommandLine::Action::Error ? stderr : stdout;
    std::fputs(line.text.c_str(), out);
    std::fflush(out);
    std::exit(line.exitCode);
}

std::optional<int32_t> parseWholeNumber(std::string_view text, int32_t low, int32_t high) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<int32_t> wholeNumberOption(const Options& options, std::string_view name, int32_t low,
                                         int32_t high, const ProgramInfo& program) {
    const std::optional<std::string> text = options.value(name);
    if (!text) return std::nullopt;
    const std::optional<int32_t> value = parseWholeNumber(*text, low, high);
    if (!value) {
        std::string message(name);
        message.append(": '").append(*text).append("' is not a whole number from ");
        message.append(std::to_string(low)).append(" to ").append(std::to_string(high));
        commandLineError(program, message);
    }
    return value;
}

void commandLineError(const ProgramInfo& program, std::string_view message) {
    std::fprintf(stderr, "%s: %.*s\n%s", std::string(program.name).c_str(), static_cast<int>(message.size()),
                 message.data(), tryHelp(program).c_str());
    std::fflush(stderr);
    std::exit(2);
}

} // namespace rt
