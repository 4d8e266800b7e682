// Our TMX through the real Tiled, headless: what Tiled saves of it imports byte for byte, an edit
// made there comes back, and Tiled's own renderer draws our tiles where the map has them.
#include "maptmx/tmx.hpp"

#include "platform/files.hpp"
#include "platform/image.hpp"
#include "tests/maptmx/tmx_edit.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using testing_support::readFile;
using testing_support::writeFile;

fs::path data() {
    return fs::path(std::getenv("TEST_BINARY_DIR")) / "assets/data";
}

// A play folder with the default data, and Tiled's settings and runtime files inside it.
struct PlayFolder {
    testing_support::TempDir dir;
    std::string csv = (dir / "AREA1.csv").string();
    std::string tmx = (dir / "AREA1.tmx").string();
    PlayFolder() {
        fs::copy(data() / "bmp", dir / "bmp");
        fs::copy_file(data() / "AREA1.csv", csv);
        fs::create_directories(dir / "home");
        fs::permissions(dir / "home", fs::perms::owner_all);
    }
    // Runs one of Tiled's programs offscreen; its output goes to a log beside the maps.
    int run(const std::string& command) const {
        const std::string home = (dir / "home").string();
        const std::string line =
            "cd '" + dir.path().string() + "' && export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR='" + home +
            "' XDG_CONFIG_HOME='" + home + "' HOME='" + home + "' && { " + command + "; } >>tiled.log 2>&1";
        const int status = std::system(line.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string log() const { return readFile(dir / "tiled.log"); }
};

platform::pixels::Bitmap bmp(const fs::path& path) {
    const auto bytes = platform::files::readFile(path.string(), 1 << 26);
    EXPECT_TRUE(bytes) << path;
    auto bitmap = bytes ? platform::decodeBmp(*bytes) : std::nullopt;
    EXPECT_TRUE(bitmap) << path;
    return bitmap ? *bitmap : platform::pixels::Bitmap{};
}

TEST(Tiled, WhatTiledSavesOfOurExportImportsByteForByte) {
    PlayFolder play;
    const std::string original = readFile(play.csv);
    ASSERT_TRUE(maptmx::exportTmx(play.csv, play.tmx).ok);
    const struct Case {
        const char* name;
        std::string commands; // Tiled's, ending in saved.tmx
    } cases[] = {
        {"saved as TMX", "tiled --export-map tmx AREA1.tmx saved.tmx"},
        {"saved as JSON and that again as TMX",
         "tiled --export-map json AREA1.tmx saved.json && tiled --export-map tmx saved.json saved.tmx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(play.dir / "saved.tmx");
        ASSERT_EQ(play.run(c.commands), 0) << play.log();
        const maptmx::Result r = maptmx::importTmx((play.dir / "saved.tmx").string(), play.csv);
        ASSERT_TRUE(r.ok) << r.message;
        EXPECT_EQ(r.keptChanged, "");
        EXPECT_TRUE(readFile(play.csv) == original) << "AREA1.csv differs after Tiled";
    }
}

TEST(Tiled, AnEditSavedByTiledInEveryLayerEncodingComesBack) {
    for (const char* encoding : {"base64+zlib", "base64+gzip", "base64"}) {
        SCOPED_TRACE(encoding);
        PlayFolder play;
        ASSERT_TRUE(maptmx::exportTmx(play.csv, play.tmx).ok);
        // The map maker's change: tile 3 with a turret (object 2) on a path in the bottom row, where
        // the level starts; the map saved with compressed layers.
        maptmx_test::Tmx t(readFile(play.tmx));
        t.setGid("tiles", 7, 199, maptmx::kTilesFirstGid + 3);
        t.setGid("objects", 7, 199, maptmx::kObjectsFirstGid + 2);
        t.setGid("paths", 7, 199, maptmx::kPathsFirstGid + 1);
        for (const char* layer : {"tiles", "objects", "paths"}) t.encode(layer, encoding);
        writeFile(play.dir / "edited.tmx", t.text());
        ASSERT_EQ(play.run("tiled --export-map tmx edited.tmx saved.tmx"), 0) << play.log();
        const std::string how = encoding;
        const std::string kept =
            how == "base64" ? "encoding=\"base64\">" : "compression=\"" + how.substr(7) + "\"";
        EXPECT_NE(readFile(play.dir / "saved.tmx").find(kept), std::string::npos)
            << "Tiled saved another encoding";
        ASSERT_TRUE(maptmx::importTmx((play.dir / "saved.tmx").string(), play.csv).ok);
        mapfile::GameMap game;
        ASSERT_EQ(mapfile::readMapFile(game, play.csv), mapfile::ReadStatus::Complete);
        EXPECT_EQ(game.lastRow, 199);
        EXPECT_EQ(game.at(7, 199), 0x1203);
    }
}

TEST(Tiled, TmxrasterizerDrawsOurTilesWhereTheMapHasThem) {
    PlayFolder play;
    // The start of the stage with an object and a path mark, over a tile code the game does not draw.
    std::string csv = readFile(play.csv);
    csv = csv.substr(0, csv.size() - 1);
    csv = csv.substr(0, csv.rfind("\r\n") + 2);
    std::string last;
    for (int c = 0; c < 32; ++c)
        last += std::to_string(c == 0   ? 0x0206
                               : c == 1 ? 0x1004
                               : c == 2 ? 200
                                        : c % 10) +
                (c < 31 ? "," : "\r\n");
    writeFile(play.csv, csv + last);
    ASSERT_TRUE(maptmx::exportTmx(play.csv, play.tmx).ok);
    ASSERT_EQ(
        play.run("tmxrasterizer --show-layer tiles AREA1.tmx tiles.bmp && tmxrasterizer AREA1.tmx all.bmp"),
        0)
        << play.log();
    mapfile::GameMap map;
    mapfile::readMapFile(map, play.csv);
    const platform::pixels::Bitmap tiles = bmp(play.dir / "tiles.bmp");
    ASSERT_EQ(tiles.width, 512);
    ASSERT_EQ(tiles.height, 16 * (map.lastRow + 1));
    std::vector<platform::pixels::Bitmap> tile;
    for (int i = 0; i <= 9; ++i) tile.push_back(bmp(play.dir / "bmp" / (std::to_string(i) + ".bmp")));
    int wrong = 0;
    for (int row = 0; row <= map.lastRow; ++row)
        for (int column = 0; column < 32; ++column) {
            const int code = map.at(column, row) & 0xFF;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const uint32_t want = code <= 9 ? tile[static_cast<size_t>(code)].at(x, y) : 0;
                    wrong += (tiles.at(column * 16 + x, row * 16 + y) & 0xFFFFFF) != want;
                }
        }
    EXPECT_EQ(wrong, 0) << testing_support::dumpImage(tiles, "tmxrasterizer-tiles");

    // The turret drawn from the cell's top left corner, its black left transparent; the path mark's
    // blue in the middle of its cell.
    const platform::pixels::Bitmap all = bmp(play.dir / "all.bmp");
    const platform::pixels::Bitmap turret = bmp(play.dir / "bmp/chr12-1.BMP");
    const int top = 16 * map.lastRow;
    int shown = 0, seeThrough = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint32_t sprite = turret.at(x, y), drawn = all.at(x, top + y) & 0xFFFFFF;
            if (sprite != 0)
                shown += drawn == sprite;
            else
                seeThrough += drawn == tile[6].at(x, y);
            EXPECT_EQ(drawn, sprite != 0 ? sprite : tile[6].at(x, y)) << x << "," << y;
        }
    EXPECT_GT(shown, 0);
    EXPECT_GT(seeThrough, 0);
    EXPECT_EQ(all.at(16 + 7, top + 7) & 0xFFFFFF, 0xFF0000u)
        << testing_support::dumpImage(all, "tmxrasterizer-all");
}

} // namespace
