// The data through the programs' own readers: the picture decoder and both map layouts.
#include "mapfile/mapfile.hpp"
#include "platform/image.hpp"
#include "tests/assets/data_files.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using assets_test::dataDir;

TEST(ProgramsRead, EveryPictureDecodesToThePixelsWritten) {
    std::vector<std::string> names;
    for (int t = 0; t < 10; ++t) names.push_back(std::to_string(t) + ".bmp");
    for (int k = 1; k <= 30; ++k)
        for (int f = 1; f <= 3; ++f) names.push_back(assets_test::spriteName(k, f));
    for (const std::string& name : names) {
        const auto path = dataDir() / "bmp" / name;
        const assets_test::BmpFile expected = assets_test::readBmp(path);
        ASSERT_EQ(expected.fault, "") << name;
        const std::string bytes = testing_support::readFile(path);
        const auto decoded = platform::decodeBmp(
            std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
        ASSERT_TRUE(decoded.has_value()) << name << " does not decode";
        EXPECT_EQ(decoded->width, expected.width) << name;
        EXPECT_EQ(decoded->height, expected.height) << name;
        EXPECT_TRUE(decoded->pixels == expected.image.pixels) << name << ": decoded pixels differ";
    }
}

// The editor opens the stage and, saved without edits, writes it back byte for byte; the game
// reads every row.
TEST(ProgramsRead, BothMapLayoutsReadTheWholeStage) {
    const std::string text = testing_support::readFile(dataDir() / "AREA1.csv");
    const auto rows = static_cast<int16_t>(std::count(text.begin(), text.end(), '\r'));

    mapfile::EditorMap editor;
    EXPECT_EQ(mapfile::readMapText(editor, text), mapfile::ReadStatus::Complete);
    EXPECT_EQ(editor.lastRow, rows - 1);
    EXPECT_TRUE(mapfile::formatMapText(editor) == text) << "a save without edits changes the file";

    mapfile::GameMap game;
    EXPECT_EQ(mapfile::readMapText(game, text), mapfile::ReadStatus::Complete);
    EXPECT_EQ(game.lastRow, rows - 1);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 32; ++c)
            ASSERT_EQ(game.at(c, r), editor.at(c, r)) << "row " << r << " column " << c;
        EXPECT_EQ(game.at(32, r), 0);
    }
}

} // namespace
