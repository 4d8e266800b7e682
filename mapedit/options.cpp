#include "mapedit/options.hpp"

namespace mapedit {

const rt::ProgramInfo& mapeditProgram() {
    static const rt::ProgramInfo program{
        "mapedit",
        "The scroll-background creation tool: edits AREA1.csv in the current folder.",
        {{"--scale", "N", "show each pixel as an N x N block, N from 1 to 8 (default: the desktop's scale)"},
         {"--no-vsync", "", "show each picture at once instead of at the display's next refresh"},
         {"--export-tmx", "FILE", "write the map as a Tiled map to FILE (default AREA1.tmx) and exit", true},
         {"--import-tmx", "FILE", "save the Tiled map in FILE as AREA1.csv and exit"}},
        "Keys: arrow keys move the cursor, 0-9 set a tile, Enter and a keypad digit set a ground\n"
        "object, Tab marks a path cell, Delete clears the cell's object and mark, Insert puts a copy\n"
        "of the cursor's row's tiles above it, Ctrl+Delete takes the row out, Shift+arrows mark a\n"
        "rectangle: Ctrl+C copies it (also to the clipboard, as comma-separated cell values), Ctrl+X\n"
        "cuts it, Ctrl+V pastes the clipboard's block at the cursor, a digit fills it, Delete clears\n"
        "its objects and marks, an arrow or Esc unmarks it. G shows the ground objects' kinds.\n"
        "Ctrl+Z undoes a step, Ctrl+Y (or Ctrl+Shift+Z) redoes, Ctrl+S saves and goes on, F5 saves and\n"
        "starts the game (shooter, beside this program or on PATH) from the cursor's row, Esc then\n"
        "Enter saves and quits. Closing the window with unsaved edits asks: Enter saves, N does not,\n"
        "Esc goes back.\n"
        "Mouse: a click puts the cursor on a cell, a click on a palette tile makes it the brush, a\n"
        "drag paints the brush, Shift and a drag marks a rectangle, a right click takes a cell's\n"
        "tile as the brush, the wheel scrolls.\n"
        "F12 saves the window's picture as a PNG in the pictures folder (xdg-user-dir PICTURES,\n"
        "else ~/Pictures) under mapedit/, also while the editor asks a question. Alt+Enter toggles\n"
        "fullscreen, Alt+Plus and Alt+Minus make the window larger and smaller.\n"
        "Every edit reaches a journal in $XDG_STATE_HOME/mapedit (~/.local/state/mapedit) within a\n"
        "second; the next start after a crash offers the unsaved edits back.\n"
        "Files (in the current folder): AREA1.csv, bmp/0.bmp to bmp/9.bmp.\n"
        "Tiled: --export-tmx writes three tile layers (tiles, objects, paths) whose pictures are\n"
        "bmp/ and tiled/ beside the TMX file; the level starts at the bottom of the map. Edit and\n"
        "save in Tiled, then --import-tmx saves it as AREA1.csv as Ctrl+S does (a version of\n"
        "AREA1.csv changed since the export is kept under a new name first). Flipped or rotated\n"
        "tiles, a width other than 32, more than 7001 rows, other tilesets or layers, external\n"
        "tilesets and infinite maps are refused, naming the cell or the reason.\n"
        "Exit status: 0 after saving or closing, 2 for a wrong command line, 1 when the window cannot\n"
        "be opened or an export or import fails; ended by SIGTERM, SIGHUP or SIGINT after writing\n"
        "the journal out.\n"};
    return program;
}

} // namespace mapedit
