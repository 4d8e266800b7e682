#include "mapedit/options.hpp"

namespace mapedit {

const rt::ProgramInfo& mapeditProgram() {
    static const rt::ProgramInfo program{
        "mapedit",
        "The scroll-background creation tool: edits AREA1.csv in the current folder.",
        {{"--scale", "N", "show each pixel as an N x N block, N from 1 to 8 (default: the desktop's scale)"}},
        "Keys: arrow keys move the cursor, 0-9 set a tile, Enter and a keypad digit set a ground\n"
        "object, Tab marks a path cell, Delete clears the cell's object and mark, Ctrl+Z undoes,\n"
        "Ctrl+Y (or Ctrl+Shift+Z) redoes, Esc then Enter saves and quits. Alt+Enter toggles\n"
        "fullscreen, Alt+Plus and Alt+Minus make the window larger and smaller.\n"
        "Files (in the current folder): AREA1.csv, bmp/0.bmp to bmp/9.bmp.\n"
        "Exit status: 0 after saving, 2 for a wrong command line, 1 when the window cannot be opened.\n"};
    return program;
}

} // namespace mapedit
