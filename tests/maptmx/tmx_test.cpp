#include "maptmx/tmx.hpp"

#include "tests/maptmx/tmx_edit.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <set>

namespace {

namespace fs = std::filesystem;
using maptmx_test::Tmx;
using testing_support::readFile;
using testing_support::writeFile;

std::string csvLine(const std::function<int(int column)>& cell) {
    std::string line;
    for (int c = 0; c < 32; ++c) line += std::to_string(cell(c)) + (c < 31 ? "," : "\r\n");
    return line;
}

std::string rows(int count, const std::function<int(int column, int row)>& cell) {
    std::string text;
    for (int r = 0; r < count; ++r) text += csvLine([&](int c) { return cell(c, r); });
    return text;
}

// Every part of a cell in use: all 256 tile codes, every ground code and path nibble, values the
// editor shows as negative.
std::string everyPart() {
    return rows(9, [](int c, int r) {
        const int v = (r * 32 + c) * 0x1D3 % 0x10000;
        return r == 8 ? static_cast<int16_t>(0xF000 | c << 8 | (255 - c)) : static_cast<int16_t>(v);
    });
}

std::string defaultStage() {
    return readFile(fs::path(std::getenv("TEST_BINARY_DIR")) / "assets/data/AREA1.csv");
}

std::set<std::string> entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

TEST(TmxRoundTrip, AnUnchangedExportImportsByteForByte) {
    const struct Case {
        const char* name;
        std::string csv;
        bool partly; // the read stops before the end: the export says so and the rest is kept
    } cases[] = {
        {"a small map of every part", everyPart(), false},
        {"the default 200-row stage", defaultStage(), false},
        {"7001 rows", rows(7001, [](int c, int r) { return (r * 7 + c) % 6656; }), false},
        {"no map rows at all", "", false},
        {"partly read: a last line without CR LF", rows(3, [](int c, int) { return c; }) + "1,2,3", true},
        {"partly read: LF line ends after two rows",
         rows(2, [](int c, int r) { return c + r; }) + "1,2\n3,4\n", true},
        {"partly read: a field of 300 characters",
         rows(1, [](int, int) { return 5; }) + std::string(300, '7') + "\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        const std::string csv = (dir / "AREA1.csv").string(), tmx = (dir / "AREA1.tmx").string();
        writeFile(csv, c.csv);
        const maptmx::Result out = maptmx::exportTmx(csv, tmx);
        ASSERT_TRUE(out.ok) << out.message;
        EXPECT_EQ(out.message.find("stopped at row") != std::string::npos, c.partly) << out.message;
        const maptmx::Result in = maptmx::importTmx(tmx, csv);
        ASSERT_TRUE(in.ok) << in.message;
        EXPECT_EQ(in.keptChanged, "");
        EXPECT_TRUE(readFile(csv) == c.csv) << "AREA1.csv differs after the round trip";
        EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"AREA1.csv", "AREA1.tmx", "tiled"}));
    }
}

TEST(TmxRoundTrip, EveryLayerEncodingTiledWritesReadsTheSameCells) {
    testing_support::TempDir dir;
    writeFile(dir / "AREA1.csv", everyPart());
    ASSERT_TRUE(maptmx::exportTmx((dir / "AREA1.csv").string(), (dir / "AREA1.tmx").string()).ok);
    const std::string csvText = readFile(dir / "AREA1.tmx");
    const maptmx::ParsedTmx expected = maptmx::parseTmx(csvText);
    ASSERT_EQ(expected.error, "");
    ASSERT_EQ(expected.rows, 9);
    for (const char* encoding : {"base64", "base64+zlib", "base64+gzip", "xml"}) {
        SCOPED_TRACE(encoding);
        Tmx t(csvText);
        for (const char* layer : {"tiles", "objects", "paths"}) t.encode(layer, encoding);
        const maptmx::ParsedTmx got = maptmx::parseTmx(t.text());
        EXPECT_EQ(got.error, "");
        EXPECT_TRUE(got.cells == expected.cells);
        EXPECT_EQ(got.checksum, expected.checksum);
    }
}

TEST(TmxImport, RowsThatTiledLeavesEmptyAreTileZero) {
    testing_support::TempDir dir;
    const std::string csv = (dir / "AREA1.csv").string(), tmx = (dir / "AREA1.tmx").string();
    writeFile(csv, rows(2, [](int c, int) { return 0x1203 + c % 4; }));
    ASSERT_TRUE(maptmx::exportTmx(csv, tmx).ok);
    // Map > Resize to four rows, the new ones below: empty cells in every layer.
    Tmx t(readFile(tmx));
    t.resize(4);
    writeFile(tmx, t.text());
    ASSERT_TRUE(maptmx::importTmx(tmx, csv).ok);
    EXPECT_EQ(readFile(csv),
              rows(2, [](int c, int) { return 0x1203 + c % 4; }) + rows(2, [](int, int) { return 0; }));
}

TEST(TmxImport, RefusesWhatCannotBeWrittenBackExactly) {
    testing_support::TempDir dir;
    const std::string csv = (dir / "AREA1.csv").string(), tmx = (dir / "AREA1.tmx").string();
    const std::string original = rows(2, [](int c, int r) { return c + r * 32; });
    writeFile(csv, original);
    ASSERT_TRUE(maptmx::exportTmx(csv, tmx).ok);
    const std::string exported = readFile(tmx);
    const struct Case {
        const char* name;
        std::function<void(Tmx&)> change;
        const char* error; // a part of the reason
    } cases[] = {
        {"a flipped tile", [](Tmx& t) { t.setGid("tiles", 3, 1, 0x80000000u | 4); },
         "layer tiles, column 3, row 1: a flipped or rotated tile"},
        {"a rotated object", [](Tmx& t) { t.setGid("objects", 0, 0, 0x20000000u | 258); },
         "layer objects, column 0, row 0: a flipped or rotated tile"},
        {"a hexagonal turn", [](Tmx& t) { t.setGid("paths", 31, 1, 0x10000000u | 274); },
         "layer paths, column 31, row 1: a flipped"},
        {"31 columns", [](Tmx& t) { t.map().attribute("width") = 31; }, "31 columns wide, not 32"},
        {"7002 rows", [](Tmx& t) { t.resize(7002); }, "7002 rows, more than the 7001"},
        {"a foreign tileset",
         [](Tmx& t) {
             t.addTileset(300, "mine", "");
             t.setGid("tiles", 5, 0, 301);
         },
         "layer tiles, column 5, row 0: a tile of the tileset mine"},
        {"an object in the tiles layer", [](Tmx& t) { t.setGid("tiles", 6, 1, 259); },
         "column 6, row 1: a tile of the tileset objects"},
        {"a path mark of id 0", [](Tmx& t) { t.setGid("paths", 2, 0, 273); }, "tile 0 of paths is not one"},
        {"an external tileset", [](Tmx& t) { t.addTileset(400, "", "more.tsx"); },
         "external tileset more.tsx"},
        {"an infinite map", [](Tmx& t) { t.map().attribute("infinite") = 1; }, "infinite map"},
        {"chunks", [](Tmx& t) { t.layer("tiles").child("data").append_child("chunk"); }, "chunks"},
        {"zstd",
         [](Tmx& t) {
             t.encode("tiles", "base64");
             t.layer("tiles").child("data").append_attribute("compression") = "zstd";
         },
         "compressed with zstd"},
        {"a layer of its own", [](Tmx& t) { t.addLayerCopy("tiles", "notes"); }, "the layer \"notes\""},
        {"an object layer",
         [](Tmx& t) { t.map().append_child("objectgroup").append_attribute("name") = "spots"; },
         "the objectgroup \"spots\""},
        {"two layers of one name", [](Tmx& t) { t.addLayerCopy("paths", "paths"); },
         "two layers named paths"},
        {"a tile missing", [](Tmx& t) { t.dropLastGid("objects"); }, "holds 63 tiles instead of 32 x 2"},
        {"isometric", [](Tmx& t) { t.map().attribute("orientation") = "isometric"; },
         "orientation is isometric"},
        {"no tiles layer", [](Tmx& t) { t.layer("tiles").attribute("name") = "ground"; },
         "the layer \"ground\""},
        {"not XML", [](Tmx& t) { t.breakText(); }, "it is not XML"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Tmx t(exported);
        c.change(t);
        writeFile(tmx, t.text());
        const maptmx::Result r = maptmx::importTmx(tmx, csv);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find(c.error), std::string::npos) << r.message;
        EXPECT_NE(r.message.find("AREA1.csv was left as it was"), std::string::npos) << r.message;
        EXPECT_TRUE(readFile(csv) == original);
    }
    EXPECT_EQ(entries(dir.path()), (std::set<std::string>{"AREA1.csv", "AREA1.tmx", "tiled"}));
}

TEST(TmxImport, AMapChangedSinceTheExportIsKeptBeforeTheSave) {
    const struct Case {
        const char* name;
        bool dropChecksum; // a TMX not made by the export: whatever AREA1.csv holds is kept
    } cases[] = {{"changed after the export", false}, {"a TMX without our checksum", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing_support::TempDir dir;
        const std::string csv = (dir / "AREA1.csv").string(), tmx = (dir / "AREA1.tmx").string();
        const std::string exported = rows(3, [](int c, int) { return c % 10; });
        writeFile(csv, exported);
        ASSERT_TRUE(maptmx::exportTmx(csv, tmx).ok);
        if (c.dropChecksum) {
            Tmx t(readFile(tmx));
            t.map().remove_child("properties");
            writeFile(tmx, t.text());
        } else {
            writeFile(csv, rows(3, [](int, int) { return 7; })); // somebody else's save meanwhile
        }
        const std::string onDisk = readFile(csv);
        const maptmx::Result r = maptmx::importTmx(tmx, csv);
        ASSERT_TRUE(r.ok) << r.message;
        ASSERT_NE(r.keptChanged, "");
        EXPECT_NE(r.message.find(r.keptChanged), std::string::npos);
        EXPECT_TRUE(readFile(r.keptChanged) == onDisk);
        EXPECT_TRUE(readFile(csv) == exported);
    }
}

TEST(TmxImport, AMissingMapIsMadeAndAMissingTmxIsSaid) {
    testing_support::TempDir dir;
    const std::string csv = (dir / "AREA1.csv").string(), tmx = (dir / "AREA1.tmx").string();
    const std::string text = rows(2, [](int c, int) { return c; });
    writeFile(csv, text);
    ASSERT_TRUE(maptmx::exportTmx(csv, tmx).ok);
    fs::remove(csv);
    maptmx::Result r = maptmx::importTmx(tmx, csv);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(r.keptChanged, "");
    EXPECT_EQ(readFile(csv), text);
    r = maptmx::importTmx((dir / "gone.tmx").string(), csv);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("cannot read"), std::string::npos) << r.message;
    fs::remove(csv);
    r = maptmx::exportTmx(csv, tmx);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("there is no map"), std::string::npos) << r.message;
}

} // namespace
