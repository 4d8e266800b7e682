#include "mapedit/options.hpp"

namespace mapedit {

const rt::ProgramInfo& mapeditProgram() {
    static const rt::ProgramInfo program{
        "mapedit",
        "The scroll-background creation tool: edits AREA1.csv in the current folder.",
        {{"--scale", "N", "show each pixel as an N x N block, N from 1 to 8 (default: the desktop's scale)"},
         {"--no-vsync", "", "show each picture at once instead of at the display's next refresh"}},
        "Keys: arrow keys move the cursor, 0-9 set a tile, Enter and a keypad digit set a ground\n"
        "object, Tab marks a path cell, Delete clears the cell's object and mark, Insert puts a copy\n"
        "of the cursor's row's tiles above it, Ctrl+Delete takes the row out, Shift+arrows mark a\n"
        "rectangle: Ctrl+C copies it (also to the clipboard, as comma-separated cell values), Ctrl+X\n"
        "cuts it, Ctrl+V pastes the clipboard's block at the cursor, a digit fills it, Delete clears\n"
        "its objects and marks, an arrow or Esc unmarks it. G shows the ground objects' kinds.\n"
        "Ctrl+Z undoes a step, Ctrl+Y (or Ctrl+Shift+Z) redoes, Ctrl+S saves and goes on, Esc then\n"
        "Enter saves and quits. Closing the window with unsaved edits asks: Enter saves, N does not,\n"
        "Esc goes back.\n"
        "Mouse: a click puts the cursor on a cell, a click on a palette tile makes it the brush, a\n"
        "drag paints the brush, Shift and a drag marks a rectangle, a right click takes a cell's\n"
        "tile as the brush, the wheel scrolls.\n"
        "Alt+Enter toggles fullscreen, Alt+Plus and Alt+Minus make the window larger and smaller.\n"
        "Every edit reaches a journal in $XDG_STATE_HOME/mapedit (~/.local/state/mapedit) within a\n"
        "second; the next start after a crash offers the unsaved edits back.\n"
        "Files (in the current folder): AREA1.csv, bmp/0.bmp to bmp/9.bmp.\n"
        "Exit status: 0 after saving or closing, 2 for a wrong command line, 1 when the window cannot\n"
        "be opened; ended by SIGTERM, SIGHUP or SIGINT after writing the journal out.\n"};
    return program;
}

} // namespace mapedit
