// The TMX reader on arbitrary bytes: a map is refused with a reason or read whole (32 cells a row,
// at most 7001 rows), and a map read is written again as a TMX that reads back to the same cells.
#include "maptmx/tmx.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const maptmx::ParsedTmx parsed = maptmx::parseTmx(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!parsed.error.empty()) {
        if (!parsed.cells.empty()) __builtin_trap();
        return 0;
    }
    if (parsed.rows < 0 || parsed.rows > mapfile::kEditorRows ||
        parsed.cells.size() != static_cast<size_t>(parsed.rows) * mapfile::kEditorColumns)
        __builtin_trap();
    static const maptmx::TilePictures pictures = maptmx::tilePictures("/nonexistent");
    mapfile::EditorMap map;
    map.lastRow = static_cast<int16_t>(parsed.rows - 1);
    for (int row = 0; row < parsed.rows; ++row)
        for (int column = 0; column < mapfile::kEditorColumns; ++column)
            map.at(column, row) = parsed.cells[static_cast<size_t>(row * mapfile::kEditorColumns + column)];
    const maptmx::ParsedTmx again = maptmx::parseTmx(maptmx::tmxText(map, parsed.checksum.value_or("none"), pictures));
    if (!again.error.empty() || again.cells != parsed.cells) __builtin_trap();
    return 0;
}
