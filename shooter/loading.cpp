#include "shooter/loading.hpp"

#include "mapfile/mapfile.hpp"
#include "runtime/core/numconv.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/prompt/prompt.hpp"

#include <algorithm>

namespace shooter {

void readMap(GameState& g, const std::string& path) {
    mapfile::GameMap map;
    mapfile::readMapFile(map, path);
    std::copy_n(map.cells.begin(), g.mapCells.size(), g.mapCells.begin());
    // Without a complete row the loop would run no frame at all and spin without waiting.
    g.lastRow = std::max<int16_t>(map.lastRow, 0);
}

void loadMap(GameState& g) {
    readMap(g, mapfile::kMapFileName);
    prompt::rtLocate(70, 0);
    prompt::rtPrint(rt::rtStrConcat(rt::rtNumToStr(g.lastRow), rt::rtStrLiteral("\r\n")));
}

} // namespace shooter
