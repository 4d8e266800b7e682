// Map reading from arbitrary bytes, in both layouts. Besides not crashing, what the editor read
// must come back unchanged when it is written and read again.
#include "mapfile/mapfile.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    mapfile::GameMap game;
    mapfile::readMapText(game, text);
    if (game.lastRow < -1 || game.lastRow >= mapfile::kGameRows) __builtin_trap();

    static mapfile::EditorMap editor, again;
    mapfile::readMapText(editor, text);
    if (editor.lastRow < -1 || editor.lastRow >= mapfile::kEditorRows) __builtin_trap();
    const std::string written = mapfile::formatMapText(editor);
    if (mapfile::readMapText(again, written) != mapfile::ReadStatus::Complete) __builtin_trap();
    if (again.lastRow != editor.lastRow) __builtin_trap();
    for (int column = 0; column < mapfile::kEditorColumns; ++column)
        for (int row = 0; row <= editor.lastRow; ++row)
            if (again.at(column, row) != editor.at(column, row)) __builtin_trap();
    return 0;
}
