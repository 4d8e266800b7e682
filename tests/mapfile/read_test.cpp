#include "mapfile/mapfile.hpp"
#include "runtime/core/numconv.hpp"
#include "runtime/core/rtmath.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace mapfile;
using testing_support::TempDir;

struct Cell {
    int column, row, value;
};

std::string zeroLine() {
    std::string line = "0";
    for (int i = 1; i < 32; ++i) line += ",0";
    return line + "\r\n";
}

// A line of n fields, each the given text.
std::string line(int n, const std::string& field = "1") {
    std::string s;
    for (int i = 0; i < n; ++i) {
        if (i) s += ',';
        s += field;
    }
    s += "\r\n";
    return s;
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct ReadRow {
    const char* name;
    std::string text;
    int lastRow;
    std::vector<Cell> cells;
    ReadStatus status = ReadStatus::Complete;
};

// Rows both readers agree on: the format is read by one algorithm.
std::vector<ReadRow> commonRows() {
    return {
        {"empty", "", -1, {{0, 0, 0}}},
        {"three lines", line(32) + line(32) + line(32), 2, {{31, 2, 1}, {0, 3, 0}}},
        {"LF-only lines have no row",
         "1,2\n3,4\n",
         -1,
         {{0, 0, 1}, {1, 0, 2}, {2, 0, 0}},
         ReadStatus::NoFinalCr},
        {"unterminated last line", "1,2\r\n3,4", 0, {{0, 1, 3}, {1, 1, 0}}, ReadStatus::NoFinalCr},
        {"hexadecimal", "&H1005,&hff,&O17\r\n", 0, {{0, 0, 4101}, {1, 0, 255}, {2, 0, 15}}},
        {"leading blanks, trailing text, fractions",
         " 12,12abc,&HC,1.9,-1.9,\t3\r\n",
         0,
         {{0, 0, 12}, {1, 0, 12}, {2, 0, 12}, {3, 0, 1}, {4, 0, -1}, {5, 0, 3}}},
        {"low 16 bits kept",
         "70000,40000,-32769,65536\r\n",
         0,
         {{0, 0, 4464}, {1, 0, -25536}, {2, 0, 32767}, {3, 0, 0}}},
        {"out of the 32-bit range", "5000000000,-3000000000\r\n", 0, {{0, 0, 0}, {1, 0, 0}}},
        {"field without digits", "abc,,-\r\n", 0, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}}},
        {"last byte CR", "5,6\r", 0, {{0, 0, 5}, {1, 0, 6}}},
        {"zero byte ends the data",
         std::string("1,2\r\n3\0,4\r\n", 11),
         0,
         {{0, 0, 1}, {0, 1, 0}},
         ReadStatus::ZeroByte},
        {"short field after a long one", "123456,7\r\n", 0, {{0, 0, -7616}, {1, 0, 7}}},
        // A CR without its LF ends the reading, as an LF alone does: no byte after it is lost.
        {"CR line ends", "1,2\r3,4\r", -1, {{0, 0, 1}, {1, 0, 0}}, ReadStatus::LoneCr},
        {"CR CR LF in the second line",
         "1,2\r\n3,4\r\r\n5\r\n",
         0,
         {{1, 0, 2}, {0, 1, 3}, {1, 1, 0}, {0, 2, 0}},
         ReadStatus::LoneCr},
        {"field of 255 characters", std::string(254, ' ') + "7\r\n", 0, {{0, 0, 7}}},
    };
}

template <class Map> void checkRows(const char* layout) {
    for (const ReadRow& r : commonRows()) {
        Map map;
        map.cells.assign(map.cells.size(), 99); // a read starts from an empty map
        map.lastRow = 42;
        EXPECT_EQ(readMapText(map, r.text), r.status) << layout << ": " << r.name;
        EXPECT_EQ(map.lastRow, r.lastRow) << layout << ": " << r.name;
        for (const Cell& c : r.cells)
            EXPECT_EQ(map.at(c.column, c.row), c.value)
                << layout << ": " << r.name << ", cell (" << c.column << ", " << c.row << ")";
    }
}

TEST(MapRead, EditorLayoutRows) {
    checkRows<EditorMap>("editor");
}
TEST(MapRead, GameLayoutRows) {
    checkRows<GameMap>("game");
}

TEST(MapRead, LayoutsInMemory) {
    const std::string text = "1,2\r\n3,4\r\n";
    EditorMap editor;
    readMapText(editor, text);
    GameMap game;
    readMapText(game, text);
    struct Row {
        int column, row, editorIndex, gameIndex, value;
    } rows[] = {{0, 0, 0, 0, 1}, {1, 0, 7001, 1, 2}, {0, 1, 1, 33, 3}, {1, 1, 7002, 34, 4}};
    for (const Row& r : rows) {
        EXPECT_EQ(editor.cells[r.editorIndex], r.value) << "editor (" << r.column << ", " << r.row << ")";
        EXPECT_EQ(game.cells[r.gameIndex], r.value) << "game (" << r.column << ", " << r.row << ")";
    }
}

// A CR as the last byte must not make the reader look at the byte after it.
TEST(MapRead, NothingIsReadPastTheData) {
    const std::string buffer = "5\r"
                               "7\r\n";
    EditorMap editor;
    readMapText(editor, std::string_view(buffer).substr(0, 2));
    EXPECT_EQ(editor.lastRow, 0);
    EXPECT_EQ(editor.at(0, 1), 0) << "a field beyond the data was read";
    GameMap game;
    readMapText(game, std::string_view(buffer).substr(0, 2));
    EXPECT_EQ(game.lastRow, 0);
    EXPECT_EQ(game.at(0, 1), 0) << "a field beyond the data was read";
}

struct BreachRow {
    const char* name;
    std::string text;
    ReadStatus status;
    int lastRow;
    std::vector<Cell> cells;
};

template <class Map> void checkBreaches(const char* layout, const std::vector<BreachRow>& rows) {
    for (const BreachRow& r : rows) {
        Map map;
        const size_t size = map.cells.size();
        EXPECT_EQ(readMapText(map, r.text), r.status) << layout << ": " << r.name;
        EXPECT_EQ(map.lastRow, r.lastRow) << layout << ": " << r.name;
        EXPECT_EQ(map.cells.size(), size);
        for (const Cell& c : r.cells)
            EXPECT_EQ(map.at(c.column, c.row), c.value)
                << layout << ": " << r.name << ", cell (" << c.column << ", " << c.row << ")";
    }
}

TEST(MapRead, EditorCapacityBreachesKeepTheRowsBefore) {
    const std::string two = line(32, "2") + line(32, "2");
    checkBreaches<EditorMap>(
        "editor",
        {
            {"32 fields", two + line(32, "3"), ReadStatus::Complete, 2, {{31, 2, 3}}},
            {"33 fields", two + line(33, "3"), ReadStatus::CapacityBreach, 1, {{31, 1, 2}, {31, 2, 3}}},
            {"a comma after the last field",
             two + "1,2,3," + line(30, "4").substr(0, 59) + ",\r\n",
             ReadStatus::CapacityBreach,
             1,
             {{0, 2, 1}}},
            {"7001 lines", repeat("1\r\n", 7001), ReadStatus::Complete, 7000, {{0, 7000, 1}}},
            {"7002 lines", repeat("1\r\n", 7001) + "5\r\n", ReadStatus::CapacityBreach, 7000, {{0, 7000, 1}}},
            {"a field of 256 characters",
             two + std::string(255, ' ') + "7\r\n",
             ReadStatus::FieldTooLong,
             1,
             {{0, 2, 0}}},
            {"a long field cut by the end", two + std::string(300, '1'), ReadStatus::FieldTooLong, 1, {}},
        });
}

TEST(MapRead, GameCapacityBreachesKeepTheRowsBefore) {
    // 251-byte lines: 130 of them are 32630 bytes; the last line pads the file to the size wanted.
    std::string oneLine = "1";
    oneLine += repeat(",0000000", 31);
    oneLine += "\r\n";
    const std::string body = repeat(oneLine, 130);
    auto padded = [&](size_t total) { return body + std::string(total - body.size() - 3, ' ') + "9\r\n"; };
    checkBreaches<GameMap>(
        "game",
        {
            {"33 fields", line(33, "3"), ReadStatus::Complete, 0, {{32, 0, 3}}},
            {"34 fields", line(32) + line(34, "3"), ReadStatus::CapacityBreach, 0, {{32, 1, 3}}},
            {"1001 lines", repeat("1\r\n", 1001), ReadStatus::Complete, 1000, {{0, 1000, 1}}},
            {"1002 lines", repeat("1\r\n", 1002), ReadStatus::CapacityBreach, 1000, {{0, 1000, 1}}},
            {"a field of 256 characters", std::string(256, '1') + "\r\n", ReadStatus::FieldTooLong, -1, {}},
            {"32767 bytes", padded(32767), ReadStatus::Complete, 130, {{0, 129, 1}, {0, 130, 9}}},
            {"32768 bytes, the LF out of reach",
             padded(32768),
             ReadStatus::CapacityBreach,
             130,
             {{0, 130, 9}}},
            {"32769 bytes, the CR out of reach",
             padded(32769),
             ReadStatus::CapacityBreach,
             129,
             {{0, 129, 1}, {0, 130, 0}}},
        });
}

TEST(MapReadFile, MissingOrUnreadableReadsAsEmptyAtOnce) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.csv");
    ASSERT_EQ(::mkfifo((dir / "fifo.csv").c_str(), 0644), 0);
    const struct {
        std::string path;
        ReadStatus status;
    } rows[] = {
        {(dir / "none.csv").string(), ReadStatus::Missing},
        {(dir / "folder.csv").string(), ReadStatus::Unreadable},
        {(dir / "fifo.csv").string(), ReadStatus::Unreadable}, // an open that waited would hang
        {"/dev/zero", ReadStatus::Unreadable},
    };
    for (const auto& r : rows) {
        EditorMap editor;
        editor.cells.assign(editor.cells.size(), 5);
        editor.lastRow = 3;
        EXPECT_EQ(readMapFile(editor, r.path), r.status) << r.path;
        EXPECT_EQ(editor.lastRow, -1) << r.path;
        EXPECT_EQ(editor.at(0, 0), 0) << r.path;
        GameMap game;
        EXPECT_EQ(readMapFile(game, r.path), r.status) << r.path;
        EXPECT_EQ(game.lastRow, -1) << r.path;
    }
}

TEST(MapReadFile, GameReadsAFileOverItsLimitOnlyUpToTheLimit) {
    TempDir dir;
    testing_support::writeFile(dir / "AREA1.csv", repeat("1,2\r\n", 1000) + std::string(40000, ' '));
    GameMap game;
    EXPECT_EQ(readMapFile(game, (dir / "AREA1.csv").string()), ReadStatus::FieldTooLong);
    EXPECT_EQ(game.lastRow, 999);
    EXPECT_EQ(game.at(1, 999), 2);
}

TEST(MapText, TwoZeroRowsAreTwoLinesOf65Bytes) {
    EditorMap map;
    map.lastRow = 1;
    const std::string text = formatMapText(map);
    EXPECT_EQ(zeroLine().size(), 65u);
    EXPECT_EQ(text, zeroLine() + zeroLine());
}

TEST(MapText, CellsAsSignedDecimalRowByRow) {
    EditorMap map;
    map.lastRow = 1;
    map.at(0, 0) = 3;
    map.at(1, 0) = 0x1503;
    map.at(31, 0) = -25536;
    map.at(0, 1) = 32767;
    map.at(31, 1) = -32768;
    map.at(5, 2) = 9; // beyond lastRow: never written
    std::vector<int> rowsSeen;
    const std::string text = formatMapText(map, [&](int16_t row) { rowsSeen.push_back(row); });
    const std::string expected =
        "3,5379" + repeat(",0", 29) + ",-25536\r\n" + "32767" + repeat(",0", 30) + ",-32768\r\n";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(rowsSeen, (std::vector<int>{0, 1}));
}

TEST(MapRoundTrip, EditorWrittenFilesComeBackByteForByte) {
    TempDir dir;
    const std::string path = (dir / "AREA1.csv").string();
    EditorMap map;
    map.lastRow = 7000;
    for (int row = 0; row <= 7000; ++row)
        for (int column = 0; column < 32; ++column)
            map.at(column, row) = static_cast<MapCell>((row * 37 + column * 1009) * 13);
    ASSERT_TRUE(writeMapFile(map, {}, path).ok);
    const std::string first = testing_support::readFile(path);

    EditorMap again;
    EXPECT_EQ(readMapFile(again, path), ReadStatus::Complete);
    EXPECT_EQ(again.lastRow, 7000);
    EXPECT_EQ(again.cells, map.cells);
    ASSERT_TRUE(writeMapFile(again, {}, path).ok);
    EXPECT_EQ(testing_support::readFile(path), first);
}

TEST(MapRoundTrip, OtherSpellingsAreWrittenBackAsDecimal) {
    struct Row {
        const char* name;
        std::string in, out;
    } rows[] = {
        {"hexadecimal", "&H1005" + repeat(",0", 31) + "\r\n", "4101" + repeat(",0", 31) + "\r\n"},
        {"over 16 bits", "40000" + repeat(",0", 31) + "\r\n", "-25536" + repeat(",0", 31) + "\r\n"},
        {"unterminated row kept as it is", repeat(zeroLine(), 3) + "1,2,3", repeat(zeroLine(), 3) + "1,2,3"},
        {"empty file", "", ""},
    };
    for (const Row& r : rows) {
        TempDir dir;
        const std::string path = (dir / "AREA1.csv").string();
        testing_support::writeFile(path, r.in);
        EditorMap map;
        readMapFile(map, path);
        ASSERT_TRUE(writeMapFile(map, {}, path).ok) << r.name;
        EXPECT_EQ(testing_support::readFile(path), r.out) << r.name;
    }
}

} // namespace

namespace {

// Whatever the spelling of a field, its cell is the low 16 bits of the number the text-to-number
// conversion reads, truncated to 32 bits.
TEST(MapRead, EveryFieldReadsAsTheConversionOfItsText) {
    const std::string alphabet = "0123456789999--+. \t&HhOoAFx";
    std::mt19937 random(1234);
    std::string text;
    std::vector<std::string> fields;
    for (int i = 0; i < 32 * 200; ++i) {
        std::string field;
        const int length = static_cast<int>(random() % 12);
        for (int j = 0; j < length; ++j) field += alphabet[random() % alphabet.size()];
        if (i % 3 == 0) field = std::to_string(static_cast<int64_t>(random() % 4000000000u) - 2000000000);
        fields.push_back(field);
        text += field;
        text += (i % 32 == 31) ? "\r\n" : ",";
    }
    EditorMap map;
    ASSERT_EQ(readMapText(map, text), ReadStatus::Complete);
    ASSERT_EQ(map.lastRow, 199);
    for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
        const MapCell expected = rt::toInt16(rt::rtStrToNum(fields[static_cast<size_t>(i)].c_str()));
        ASSERT_EQ(map.at(i % 32, i / 32), expected) << "field \"" << fields[static_cast<size_t>(i)] << "\"";
    }
}

} // namespace
