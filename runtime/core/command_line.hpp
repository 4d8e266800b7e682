#pragma once
// The programs' command lines: a table of options per program, with --help and --version answered
// here, on stdout, before the program touches a window or a display. No option is needed to play or
// to edit; every one only adds to what the program does without it.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

struct OptionSpec {
    std::string_view name;      // "--scale"
    std::string_view valueName; // "N" for an option that takes a value, empty for a switch
    std::string_view help;      // one line
    // The value may be left out: "--name" alone gives "", and the next argument is its value only
    // when it is not an option itself.
    bool optionalValue = false;
};

struct ProgramInfo {
    std::string_view name;    // "shooter"
    std::string_view summary; // one line: what the program is
    std::vector<OptionSpec> options;
    std::string_view epilogue; // files, keys, exit codes: printed after the options
};

// The options given, by name ("--scale" -> "2"; a switch maps to "").
struct Options {
    std::map<std::string, std::string, std::less<>> values;
    bool has(std::string_view name) const { return values.find(name) != values.end(); }
    std::optional<std::string> value(std::string_view name) const;
};

// What the command line asks for: to run with the options, or a text to print and an exit code.
struct CommandLine {
    enum class Action { Run, Help, Version, Error } action = Action::Run;
    Options options;
    std::string text; // the help or version text (stdout) or the error (stderr), each line ended
    int exitCode = 0; // 0 for Run, Help and Version, 2 for Error
};

// args excludes the program's own name. "--name value" and "--name=value" are both taken; "--"
// ends the options. An unknown option, a missing value, a value given to a switch, an option given
// twice and any argument that is not an option are errors.
CommandLine parseCommandLine(const std::vector<std::string>& args, const ProgramInfo& program);

// The usage text of --help.
std::string usageText(const ProgramInfo& program);
// "shooter 1.0.0".
std::string versionText(const ProgramInfo& program);

// Parses argv; prints the help or version text and exits 0, or prints the error and exits 2;
// otherwise returns the options.
Options handleCommandLine(int argc, char** argv, const ProgramInfo& program);

// A whole number from low to high written in plain decimal digits ("2"); nothing for any other
// text ("", "+2", "2.0", " 2", "0x2", a number out of range).
std::optional<int32_t> parseWholeNumber(std::string_view text, int32_t low, int32_t high);
// The value of an option that takes a whole number from low to high, nothing when the option is
// not given. Any other value ends the program through commandLineError.
std::optional<int32_t> wholeNumberOption(const Options& options, std::string_view name, int32_t low,
                                         int32_t high, const ProgramInfo& program);

// Writes "<program>: <message>" and a pointer to --help on stderr and exits 2: for a value the
// program itself refuses ("--scale: not a whole number from 1 to 8").
[[noreturn]] void commandLineError(const ProgramInfo& program, std::string_view message);

} // namespace rt
