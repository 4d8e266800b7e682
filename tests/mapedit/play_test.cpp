// F5: the save of Ctrl+S, then the game from the cursor's row; and how the game is found and started.
#include "fake_io.hpp"
#include "mapedit/play.hpp"
#include "platform/cp932.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace {

namespace fs = std::filesystem;
using mapedit_test::FakeIo;
namespace keys = platform::keys;

constexpr int kF5 = keys::functionKey(5);

mapedit::Editor editorOfRows(int rows) {
    mapedit::Editor editor;
    editor.map.lastRow = static_cast<int16_t>(rows - 1);
    return editor;
}

TEST(EditorPlay, F5SavesAndStartsTheGameFromTheCursorsRowWhenTheSaveSucceeds) {
    const struct Case {
        const char* name;
        std::vector<int> keys;
        std::vector<mapedit::SaveResult> saves;
        std::vector<std::string> startErrors;
        std::vector<int16_t> startedRows;
        const char* said; // on the reason rows below the view
    } cases[] = {
        {"three rows down", {40, 40, 40, kF5}, {}, {}, {3}, "ゲームを行 3 から始めました。"},
        {"twice, after an edit (the digit steps on down)",
         {40, kF5, 40, keys::digit(4), kF5},
         {},
         {},
         {1, 3},
         "ゲームを行 3 から始めました。"},
        {"a failed save starts nothing", {40, kF5}, {{false, "disk full", {}}}, {}, {}, "disk full"},
        {"a version changed on disk was kept",
         {kF5},
         {{true, {}, "AREA1.csv.changed-1"}},
         {},
         {0},
         "ゲームを行 0 から始めました。"},
        {"no game", {kF5}, {}, {"ゲーム(shooter)が見つかりません"}, {0}, "ゲーム(shooter)が見つかりません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mapedit::Editor editor = editorOfRows(10);
        FakeIo io;
        io.saveResults.assign(c.saves.begin(), c.saves.end());
        io.gameStartErrors.assign(c.startErrors.begin(), c.startErrors.end());
        for (int key : c.keys) mapedit::handleKey(editor, io, key);
        EXPECT_EQ(io.savedRows.size(), static_cast<size_t>(std::count(c.keys.begin(), c.keys.end(), kF5)));
        EXPECT_EQ(io.gameStarts, c.startedRows);
        const std::string reason = io.text[28] + io.text[29];
        EXPECT_NE(reason.find(platform::cp932::fromUtf8(c.said)), std::string::npos) << reason;
        EXPECT_EQ(editor.mode, mapedit::Mode::Editing);
        // The next key wipes the message, as it wipes a save's.
        mapedit::handleKey(editor, io, 39);
        EXPECT_EQ(io.text[28].find_first_not_of(' '), std::string::npos) << io.text[28];
    }
}

TEST(EditorPlay, TheGameIsLookedForBesideTheEditorThenInTheBuildTreeThenOnPath) {
    const struct Case {
        std::string own;
        const char* path;
        std::vector<std::string> expected;
    } cases[] = {
        {"/usr/games",
         "/usr/bin:/bin",
         {"/usr/games/shooter", "/usr/games/../shooter/shooter", "/usr/bin/shooter", "/bin/shooter"}},
        {"/b/mapedit",
         "::/opt/x/:",
         {"/b/mapedit/shooter", "/b/mapedit/../shooter/shooter", "/opt/x//shooter"}},
        {"/b", nullptr, {"/b/shooter", "/b/../shooter/shooter"}},
        {"", "/bin", {"/bin/shooter"}},
    };
    for (const Case& c : cases) EXPECT_EQ(mapedit::gameCandidates(c.own, c.path), c.expected) << c.own;
}

// A stand-in for the game that writes its arguments down.
void writeProgram(const fs::path& path, const std::string& text, bool executable) {
    testing_support::writeFile(path, text);
    ::chmod(path.c_str(), executable ? 0755 : 0644);
}

TEST(EditorPlay, TheFirstExecutableCandidateStartsWithTheRowAndAFailureIsToldAtOnce) {
    testing_support::TempDir dir;
    fs::create_directories(dir / "a");
    fs::create_directories(dir / "b");
    fs::create_directories(dir / "c");
    writeProgram(dir / "a/shooter", "#!/bin/sh\necho \"$@\" >'" + (dir / "a.txt").string() + "'\n", false);
    writeProgram(dir / "b/shooter", "#!/bin/sh\necho \"$@\" >'" + (dir / "b.txt").string() + "'\n", true);
    writeProgram(dir / "c/shooter", "no program at all\n", true);
    fs::create_directories(dir / "d/shooter"); // a folder of that name is no program

    const mapedit::GameStart started = mapedit::startGame(
        {(dir / "none/shooter").string(), (dir / "d/shooter").string(), (dir / "a/shooter").string(),
         (dir / "b/shooter").string(), (dir / "c/shooter").string()},
        7);
    EXPECT_EQ(started.error, "");
    EXPECT_EQ(started.program, (dir / "b/shooter").string());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(100);
    while (testing_support::readFile(dir / "b.txt").empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(testing_support::readFile(dir / "b.txt"), "--from-row 7\n");
    EXPECT_FALSE(fs::exists(dir / "a.txt"));

    const mapedit::GameStart broken = mapedit::startGame({(dir / "c/shooter").string()}, 0);
    EXPECT_NE(broken.error.find("ゲームを起動できません"), std::string::npos) << broken.error;
    EXPECT_NE(broken.error.find("Exec format error"), std::string::npos) << broken.error;
    const mapedit::GameStart none = mapedit::startGame({(dir / "none/shooter").string()}, 0);
    EXPECT_EQ(none.program, "");
    EXPECT_NE(none.error.find("見つかりません"), std::string::npos) << none.error;
}

} // namespace
