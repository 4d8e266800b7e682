#include "assets/icons.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

namespace {

struct IconCase {
    const char* name;
    platform::pixels::Bitmap (*make)();
};

const IconCase kIcons[] = {{"shooter", assets::shooterIcon}, {"mapedit", assets::mapeditIcon}};

// The art paints magenta where a character has no palette entry or a row is short.
TEST(Icons, AreFullyPaintedThirtyTwoSquare) {
    for (const IconCase& icon : kIcons) {
        const platform::pixels::Bitmap bitmap = icon.make();
        ASSERT_EQ(bitmap.width, 32) << icon.name;
        ASSERT_EQ(bitmap.height, 32) << icon.name;
        int unpainted = 0;
        for (platform::pixels::Colour c : bitmap.pixels) unpainted += c == platform::pixels::rgb(255, 0, 255);
        if (unpainted != 0) testing_support::dumpImage(bitmap, std::string("icon-") + icon.name);
        EXPECT_EQ(unpainted, 0) << icon.name << ": expected every pixel painted, got " << unpainted
                                << " without a palette colour";
    }
}

TEST(Icons, TheTwoProgramsLookDifferentAndNotFlat) {
    const platform::pixels::Bitmap shooter = assets::shooterIcon();
    const platform::pixels::Bitmap mapedit = assets::mapeditIcon();
    EXPECT_NE(shooter.pixels, mapedit.pixels);
    for (const IconCase& icon : kIcons) {
        const platform::pixels::Bitmap bitmap = icon.make();
        int differing = 0;
        for (platform::pixels::Colour c : bitmap.pixels) differing += c != bitmap.pixels.front();
        EXPECT_GT(differing, 200) << icon.name << ": expected a drawn picture, got " << differing
                                  << " pixels off the background";
    }
}

} // namespace
