#include "mapedit/options.hpp"

namespace mapedit {

const rt::ProgramInfo& mapeditProgram() {
    static const rt::ProgramInfo program{
        "mapedit",
        "The scroll-background creation tool: edits AREA1.csv in the current folder.",
        {{"--scale", "N", "show each pixel as an N x N block, N from 1 to 8 (default: the desktop's scale)"}},
        "Keys: arrow keys move the cursor, 0-9 set a tile, Enter and a keypad digit set a ground\n"
        "object, Tab marks a path cell, Delete clears the cell's object and mark, Ctrl+Z undoes,\n"
        "Ctrl+Y (or Ctrl+Shift+Z) redoes, Ctrl+S saves and goes on, Esc then Enter saves and\n"
        "quits. Closing the window with unsaved edits asks: Enter saves, N does not, Esc goes back.\n"
        "F12 saves the window's picture as a PNG in the pictures folder (xdg-user-dir PICTURES,\n"
        "else ~/Pictures) under mapedit/, also while the editor asks a question. Alt+Enter toggles\n"
        "fullscreen, Alt+Plus and Alt+Minus make the window larger and smaller.\n"
        "Every edit reaches a journal in $XDG_STATE_HOME/mapedit (~/.local/state/mapedit) within a\n"
        "second; the next start after a crash offers the unsaved edits back.\n"
        "Files (in the current folder): AREA1.csv, bmp/0.bmp to bmp/9.bmp.\n"
        "Exit status: 0 after saving or closing, 2 for a wrong command line, 1 when the window cannot\n"
        "be opened; ended by SIGTERM, SIGHUP or SIGINT after writing the journal out.\n"};
    return program;
}

} // namespace mapedit
