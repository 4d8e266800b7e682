// Blocks as text, what the game plays of a map, drags that paint, the kinds of ground objects and
// the journal's steps, run against a recording window.
#include "fake_io.hpp"

#include "mapedit/journal.hpp"
#include "platform/cp932.hpp"

#include <gtest/gtest.h>

#include <set>

namespace {

using mapedit::Change;
using mapedit::Editor;
using mapedit::Pointer;
using mapedit_test::FakeIo;
using mapedit_test::tileColour;

TEST(EditorBlocks, TextIsABlockOrSaysWhyNot) {
    struct Case {
        const char* text;
        int16_t width, height, first, last; // of the block, or width 0: refused
        const char* why;                    // UTF-8, a part of the reason
    } cases[] = {
        {"1,2\r\n3,4\r\n", 2, 2, 1, 4, ""},
        {"1,2\n3,4", 2, 2, 1, 4, "LF ends, no last line end"},
        {" 5 ,\t-6 \r\n", 2, 1, 5, -6, "blanks around values"},
        {"-32768,32767,5379", 3, 1, -32768, 5379, "the 16-bit range"},
        {"", 0, 0, 0, 0, "空"},
        {"1,2\r\n3", 0, 0, 0, 0, "2行目の値の数が1行目と違います"},
        {"1,x", 0, 0, 0, 0, "1行目に数でない値"},
        {"1.5", 0, 0, 0, 0, "数でない値"},
        {"+5", 0, 0, 0, 0, "数でない値"},
        {"1\r\n\r\n2", 0, 0, 0, 0, "2行目に数でない値"},
        {"32768", 0, 0, 0, 0, "-32768から32767の外"},
        {"0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0", 0, 0, 0, 0, "32個を超えて"},
    };
    for (const Case& c : cases) {
        const mapedit::ParsedBlock got = mapedit::parseBlock(c.text);
        if (c.width == 0) {
            EXPECT_FALSE(got.block.has_value()) << c.text;
            EXPECT_NE(got.why.find(c.why), std::string::npos) << c.text << ": " << got.why;
            continue;
        }
        ASSERT_TRUE(got.block.has_value()) << c.text << ": " << got.why;
        EXPECT_EQ(got.block->width, c.width) << c.why;
        EXPECT_EQ(got.block->height, c.height) << c.why;
        EXPECT_EQ(got.block->cells.front(), c.first) << c.why;
        EXPECT_EQ(got.block->cells.back(), c.last) << c.why;
    }
    std::string tall;
    for (int i = 0; i < 7002; ++i) tall += "1\n";
    EXPECT_NE(mapedit::parseBlock(tall).why.find("7001行を超えて"), std::string::npos);
    tall.resize(tall.size() - 2);
    EXPECT_EQ(mapedit::parseBlock(tall).block->height, 7001);
    // A block goes to text and back unchanged.
    const Editor::Block block{3, 2, {0, -1, 5379, 32767, -32768, 4096}};
    EXPECT_EQ(mapedit::blockText(block), "0,-1,5379\r\n32767,-32768,4096\r\n");
    const mapedit::ParsedBlock back = mapedit::parseBlock(mapedit::blockText(block));
    ASSERT_TRUE(back.block.has_value());
    EXPECT_EQ(back.block->cells, block.cells);
}

// What the game plays of a map is what its own reader takes of the map's file: 1001 rows at most,
// and only rows whose CR lies within its 32767 bytes.
TEST(EditorGlance, TheGamePlaysWhatItsReaderTakes) {
    struct Case {
        const char* what;
        int rows;
        int16_t value; // every cell
        int wideRow;   // this row has its first cells longer, to put its CR at a given byte
        int wideCells;
        int expected;
        bool byBytes;
    } cases[] = {
        {"10 short rows", 10, 0, -1, 0, 10, false},
        // Rows of 32 cells take 65 bytes at least: the bytes stop the game before its 1001 rows.
        {"1200 short rows", 1200, 0, -1, 0, 504, true},
        {"504 short rows, all of them", 504, 0, -1, 0, 504, false},
        {"rows of 193 bytes", 300, -1234, -1, 0, 169, true},
        // 503 rows of 65 bytes are 32695: a row of 73 bytes has its CR at byte 32766, one of 74 at
        // 32767, past what the game reads.
        {"the CR on the last byte read", 600, 0, 503, 8, 504, true},
        {"the CR one byte further", 600, 0, 503, 9, 503, true},
    };
    for (const Case& c : cases) {
        mapfile::EditorMap map;
        map.lastRow = static_cast<int16_t>(c.rows - 1);
        for (int r = 0; r < c.rows; ++r)
            for (int col = 0; col < 32; ++col)
                map.at(col, r) = r == c.wideRow && col < c.wideCells ? int16_t{10} : c.value;
        const mapedit::GamePlay got = mapedit::gamePlay(map);
        mapfile::GameMap game;
        mapfile::readMapText(game, mapfile::formatMapText(map));
        EXPECT_EQ(got.rows, game.lastRow + 1) << c.what << ": the game's reader";
        EXPECT_EQ(got.rows, c.expected) << c.what;
        EXPECT_EQ(got.byBytes, c.byBytes) << c.what;
    }
}

struct Session {
    Editor editor;
    FakeIo io;

    // Every cell of the map holds fill, or with fill -1 its tile is (column + row) % 10.
    explicit Session(int16_t lastRow, int16_t fill = -1) {
        editor.map.lastRow = lastRow;
        for (int c = 0; c < mapedit::kMapColumns; ++c)
            for (int r = 0; r <= lastRow; ++r)
                editor.cell(c, r) = fill >= 0 ? fill : static_cast<int16_t>((c + r) % 10);
        mapedit::drawStartScreen(editor, io);
    }
    void pointer(Pointer::Action action, Pointer::Button button, int32_t x, int32_t y,
                 uint8_t modifiers = 0) {
        io.pointers.push_back({{action, button, x, y, 0}, modifiers});
        run({mapedit_test::kPointer});
    }
    void run(const std::vector<int>& keys) {
        io.keys.insert(io.keys.end(), keys.begin(), keys.end());
        while (!io.keys.empty()) mapedit::handleEvent(editor, io, io.nextEvent(0));
    }
};

constexpr auto kPress = Pointer::Action::Press, kMove = Pointer::Action::Move,
               kRelease = Pointer::Action::Release;
constexpr auto kLeft = Pointer::Button::Left;

// A fast drag, one move across many cells, paints every cell the line crosses, each beside the one
// before; press to release is one step in the history and one group in the journal.
TEST(EditorMouse, AFastDragLeavesNoGapAndIsOneStep) {
    Session s(40, 9);
    s.pointer(kPress, kLeft, 530, 16 * 4 + 3); // palette tile 4
    ASSERT_EQ(s.editor.brush, 4);
    s.io.journal.clear();
    s.pointer(kPress, kLeft, 8, 8);
    EXPECT_TRUE(s.io.journal.empty()) << "a press alone paints nothing";
    s.pointer(kMove, kLeft, 8 + 16 * 12, 8 + 16 * 12); // the diagonal to (12, 12) in one move
    s.pointer(kMove, kLeft, 8 + 16 * 12, 8 + 16 * 20); // straight down to (12, 20)
    s.pointer(kRelease, kLeft, 8 + 16 * 12, 8 + 16 * 20);
    std::set<std::pair<int, int>> painted;
    for (int c = 0; c < 32; ++c)
        for (int r = 0; r <= 40; ++r)
            if (s.editor.cell(c, r) == 4) painted.insert({c, r});
    // Every painted cell has a painted neighbour beside it, the path runs from (0, 0) to (12, 20).
    EXPECT_TRUE(painted.count({0, 0}) && painted.count({12, 12}) && painted.count({12, 20}));
    for (const auto& [c, r] : painted)
        EXPECT_TRUE(painted.count({c + 1, r}) || painted.count({c - 1, r}) || painted.count({c, r + 1}) ||
                    painted.count({c, r - 1}))
            << "(" << c << ", " << r << ") stands alone";
    for (int i = 0; i <= 12; ++i) EXPECT_EQ(s.editor.cell(i, i), 4) << "the diagonal's cell " << i;
    EXPECT_EQ(s.editor.cursorColumn, 12);
    EXPECT_EQ(s.editor.cursorRow, 20);
    ASSERT_EQ(s.editor.history.undo.size(), 1u) << "one step";
    ASSERT_FALSE(s.io.journal.empty());
    EXPECT_FALSE(s.io.journal.front().joined);
    for (size_t i = 1; i < s.io.journal.size(); ++i) EXPECT_TRUE(s.io.journal[i].joined) << i;
    s.run({'Z' | mapedit_test::kWithCtrl});
    for (int c = 0; c < 32; ++c)
        for (int r = 0; r <= 40; ++r) ASSERT_EQ(s.editor.cell(c, r), 9) << "undone at " << c << "," << r;
    s.run({'Y' | mapedit_test::kWithCtrl});
    EXPECT_EQ(s.editor.cell(12, 20), 4) << "made again";
}

// A key typed in the middle of a drag is a step of its own, and the drag goes on in another.
TEST(EditorMouse, AKeyInTheMiddleOfADragIsAStepOfItsOwn) {
    Session s(40);
    s.pointer(kPress, kLeft, 530, 8); // tile 0
    s.pointer(kPress, kLeft, 8, 8);
    s.pointer(kMove, kLeft, 40, 8); // (0, 0) to (2, 0)
    s.run({'7'});                   // (2, 0) = 7: the cursor's cell
    s.pointer(kMove, kLeft, 72, 8); // on to (4, 0)
    s.pointer(kRelease, kLeft, 72, 8);
    EXPECT_EQ(s.editor.history.undo.size(), 3u);
    EXPECT_EQ(s.editor.cell(4, 0), 0);
    s.run({'Z' | mapedit_test::kWithCtrl});
    EXPECT_EQ(s.editor.cell(4, 0), 4) << "the drag's second part taken back";
    EXPECT_EQ(s.editor.cell(1, 0), 0) << "its first part stays";
}

// G shows each ground object's kind as a digit in a larger square, and G again draws the
// red square: the cell as at the start, pixel for pixel.
TEST(EditorGlance, GShowsTheKindsAndGAgainTheRedSquares) {
    Session s(30);
    s.editor.cell(1, 0) = 0x0503;
    s.editor.cell(2, 0) = 0x1703;
    mapedit::drawStartScreen(s.editor, s.io);
    const platform::pixels::Bitmap before = s.io.screen;
    s.run({'G'});
    // The 5: three dots across its top row, white on the red square.
    for (const int dot : {0, 1, 2}) EXPECT_EQ(s.io.screen.at(16 + 5 + 2 * dot, 3), 0xFFFFFFu) << dot;
    EXPECT_EQ(s.io.screen.at(16 + 5, 5), 0xFFFFFFu) << "the 5's left dot on its second row";
    EXPECT_EQ(s.io.screen.at(16 + 9, 5), 0x0000FFu) << "no right dot on the 5's second row";
    EXPECT_EQ(s.io.screen.at(16 + 3, 2), 0x0000FFu) << "the larger square";
    EXPECT_EQ(s.io.screen.at(32 + 9, 5), 0xFFFFFFu) << "the 7's right dot on its second row";
    EXPECT_EQ(s.io.screen.at(32 + 5, 5), 0x0000FFu) << "no left dot on the 7's second row";
    EXPECT_EQ(s.io.screen.at(32 + 13, 13), 0xFF0000u) << "the path marker in the corner";
    s.run({'G'});
    for (int y = 0; y < 16; ++y)
        for (int x = 16; x < 48; ++x)
            ASSERT_EQ(s.io.screen.at(x, y), before.at(x, y)) << "at " << x << "," << y;
    EXPECT_EQ(s.editor.map.at(1, 0), 0x0503) << "nothing changed in the map";
}

// The journal as written with another version in its header (its check made anew).
std::string withVersion(std::string bytes, uint8_t version) {
    bytes[8] = static_cast<char>(version);
    const size_t headerEnd = 16 + (static_cast<uint8_t>(bytes[12]) | static_cast<uint8_t>(bytes[13]) << 8);
    const uint32_t crc = mapedit::journal::crc32(std::string_view(bytes).substr(0, headerEnd));
    for (int i = 0; i < 4; ++i)
        bytes[headerEnd + static_cast<size_t>(i)] = static_cast<char>(crc >> (8 * i) & 0xFF);
    return bytes;
}

// The journal's records of rows and steps read back as written, and a version 1 journal (cells
// only, each a step) still reads; a journal's rows come back at the next start, step by step.
TEST(Journal, RowsAndStepsReadBackAndComeBack) {
    const std::string path = "/maps/AREA1.csv";
    const std::vector<Change> changes = {
        Change::ofRow(Change::Kind::RowInserted, 1), // step 1: a row in, with a cell
        Change::ofCell({0, 1, 0, 7}, true),
        Change::ofCell({3, 0, 0, 5}), // step 2
        Change::ofCell({0, 1, 7, 0}), // step 3: the row out again
        Change::ofRow(Change::Kind::RowRemoved, 1, true),
    };
    const std::string header = mapedit::journal::encodeHeader({1000, path, true, "1,1\r\n2,2\r\n"});
    std::string bytes = header;
    for (const Change& c : changes) bytes += mapedit::journal::encodeEdit(c, 3);
    const auto read = mapedit::journal::decode(bytes, path);
    ASSERT_EQ(read.status, mapedit::journal::Status::Ok);
    EXPECT_EQ(read.edits, changes);
    // Version 1 knows cells only: its reading stops at the first row, and at a joined record.
    EXPECT_EQ(mapedit::journal::decode(withVersion(bytes, 1), path).edits.size(), 0u);
    const std::string cellsOnly =
        header + mapedit::journal::encodeEdit(changes[2], 3) + mapedit::journal::encodeEdit(changes[1], 3);
    const auto v1 = mapedit::journal::decode(withVersion(cellsOnly, 1), path);
    ASSERT_EQ(v1.status, mapedit::journal::Status::Ok);
    EXPECT_EQ(v1.edits, std::vector<Change>{changes[2]});

    mapfile::EditorMap asRead;
    mapfile::readMapText(asRead, "1,1\r\n2,2\r\n");
    Editor editor;
    editor.map = asRead;
    editor.recovery = mapedit::journal::recoveryFrom(read, asRead);
    ASSERT_TRUE(editor.recovery.has_value());
    FakeIo io;
    mapedit::drawStartScreen(editor, io);
    EXPECT_NE(io.text[26].find(platform::cp932::fromUtf8("変更が 3 件")), std::string::npos) << io.text[26];
    mapedit::handleKey(editor, io, 13);
    EXPECT_EQ(editor.lastRow(), 1);
    EXPECT_EQ(editor.cell(3, 0), 5);
    EXPECT_EQ(editor.history.undo.size(), 3u) << "three steps";
    mapedit::handleKey(editor, io, 'Z', platform::keys::kModifierCtrl); // the row back, with its cell
    EXPECT_EQ(editor.lastRow(), 2);
    EXPECT_EQ(editor.cell(0, 1), 7);
    EXPECT_EQ(editor.cell(0, 2), 2);
    mapedit::handleKey(editor, io, 'Z', platform::keys::kModifierCtrl);
    mapedit::handleKey(editor, io, 'Z', platform::keys::kModifierCtrl);
    EXPECT_EQ(editor.lastRow(), 1);
    EXPECT_EQ(editor.map.cells, asRead.cells) << "back to the map as read";
}

} // namespace
