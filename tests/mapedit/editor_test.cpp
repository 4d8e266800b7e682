// The editor's key handling, drawing and texts, run against a recording window.
#include "fake_io.hpp"

#include "platform/cp932.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>

using mapedit::Editor;
using mapedit::Outcome;
using mapedit_test::FakeIo;
using mapedit_test::tileColour;

namespace {

constexpr int kL = 37, kU = 38, kR = 39, kD = 40, kEnter = 13, kTab = 9, kEsc = 27, kDel = 46;
constexpr int kPad0 = 96;

std::string sjis(const std::string& utf8) {
    return platform::cp932::fromUtf8(utf8);
}

// A text row shows the expected text followed by nothing but blanks left over from longer texts.
::testing::AssertionResult shows(const std::string& area, const std::string& expected) {
    if (area.compare(0, expected.size(), expected) == 0 &&
        area.find_first_not_of(' ', expected.size()) == std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected \"" << expected << "\" (then blanks), got \"" << area << "\"";
}

std::vector<int> repeat(int key, int n) {
    return std::vector<int>(static_cast<size_t>(n), key);
}

std::vector<int> join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct Session {
    Editor editor;
    FakeIo io;
    Outcome last = Outcome::Editing;

    explicit Session(int16_t lastRow, int16_t (*fill)(int, int) = nullptr) {
        editor.map.lastRow = lastRow;
        if (fill)
            for (int c = 0; c < mapedit::kMapColumns; ++c)
                for (int r = 0; r < 60; ++r) editor.cell(c, r) = fill(c, r);
        mapedit::drawStartScreen(editor, io);
    }
    // Handles the events one at a time, as the program does, until the editor ends.
    void type(const std::vector<int>& keys) {
        io.keys.insert(io.keys.end(), keys.begin(), keys.end());
        while (!io.keys.empty() && last == Outcome::Editing)
            last = mapedit::handleEvent(editor, io, io.nextEvent(0));
    }
};

int16_t diagonal(int c, int r) {
    return static_cast<int16_t>((c + r) % 10);
}

struct MoveCase {
    const char* name;
    int16_t lastRow;
    std::vector<int> keys;
    int16_t column, row, screenRow, lastArrowKey;
};

TEST(EditorKeys, CursorMovesWrapsAndStopsAtTheMapEnds) {
    const std::vector<MoveCase> cases = {
        {"one row: up and down do nothing", 0, {kU, kD}, 0, 0, 0, 0},
        {"one row: left at column 0 wraps in the same row", 0, {kL}, 31, 0, 0, kL},
        {"one row: right at column 31 wraps in the same row", 0, {kL, kR}, 0, 0, 0, kR},
        {"empty map: the cursor stays in row 0", -1, {kD, kU, kL}, 31, 0, 0, kL},
        {"left at column 0 of row 5 goes to column 31 of row 4", 9, join({repeat(kD, 5), {kL}}), 31, 4, 4,
         kL},
        {"left at column 0 of the first row", 9, {kL}, 31, 0, 0, kL},
        {"right at column 31 goes to column 0 of the next row", 9, join({{kD}, repeat(kR, 32)}), 0, 2, 2, kR},
        {"right at column 31 of the last row stays in it", 2, join({repeat(kD, 2), repeat(kR, 32)}), 0, 2, 2,
         kR},
        {"down past view row 25 scrolls", 40, repeat(kD, 27), 0, 27, 25, kD},
        {"down stops at the last row", 3, repeat(kD, 9), 0, 3, 3, kD},
        {"up past view row 0 scrolls", 40, join({repeat(kD, 30), repeat(kU, 26)}), 0, 4, 0, kU},
        {"left wrap into the row above the view", 40, join({repeat(kD, 30), repeat(kU, 25), {kL}}), 31, 4, 0,
         kL},
        {"right wrap below the view", 40, join({repeat(kD, 25), repeat(kR, 32)}), 0, 26, 25, kR},
        {"other keys leave the cursor alone", 9, {kD, 65, 32, 112}, 0, 1, 1, kD},
    };
    for (const MoveCase& c : cases) {
        Session s(c.lastRow);
        s.type(c.keys);
        EXPECT_EQ(s.editor.cursorColumn, c.column) << c.name;
        EXPECT_EQ(s.editor.cursorRow, c.row) << c.name;
        EXPECT_EQ(s.editor.screenRow, c.screenRow) << c.name;
        EXPECT_EQ(s.editor.lastArrowKey, c.lastArrowKey) << c.name;
    }
}

// Cell (c, r) of the view shows map row top + r when its centre has that cell's tile colour.
void expectViewShows(const FakeIo& io, const Editor& editor, int top, const std::string& name) {
    for (int v = 0; v <= mapedit::kLastScreenRow; ++v)
        for (int c = 0; c < mapedit::kMapColumns; ++c) {
            const platform::pixels::Colour got = io.screen.at(16 * c + 3, 16 * v + 3);
            const platform::pixels::Colour want = tileColour(editor.cell(c, top + v) & 0xFF);
            if (got != want) {
                ADD_FAILURE() << name << ": view row " << v << " column " << c << " expected map row "
                              << top + v << " (colour " << want << "), got colour " << got << "; see "
                              << testing_support::dumpImage(io.screen, "mapedit_" + name);
                return;
            }
        }
}

TEST(EditorKeys, TheViewScrollsByOneRowAtBothEnds) {
    struct Case {
        const char* name;
        std::vector<int> keys;
        int top;
    };
    const std::vector<Case> cases = {
        {"start", {}, 0},
        {"down_to_view_row_25", repeat(kD, 25), 0},
        {"down_past_view_row_25", repeat(kD, 26), 1},
        {"down_three_past", repeat(kD, 28), 3},
        {"back_up_to_view_row_0", join({repeat(kD, 28), repeat(kU, 25)}), 3},
        {"up_past_view_row_0", join({repeat(kD, 28), repeat(kU, 27)}), 1},
        {"digits_repeating_down", join({{kD}, repeat('4', 30)}), 6},
    };
    for (const Case& c : cases) {
        Session s(50, diagonal);
        s.type(c.keys);
        expectViewShows(s.io, s.editor, c.top, c.name);
        EXPECT_EQ(s.editor.cursorRow - s.editor.screenRow, c.top) << c.name;
    }
}

TEST(EditorKeys, DigitsSetTheTileAndRepeatTheLastArrowKey) {
    struct Cell {
        int column, row;
        int16_t value;
    };
    struct Case {
        const char* name;
        std::vector<int> keys;
        std::vector<Cell> cells;
        int16_t column, row;
        const char* status;
    };
    const std::vector<Case> cases = {
        {"before any arrow key the cursor stays",
         {'7'},
         {{0, 0, 7}, {1, 0, 0}},
         0,
         0,
         "x= 0  y= 0    Asc= 0    "},
        {"after right",
         {kR, '1', '2', '3'},
         {{1, 0, 1}, {2, 0, 2}, {3, 0, 3}, {4, 0, 0}},
         4,
         0,
         "x= 4  y= 0    Asc= 39    "},
        {"keypad digits too",
         {kR, kPad0 + 9, kPad0 + 8},
         {{1, 0, 9}, {2, 0, 8}},
         3,
         0,
         "x= 3  y= 0    Asc= 39    "},
        {"after down",
         {kD, '5', '6'},
         {{0, 1, 5}, {0, 2, 6}, {0, 3, 0x05FF}},
         0,
         3,
         "x= 0  y= 3    Asc= 40    "},
        {"after left, wrapping into the row above",
         {kD, kR, kL, '2', '3'},
         {{0, 1, 2}, {31, 0, 3}},
         30,
         0,
         "x= 30  y= 0    Asc= 37    "},
        {"up at row 0 does not move, the digit repeats nothing",
         {kD, kU, '8', '8'},
         {{0, 0, 8}},
         0,
         0,
         "x= 0  y= 0    Asc= 38    "},
        {"ground object and path mark stay",
         {kR, kEnter, kPad0 + 5, kTab, '7'},
         {{1, 0, 0x1507}},
         2,
         0,
         "x= 2  y= 0    Asc= 39    "},
        {"a cell read with a large tile code",
         {kD, kD, kD, '4'},
         {{0, 3, 0x0504}},
         0,
         4,
         "x= 0  y= 4    Asc= 40    "},
    };
    for (const Case& c : cases) {
        Session s(9);
        s.editor.cell(0, 3) = 0x05FF;
        s.type(c.keys);
        for (const Cell& cell : c.cells)
            EXPECT_EQ(s.editor.cell(cell.column, cell.row), cell.value)
                << c.name << ": cell (" << cell.column << ", " << cell.row << ")";
        EXPECT_EQ(s.editor.cursorColumn, c.column) << c.name;
        EXPECT_EQ(s.editor.cursorRow, c.row) << c.name;
        EXPECT_TRUE(shows(s.io.area(24), c.status)) << c.name;
    }
}

TEST(EditorKeys, GroundObjectsPathsAndDeleteOnTile3) {
    struct Case {
        const char* name;
        std::vector<int> keys;
        int16_t value;
        const char* pattern;
        int keysRead;
    };
    // The cell under the cursor starts as tile 3.
    const std::vector<Case> cases = {
        {"enter then main-keyboard 5 keeps asking; keypad 5 sets it",
         {kEnter, '5', kEsc, kL, kPad0 + 5},
         0x0503,
         "パターン 503    ",
         5},
        {"tab marks the path", {kEnter, kPad0 + 5, kTab}, 0x1503, "パターン 1503    ", 3},
        {"enter on a path cell clears the path mark",
         {kEnter, kPad0 + 5, kTab, kEnter, kPad0 + 2},
         0x0203,
         "パターン 203    ",
         5},
        {"keypad 0 removes object and path",
         {kEnter, kPad0 + 5, kTab, kEnter, kPad0},
         0x0003,
         "パターン 3    ",
         5},
        {"delete keeps the tile only", {kEnter, kPad0 + 5, kTab, kDel}, 0x0003, "パターン 3    ", 4},
        {"tab alone", {kTab}, 0x1003, "パターン 1003    ", 1},
    };
    for (const Case& c : cases) {
        Session s(3);
        s.editor.cell(0, 0) = 3;
        s.type(c.keys);
        EXPECT_EQ(s.editor.cell(0, 0), c.value) << c.name;
        EXPECT_TRUE(shows(s.io.area(25), sjis(c.pattern))) << c.name;
        EXPECT_EQ(s.io.keysRead, c.keysRead) << c.name;
        if (std::find(c.keys.begin(), c.keys.end(), kEnter) != c.keys.end()) {
            EXPECT_EQ(s.io.area(19), std::string(28, ' ')) << c.name << ": the prompt is erased";
        }
        EXPECT_EQ(s.editor.cursorColumn, 0) << c.name << ": the arrow key during the prompt moved the cursor";
    }
}

TEST(EditorKeys, TheGroundObjectPromptShowsWhileItWaits) {
    Session t(3);
    t.type({kEnter, '1', kEsc});
    EXPECT_EQ(t.editor.mode, mapedit::Mode::GroundObject) << "still asking";
    EXPECT_EQ(t.io.keysRead, 3);
    EXPECT_EQ(t.io.area(19), sjis("地上キャラのセット(0～9キー)"));
    EXPECT_EQ(t.io.screen.at(0, 0), mapedit_test::colourNumber(2)) << "the red entry frame";
    EXPECT_EQ(t.io.screen.at(15, 15), mapedit_test::colourNumber(2));
}

TEST(EditorKeys, TheQuitQuestion) {
    struct Case {
        const char* name;
        std::vector<int> keys;
        bool saved;
    };
    const std::vector<Case> cases = {
        {"Esc then N stays", {kEsc, 'N'}, false},
        {"Esc then keypad decimal point stays", {kEsc, 110}, false},
        {"Esc then Enter saves", {kEsc, kEnter}, true},
        {"Esc then M saves", {kEsc, 'M'}, true},
        {"Esc then Esc saves", {kEsc, kEsc}, true},
        {"N on its own is just a key", {'N'}, false},
    };
    for (const Case& c : cases) {
        Session s(2);
        s.editor.cell(4, 1) = 0x0507;
        s.type(c.keys);
        EXPECT_EQ(s.last == Outcome::Saved, c.saved) << c.name;
        ASSERT_EQ(s.io.savedRows.size(), c.saved ? 1u : 0u) << c.name;
        if (c.saved) {
            EXPECT_EQ(s.io.savedRows[0].size(), 3u * 32u) << c.name;
            EXPECT_EQ(s.io.savedRows[0][1 * 32 + 4], 0x0507) << c.name;
            EXPECT_EQ(s.io.area(24), sjis("データ書き込み中     ")) << c.name;
            EXPECT_EQ(s.io.area(25).substr(0, 1), "2") << c.name << ": the last row number written";
        }
    }
    Session s(2);
    s.type({kR, kEsc, 'N'});
    EXPECT_EQ(s.io.area(24), std::string(25, ' ')) << "the status line is erased";
    EXPECT_EQ(s.io.area(25), std::string(21, ' ')) << "the pattern line is erased";
    EXPECT_EQ(s.io.screen.at(16, 0), tileColour(0)) << "the cursor frame is erased";
    s.type({kR});
    EXPECT_EQ(s.io.area(24), "x= 2  y= 0    Asc= 39    ");
}

TEST(EditorKeys, AFailedSaveKeepsEditingAndSaysWhy) {
    Session s(2);
    s.io.saveResults.push_back({false, "No space left on device", {}});
    s.type({'3', kEsc, kEnter});
    EXPECT_EQ(s.last, Outcome::Editing);
    EXPECT_EQ(s.io.area(24).substr(0, 18), sjis("データ書き込み失敗"));
    EXPECT_EQ(s.io.area(25), std::string("No space left on device") + std::string(12, ' '));
    EXPECT_EQ(s.editor.cell(0, 0), 3) << "the map stays in memory";

    s.type({kR});
    EXPECT_EQ(s.io.area(24), "x= 1  y= 0    Asc= 39    " + std::string(10, ' '))
        << "the next key wipes the message";
    EXPECT_EQ(s.io.area(25).find("space"), std::string::npos);

    s.type({kEsc, 'N', kEsc, kEnter});
    EXPECT_EQ(s.last, Outcome::Saved) << "a later save ends the editor";
    ASSERT_EQ(s.io.savedRows.size(), 2u);
    EXPECT_EQ(s.io.savedRows[1][0], 3);
}

TEST(EditorText, LinesAndReasonsAsPrinted) {
    struct Case {
        const char* name;
        rt::RtString text;
        std::string expected;
    };
    const std::string a34(34, 'a');
    const std::vector<Case> cases = {
        {"status", mapedit::statusLine(31, 7000, 39), "x= 31  y= 7000    Asc= 39    "},
        {"status at the start", mapedit::statusLine(0, 0, 0), "x= 0  y= 0    Asc= 0    "},
        {"pattern of 5379", mapedit::patternLine(5379), sjis("パターン 1503    ")},
        {"pattern of 0", mapedit::patternLine(0), sjis("パターン 0    ")},
        {"pattern of a negative cell", mapedit::patternLine(-25536), sjis("パターン FFFF9C40    ")},
        {"short reason", mapedit::fitText("Permission denied", 35), "Permission denied"},
        {"long reason", mapedit::fitText(std::string(50, 'x'), 35), std::string(35, 'x')},
        {"no half character", mapedit::fitText(a34 + "書", 35), a34},
        {"a long reason shows the system's words",
         mapedit::fitText(
             "cannot write the map to ./AREA1.csv.save-Ab12cD: File too large; AREA1.csv was left as it was",
             35),
         "File too large"},
        {"the last colon counts",
         mapedit::fitText("cannot create a file in the folder a: b: Permission denied", 35),
         "Permission denied"},
        {"a short reason stays whole", mapedit::fitText("disk: full; kept", 35), "disk: full; kept"},
        {"double-byte fits exactly", mapedit::fitText(std::string(33, 'a') + "書", 35),
         std::string(33, 'a') + sjis("書")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(c.text, static_cast<size_t>(rt::rtStrLen(c.text))), c.expected) << c.name;
        rt::rtStrFree(c.text);
    }
}

TEST(EditorDraw, CellsTilesBlackSquaresAndMarkers) {
    struct Probe {
        int x, y;
        platform::pixels::Colour colour;
    };
    const platform::pixels::Colour red = 0x0000FF, blue = 0xFF0000, black = 0, old = 0x123456;
    struct Case {
        const char* name;
        int16_t value;
        std::vector<Probe> probes; // relative to the cell's corner
    };
    const std::vector<Case> cases = {
        {"tile 3", 3, {{0, 0, tileColour(3)}, {15, 15, tileColour(3)}, {7, 7, tileColour(3)}}},
        {"tile code 10 is a black square", 10, {{0, 0, black}, {15, 15, black}, {16, 16, old}}},
        {"tile code 255 is a black square", 255, {{8, 8, black}}},
        {"ground object",
         0x0503,
         {{5, 5, red}, {10, 10, red}, {4, 5, tileColour(3)}, {11, 10, tileColour(3)}, {7, 7, red}}},
        {"path mark", 0x1003, {{7, 7, blue}, {8, 8, blue}, {6, 7, tileColour(3)}, {9, 8, tileColour(3)}}},
        {"both", 0x1503, {{5, 5, red}, {7, 7, blue}, {8, 8, blue}, {9, 9, red}}},
        {"any high bit marks the path", static_cast<int16_t>(0x8001), {{7, 7, blue}, {0, 0, tileColour(1)}}},
        {"tile 5 did not load: the old picture stays", 5, {{0, 0, old}, {15, 15, old}}},
        {"missing tile with a marker", 0x0205, {{0, 0, old}, {5, 5, red}}},
    };
    for (const Case& c : cases) {
        FakeIo io;
        io.tileLoaded[5] = false;
        mapedit::drawCell(io, c.value, 32, 48);
        for (const Probe& p : c.probes)
            EXPECT_EQ(io.screen.at(32 + p.x, 48 + p.y), p.colour)
                << c.name << " at (" << p.x << ", " << p.y << ")";
    }
}

TEST(EditorDraw, StartScreenAndCursorFrame) {
    Session s(40, diagonal);
    for (int i = 0; i <= 9; ++i) {
        EXPECT_EQ(s.io.area(i), std::to_string(i)) << "palette digit " << i;
        EXPECT_EQ(s.io.screen.at(528, 16 * i), tileColour(i)) << "palette tile " << i;
        EXPECT_EQ(s.io.screen.at(543, 16 * i + 15), tileColour(i)) << "palette tile " << i;
    }
    EXPECT_EQ(s.io.area(21), sjis("Ent = 地上物の設定"));
    EXPECT_EQ(s.io.area(22), sjis("Tab = 地上物の移動道"));
    EXPECT_EQ(s.io.area(23), sjis("Esc = 終了"));
    EXPECT_EQ(s.io.area(24), "") << "no status line before the first key";
    EXPECT_EQ(s.io.screen.at(0, 0), tileColour(0)) << "no cursor frame before the first key";
    expectViewShows(s.io, s.editor, 0, "start_screen");

    s.type({kD, kR, kR});
    const platform::pixels::Colour yellow = 0x00FFFF;
    const struct {
        int x, y;
        platform::pixels::Colour colour;
    } probes[] = {{32, 16, yellow},        {47, 31, yellow},        {40, 16, yellow},      {32, 24, yellow},
                  {33, 17, tileColour(3)}, {16, 16, tileColour(2)}, {0, 16, tileColour(1)}};
    for (const auto& p : probes)
        EXPECT_EQ(s.io.screen.at(p.x, p.y), p.colour) << "frame probe at (" << p.x << ", " << p.y << ")";
    EXPECT_EQ(s.io.area(25), sjis("パターン 3    "));
}

} // namespace

namespace {

mapfile::EditorMap mapOfRows(int16_t lastRow, int16_t firstCell) {
    mapfile::EditorMap map;
    map.lastRow = lastRow;
    map.at(0, 0) = firstCell;
    return map;
}

// The map file changed on disk: read in while nothing is unsaved (the cursor kept within the map,
// a new history), only told while there are unsaved edits; asked nothing while a question is open.
TEST(EditorWatch, AChangedMapFileIsReadInOrTold) {
    const int kTick = mapedit_test::kTick;
    struct Case {
        const char* name;
        std::vector<int> before; // keys before the change is found
        int16_t newLastRow;
        int16_t cell00, cursorRow, screenRow; // after the tick
        bool undoable;                        // Ctrl+Z still takes something back
    } cases[] = {
        {"nothing unsaved: read in", join({repeat(kD, 30)}), 40, 9, 30, 25, false},
        {"the cursor kept within a shorter map", join({repeat(kD, 30)}), 3, 9, 3, 0, false},
        {"unsaved edits: only told", {kR, '5', kL}, 40, 0, 0, 0, true},
        {"a question open: not looked at", {kEsc}, 40, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        Session s(40);
        s.type(c.before);
        s.io.changedMap = mapOfRows(c.newLastRow, 9);
        s.type({kTick});
        EXPECT_EQ(s.editor.cell(0, 0), c.cell00) << c.name;
        EXPECT_EQ(s.editor.cursorRow, c.cursorRow) << c.name;
        EXPECT_EQ(s.editor.screenRow, c.screenRow) << c.name;
        EXPECT_EQ(s.editor.unsaved(), c.undoable) << c.name;
        const bool told = s.io.text[26].find(sjis("他のプログラムで変更されました")) != std::string::npos;
        EXPECT_EQ(told, c.undoable) << c.name;
        const bool reread = s.io.text[26].find(sjis("読み込み直しました")) != std::string::npos ||
                            s.io.text[27].find(sjis("読み込み直しました")) != std::string::npos;
        EXPECT_EQ(reread, c.cell00 == 9) << c.name;
    }
}

// At start a journal's edits are offered back: Enter makes them again (undoable, unsaved), N writes
// the journal's map beside the map and empties the journal; a copy that fails keeps the question.
TEST(EditorRecovery, EnterMakesTheEditsAgainAndNKeepsACopy) {
    struct Case {
        const char* name;
        std::vector<int> keys;
        bool copyFails;
        int16_t cell10;  // (1, 0) afterwards
        size_t copies;   // journal maps written beside the map
        bool stillAsked; // the question stays open
    } cases[] = {
        {"Enter", {kEnter}, false, 5, 0, false},
        {"Enter, then Ctrl+Z", {kEnter, 90 | mapedit_test::kWithCtrl}, false, 5, 0, false},
        {"N", {'N'}, false, 0, 1, false},
        {"other keys wait", {kR, '7'}, false, 0, 0, true},
        {"N with a copy that fails", {'N'}, true, 0, 1, true},
    };
    for (const Case& c : cases) {
        Editor editor;
        editor.map.lastRow = 2;
        mapedit::Recovery r;
        r.base = editor.map;
        r.edits = {mapedit::Change::ofCell({1, 0, 0, 5}), mapedit::Change::ofCell({2, 1, 0, 7})};
        r.started = r.lastEdit = 1'765'272'000;
        editor.recovery = r;
        FakeIo io;
        if (c.copyFails) io.copyResults.push_back({false, "No space left on device", {}});
        mapedit::drawStartScreen(editor, io);
        EXPECT_EQ(io.text[26].substr(0, sjis("前回の編集の記録に").size()), sjis("前回の編集の記録に"))
            << c.name;
        for (int k : c.keys) mapedit::handleKey(editor, io, k & 0xFF, (k & mapedit_test::kWithCtrl) ? 1 : 0);
        EXPECT_EQ(editor.cell(1, 0), c.cell10) << c.name;
        EXPECT_EQ(io.copiedRows.size(), c.copies) << c.name;
        EXPECT_EQ(editor.mode == mapedit::Mode::Recovery, c.stillAsked) << c.name;
        if (c.copies == 1 && !c.copyFails) {
            EXPECT_EQ(io.copiedRows[0][0 * 32 + 1], 5) << c.name << ": the journal's map, its edits made";
            EXPECT_EQ(io.journalClears, 1) << c.name;
        }
        if (c.name == std::string("Enter, then Ctrl+Z")) {
            EXPECT_EQ(editor.cell(2, 1), 0) << "the last edit made again is taken back";
        }
        if (c.name == std::string("Enter")) {
            EXPECT_TRUE(editor.unsaved()) << "restored edits are unsaved";
            EXPECT_EQ(io.journal.size(), 2u) << "and in the new journal";
        }
    }
}

} // namespace
