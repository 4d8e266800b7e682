// The data tool on broken sources: it must stop with a message that names the file and line,
// write no half-made data set silently, and on good sources make the same files every time.
#include "tests/assets/data_files.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;

struct ToolRun {
    int status = -1;
    std::string output;
};

ToolRun runTool(const fs::path& source, const fs::path& data) {
    const fs::path log = data.parent_path() / "tool.log";
    const std::string command = std::string("'") + ASSETS_TOOL + "' '" + source.string() + "' '" +
                                data.string() + "' >'" + log.string() + "' 2>&1";
    const int raw = std::system(command.c_str());
    ToolRun run;
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    if (fs::exists(log)) run.output = readFile(log);
    return run;
}

// A copy of the real sources in a fresh folder, for one broken edit.
fs::path copySources(const testing_support::TempDir& dir) {
    const fs::path source = dir / "assets";
    fs::create_directories(source);
    for (const char* part : {"art", "map", "sound"})
        fs::copy(fs::path(ASSETS_SOURCE_DIR) / part, source / part, fs::copy_options::recursive);
    return source;
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "the source no longer holds \"" << from << "\"";
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

struct BrokenCase {
    const char* what;
    const char* file;
    std::function<std::string(const std::string&)> edit;
    const char* expected;
};

TEST(AssetTool, StopsOnBrokenSourcesNamingTheFault) {
    const BrokenCase cases[] = {
        {"short picture row", "art/tiles.txt",
         [](const std::string& t) {
             const size_t row = t.find('\n', t.find("picture tile0")) + 1;
             return t.substr(0, row + 10) + t.substr(row + 16);
         },
         "tiles.txt:"},
        {"character without ink", "art/ship.txt",
         [](const std::string& t) { return replaced(t, "ink O ", "ink Z "); }, "no ink for 'O'"},
        {"missing frame", "art/fortress.txt",
         [](const std::string& t) { return replaced(t, "picture chr30-3", "picture chr30-4"); },
         "no picture \"chr30-3\""},
        {"unknown ground", "map/stage1.txt", [](const std::string& t) { return replaced(t, "\n|", "\n|?"); },
         "stage1.txt:"},
        {"map too big for the game", "map/stage1.txt",
         [](const std::string& t) {
             const std::string rows = t.substr(t.find("\n|") + 1);
             return t + rows + rows;
         },
         "fewer than 32767"},
        {"sound too long", "sound/zapper.txt",
         [](const std::string& t) { return replaced(t, "seconds 0.2", "seconds 9"); }, "zapper.txt:"},
        {"missing sound recipe", "sound/zapper.txt", nullptr, "cannot be read"},
    };
    for (const BrokenCase& c : cases) {
        testing_support::TempDir dir;
        const fs::path source = copySources(dir);
        if (c.edit)
            writeFile(source / c.file, c.edit(readFile(source / c.file)));
        else
            fs::remove(source / c.file);
        const ToolRun run = runTool(source, dir / "data");
        EXPECT_EQ(run.status, 1) << c.what << ": " << run.output;
        EXPECT_NE(run.output.find(c.expected), std::string::npos)
            << c.what << ": expected a message with \"" << c.expected << "\", got \"" << run.output << "\"";
        EXPECT_FALSE(fs::exists(dir / "data" / "AREA1.csv")) << c.what << ": data written despite the fault";
    }
}

TEST(AssetTool, MakesTheSameFilesEveryTime) {
    testing_support::TempDir dir;
    const ToolRun run = runTool(copySources(dir), dir / "data");
    ASSERT_EQ(run.status, 0) << run.output;
    int compared = 0;
    for (const auto& entry : fs::recursive_directory_iterator(assets_test::dataDir())) {
        if (!entry.is_regular_file()) continue;
        const fs::path relative = fs::relative(entry.path(), assets_test::dataDir());
        ASSERT_TRUE(fs::exists(dir / "data" / relative)) << relative;
        EXPECT_TRUE(readFile(entry.path()) == readFile(dir / "data" / relative)) << relative << " differs";
        ++compared;
    }
    EXPECT_EQ(compared, 102); // 100 pictures, the sound and the map
}

} // namespace
