#include "runtime/core/command_line.hpp"

#include <gtest/gtest.h>

namespace {

using Action = rt::CommandLine::Action;

const rt::ProgramInfo kProgram{
    "prog",
    "A program.",
    {{"--scale", "N", "window scale"}, {"--quiet", "", "say less"}, {"--out", "FILE", "write", true}},
    "Files: none.\n"};

TEST(CommandLine, ParsesOptionsAndRefusesWhatItDoesNotKnow) {
    struct Case {
        std::vector<std::string> args;
        Action action;
        std::map<std::string, std::string, std::less<>> values; // for Run
        std::string text;                                       // the start of the text printed
    } cases[] = {
        {{}, Action::Run, {}, ""},
        {{"--scale", "2"}, Action::Run, {{"--scale", "2"}}, ""},
        {{"--scale=3", "--quiet"}, Action::Run, {{"--scale", "3"}, {"--quiet", ""}}, ""},
        {{"--scale="}, Action::Run, {{"--scale", ""}}, ""},
        {{"--"}, Action::Run, {}, ""},
        {{"--help"}, Action::Help, {}, "Usage: prog [OPTION]...\nA program.\n\nOptions:\n  --scale N"},
        {{"-h", "--bogus"}, Action::Help, {}, "Usage: prog"},
        {{"--version"}, Action::Version, {}, "prog "},
        {{"--version", "--help"}, Action::Help, {}, "Usage: prog"},
        {{"--bogus"}, Action::Error, {}, "prog: unknown option '--bogus'\nTry 'prog --help'"},
        {{"--bogus=1"}, Action::Error, {}, "prog: unknown option '--bogus'\n"},
        {{"-s"}, Action::Error, {}, "prog: unknown option '-s'\n"},
        {{"file.csv"}, Action::Error, {}, "prog: unexpected argument 'file.csv'\n"},
        {{"-"}, Action::Error, {}, "prog: unexpected argument '-'\n"},
        {{"--", "--quiet"}, Action::Error, {}, "prog: unexpected argument '--quiet'\n"},
        {{"--scale"}, Action::Error, {}, "prog: option '--scale' needs a value (N)\n"},
        {{"--quiet=yes"}, Action::Error, {}, "prog: option '--quiet' takes no value\n"},
        {{"--quiet", "--quiet"}, Action::Error, {}, "prog: option '--quiet' given twice\n"},
        {{"--out"}, Action::Run, {{"--out", ""}}, ""},
        {{"--out", "x.tmx"}, Action::Run, {{"--out", "x.tmx"}}, ""},
        {{"--out", "--quiet"}, Action::Run, {{"--out", ""}, {"--quiet", ""}}, ""},
        {{"--out=-x"}, Action::Run, {{"--out", "-x"}}, ""},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        const rt::CommandLine result = rt::parseCommandLine(c.args, kProgram);
        EXPECT_EQ(result.action, c.action) << line;
        EXPECT_EQ(result.exitCode, c.action == Action::Error ? 2 : 0) << line;
        EXPECT_EQ(result.text.substr(0, c.text.size()), c.text) << line;
        if (c.action == Action::Run) {
            EXPECT_EQ(result.options.values, c.values) << line;
        }
    }
}

TEST(CommandLine, WholeNumbersInARange) {
    const std::pair<const char*, std::optional<int32_t>> rows[] = {
        {"1", 1},
        {"8", 8},
        {"2", 2},
        {"02", 2},
        {"0", std::nullopt},
        {"9", std::nullopt},
        {"", std::nullopt},
        {"-1", std::nullopt},
        {"+2", std::nullopt},
        {" 2", std::nullopt},
        {"2 ", std::nullopt},
        {"2x", std::nullopt},
        {"2.0", std::nullopt},
        {"0x2", std::nullopt},
        {"99999999999", std::nullopt},
    };
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(rt::parseWholeNumber(text, 1, 8), expected) << "'" << text << "'";
}

TEST(CommandLine, HelpListsEveryOptionInAlignedColumnsThenTheEpilogue) {
    EXPECT_EQ(rt::usageText(kProgram), "Usage: prog [OPTION]...\n"
                                       "A program.\n"
                                       "\n"
                                       "Options:\n"
                                       "  --scale N     window scale\n"
                                       "  --quiet       say less\n"
                                       "  --out [FILE]  write\n"
                                       "  --help        print this help and exit\n"
                                       "  --version     print the version and exit\n"
                                       "\n"
                                       "Files: none.\n");
    EXPECT_EQ(rt::versionText(kProgram), "prog 1.0.0\n");
}

} // namespace
