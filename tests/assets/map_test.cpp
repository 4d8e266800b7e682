// The default stage AREA1.csv: the exact text both programs read and the editor writes back, and
// a stage the game can play: every code present, vehicles on roads, fortresses apart, fair.
#include "tests/assets/data_files.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr int kColumns = 32;
constexpr uint16_t kPath = 0x1000;

using Row = std::array<uint16_t, kColumns>;

// Parses the text strictly as the editor writes it; any departure is a failure.
std::vector<Row> readStage(const std::string& text) {
    std::vector<Row> rows;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "line " << rows.size() << " is not ended by CR LF";
            break;
        }
        const std::string line = text.substr(at, end - at);
        at = end + 2;
        Row row{};
        size_t field = 0, start = 0;
        for (size_t i = 0; i <= line.size(); ++i) {
            if (i < line.size() && line[i] != ',') continue;
            const std::string digits = line.substr(start, i - start);
            start = i + 1;
            if (field < kColumns) {
                const bool canonical = !digits.empty() &&
                                       digits.find_first_not_of("0123456789") == std::string::npos &&
                                       (digits == "0" || digits[0] != '0') && digits.size() <= 5;
                EXPECT_TRUE(canonical)
                    << "row " << rows.size() << " field " << field << ": \"" << digits << "\"";
                const long value = canonical ? std::stol(digits) : 0;
                EXPECT_LE(value, 0x19FF) << "row " << rows.size() << " field " << field;
                row[field] = static_cast<uint16_t>(value);
            }
            ++field;
        }
        EXPECT_EQ(field, static_cast<size_t>(kColumns)) << "row " << rows.size() << ": fields";
        rows.push_back(row);
    }
    return rows;
}

class Stage : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto path = assets_test::dataDir() / "AREA1.csv";
        ASSERT_TRUE(std::filesystem::exists(path)) << path;
        text = testing_support::readFile(path);
        rows = readStage(text);
        ASSERT_FALSE(rows.empty());
    }
    int count() const { return static_cast<int>(rows.size()); }
    bool isPath(int row, int column) const {
        if (row < 0 || row >= count() || column < 0 || column >= kColumns) return false;
        return (rows[static_cast<size_t>(row)][static_cast<size_t>(column)] & 0xF000) == kPath;
    }
    int code(int row, int column) const {
        return rows[static_cast<size_t>(row)][static_cast<size_t>(column)] >> 8 & 0xF;
    }
    std::string text;
    std::vector<Row> rows;
};

TEST_F(Stage, TextIsWhatTheEditorWritesAndFitsTheGame) {
    EXPECT_LT(text.size(), 32767u) << "the game reads at most 32767 bytes";
    EXPECT_EQ(text.find('\0'), std::string::npos);
    size_t lineEnds = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "CR without LF at byte " << i;
            ++lineEnds;
        } else if (text[i] == '\n') {
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "LF without CR at byte " << i;
        }
    }
    EXPECT_EQ(lineEnds, rows.size());
    EXPECT_GE(count(), 180);
    EXPECT_LE(count(), 250);
}

TEST_F(Stage, UsesEveryTileAndEveryGroundCode) {
    std::set<int> tiles, codes;
    for (const Row& row : rows) {
        for (uint16_t cell : row) {
            EXPECT_LE(cell & 0xFF, 9) << "tile code beyond the ten tiles";
            EXPECT_TRUE((cell & 0xF000) == 0 || (cell & 0xF000) == kPath) << "path bits " << (cell & 0xF000);
            tiles.insert(cell & 0xFF);
            codes.insert(cell >> 8 & 0xF);
        }
    }
    EXPECT_EQ(tiles.size(), 10u);
    for (int c : {1, 2, 3, 4, 5, 9}) EXPECT_TRUE(codes.count(c)) << "ground code " << c << " never used";
    for (int c : codes) EXPECT_TRUE(c <= 5 || c == 9) << "ground code " << c << " starts nothing in the game";
}

// A fortress descends for 136 frames, hovers for 1000 and rises for 270: 88 rows of 16 frames. A
// second one sooner than that, also across the wrap from row 0 to the last row, would restart the
// first one in mid-air.
TEST_F(Stage, FortressesAreFarApart) {
    std::vector<int> at;
    for (int r = 0; r < count(); ++r)
        for (int c = 0; c < kColumns; ++c)
            if (code(r, c) == 9) at.push_back(r);
    ASSERT_GE(at.size(), 2u);
    const int lifeRows = (136 + 1000 + 270 + 15) / 16;
    for (size_t i = 0; i < at.size(); ++i) {
        const int next = i + 1 < at.size() ? at[i + 1] : at[0] + count();
        EXPECT_GE(next - at[i], lifeRows) << "fortresses in rows " << at[i] << " and " << next % count();
    }
}

// A vehicle looks for a path cell among its eight neighbours when it starts and turns only onto
// path cells; one that starts without any never moves.
TEST_F(Stage, VehiclesStandOnRoadsTheyCanFollow) {
    int vehicles = 0;
    for (int r = 0; r < count(); ++r) {
        for (int c = 0; c < kColumns; ++c) {
            if (code(r, c) != 4) continue;
            ++vehicles;
            EXPECT_TRUE(isPath(r, c)) << "vehicle at row " << r << " column " << c << " is off the road";
            int neighbours = 0;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) neighbours += (dr || dc) && isPath(r + dr, c + dc);
            EXPECT_GT(neighbours, 0) << "vehicle at row " << r << " column " << c << " has no road to follow";
        }
    }
    EXPECT_GE(vehicles, 5);
}

TEST_F(Stage, RoadsHaveTurnsJunctionsAndDeadEnds) {
    int turns = 0, junctions = 0, deadEnds = 0;
    for (int r = 0; r < count(); ++r) {
        for (int c = 0; c < kColumns; ++c) {
            if (!isPath(r, c)) continue;
            const bool up = isPath(r - 1, c), down = isPath(r + 1, c), left = isPath(r, c - 1),
                       right = isPath(r, c + 1);
            const int ways = up + down + left + right;
            int around = 0;
            for (int dr = -1; dr <= 1; ++dr)
                for (int dc = -1; dc <= 1; ++dc) around += (dr || dc) && isPath(r + dr, c + dc);
            turns += ways == 2 && up != down;
            junctions += ways >= 3;
            deadEnds += around == 1;
        }
    }
    EXPECT_GE(turns, 3);
    EXPECT_GE(junctions, 3);
    EXPECT_GE(deadEnds, 3);
}

// An object lives for about the 30 rows the screen shows. The game has 20 ground slots, so no 30
// rows may hold more objects than that; firing objects are kept to a fair number, and past the
// quiet opening there is always something to bomb.
TEST_F(Stage, ObjectsAreSpreadSoTheGameIsBusyButFair) {
    constexpr int kWindow = 30;
    for (int start = 0; start < count(); ++start) {
        int objects = 0, firing = 0;
        for (int i = 0; i < kWindow; ++i) {
            const int r = (start + i) % count();
            for (int c = 0; c < kColumns; ++c) {
                const int k = code(r, c);
                objects += k >= 1 && k <= 5;
                firing += k == 2 || k == 4 || k == 5;
            }
        }
        EXPECT_LE(objects, 20) << "rows " << start << " onwards";
        EXPECT_LE(firing, 12) << "rows " << start << " onwards";
        EXPECT_GE(objects, 4) << "rows " << start << " onwards";
    }
}

// A standing object fills the two by two cells from its own: it must stand on land (sea, shallows
// and river are tiles 0, 1 and 7) and not overlap another standing object.
TEST_F(Stage, StandingObjectsAreOnLandAndApart) {
    struct Placed {
        int row, column;
    };
    std::vector<Placed> placed;
    for (int r = 0; r < count(); ++r) {
        for (int c = 0; c < kColumns; ++c) {
            const int k = code(r, c);
            if (k < 1 || k > 5 || k == 4) continue;
            const int tile = rows[static_cast<size_t>(r)][static_cast<size_t>(c)] & 0xFF;
            EXPECT_TRUE(tile != 0 && tile != 1 && tile != 7)
                << "object " << k << " at row " << r << " column " << c << " stands in water (tile " << tile
                << ")";
            for (const Placed& p : placed)
                EXPECT_FALSE(std::abs(p.row - r) < 2 && std::abs(p.column - c) < 2)
                    << "objects at row " << p.row << " column " << p.column << " and row " << r << " column "
                    << c << " overlap";
            placed.push_back({r, c});
        }
    }
}

// The game lays tile 6 before the stage starts at the last row; the stage begins on that field.
TEST_F(Stage, StartsOnTheQuietField) {
    for (int r = count() - 4; r < count(); ++r)
        for (int c = 0; c < kColumns; ++c)
            EXPECT_EQ(rows[static_cast<size_t>(r)][static_cast<size_t>(c)], 6)
                << "row " << r << " column " << c;
}

} // namespace
