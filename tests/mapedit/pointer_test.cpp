// Where a click lands: a point of the window (the desktop's points) through the view's placement
// to the editor's pixel, and from there to a map cell, a palette tile or nothing, at each scale,
// in the fullscreen view, in a window of another size and on a high-DPI drawable.
#include "mapedit/editor.hpp"
#include "platform/window.hpp"

#include <gtest/gtest.h>

namespace {

namespace win = platform::window;
using mapedit::Target;

Target cell(int16_t column, int16_t viewRow) {
    return {Target::Kind::MapCell, column, viewRow, 0};
}
Target tile(int16_t n) {
    return {Target::Kind::Palette, 0, 0, n};
}
const Target kNothing{};

TEST(EditorPointer, ClicksLandOnTheirCellAtEveryScaleAndPlacement) {
    struct Row {
        const char* what;
        win::Placement placement;
        int32_t windowWidth, windowHeight, drawableWidth, drawableHeight;
        int32_t x, y; // the click, in the window's points
        Target expected;
    };
    const win::Placement at1{1, 0, 0, 800, 480}, at2{2, 0, 0, 1600, 960}, at3{3, 0, 0, 2400, 1440};
    const win::Placement full = win::fullscreenPlacement(800, 480, 1920, 1080); // scale 2 at 160, 60
    const win::Placement shrunk = win::windowPlacement(800, 480, 400, 240);     // all of it at half size
    const win::Placement tall = win::windowPlacement(800, 480, 800, 1000);      // scale 1, 260 down
    const Row rows[] = {
        {"scale 1: the first cell", at1, 800, 480, 800, 480, 0, 0, cell(0, 0)},
        {"scale 1: the last pixel of the view", at1, 800, 480, 800, 480, 511, 415, cell(31, 25)},
        {"scale 1: right of the view", at1, 800, 480, 800, 480, 512, 0, kNothing},
        {"scale 1: between view and palette", at1, 800, 480, 800, 480, 527, 8, kNothing},
        {"scale 1: palette tile 1", at1, 800, 480, 800, 480, 530, 20, tile(1)},
        {"scale 1: palette tile 9's last pixel", at1, 800, 480, 800, 480, 543, 159, tile(9)},
        {"scale 1: below the palette", at1, 800, 480, 800, 480, 543, 160, kNothing},
        {"scale 2: a cell's last point", at2, 1600, 960, 1600, 960, 31, 31, cell(0, 0)},
        {"scale 2: the next cell", at2, 1600, 960, 1600, 960, 32, 32, cell(1, 1)},
        {"scale 2: the view's last point", at2, 1600, 960, 1600, 960, 1023, 831, cell(31, 25)},
        {"scale 2: right of the view", at2, 1600, 960, 1600, 960, 1024, 0, kNothing},
        {"scale 3: a cell's last point", at3, 2400, 1440, 2400, 1440, 47, 47, cell(0, 0)},
        {"scale 3: the next cell", at3, 2400, 1440, 2400, 1440, 48, 48, cell(1, 1)},
        {"scale 3: the view's last point", at3, 2400, 1440, 2400, 1440, 1535, 1247, cell(31, 25)},
        {"scale 3: palette tile 5", at3, 2400, 1440, 2400, 1440, 1590, 250, tile(5)},
        {"fullscreen: the first cell", full, 1920, 1080, 1920, 1080, 160, 60, cell(0, 0)},
        {"fullscreen: the black left of the picture", full, 1920, 1080, 1920, 1080, 159, 60, kNothing},
        {"fullscreen: the view's last point", full, 1920, 1080, 1920, 1080, 1183, 891, cell(31, 25)},
        {"fullscreen: palette tile 2", full, 1920, 1080, 1920, 1080, 1220, 130, tile(2)},
        {"shrunk window: the first cell", shrunk, 400, 240, 400, 240, 1, 1, cell(0, 0)},
        {"shrunk window: the view's last point", shrunk, 400, 240, 400, 240, 255, 207, cell(31, 25)},
        {"shrunk window: palette tile 0", shrunk, 400, 240, 400, 240, 264, 0, tile(0)},
        {"a tall window: above the picture", tall, 800, 1000, 800, 1000, 0, 259, kNothing},
        {"a tall window: the first cell", tall, 800, 1000, 800, 1000, 0, 260, cell(0, 0)},
        {"high-DPI, scale 2 on a drawable twice the points", at2, 800, 480, 1600, 960, 511, 415,
         cell(31, 25)},
        {"high-DPI: palette tile 3", at2, 800, 480, 1600, 960, 530, 60, tile(3)},
    };
    for (const Row& r : rows) {
        const win::ProgramPoint p =
            win::programPointOfPointer(r.placement, 800, 480, r.windowWidth, r.windowHeight, r.drawableWidth,
                                       r.drawableHeight, r.x, r.y);
        const Target got = p.inside ? mapedit::targetAt(p.x, p.y) : Target{};
        EXPECT_EQ(got, r.expected) << r.what << ": the click at " << r.x << "," << r.y << " reached pixel "
                                   << p.x << "," << p.y << ", kind " << int(got.kind) << " column "
                                   << got.column << " view row " << got.viewRow << " tile " << got.tile;
    }
}

} // namespace
