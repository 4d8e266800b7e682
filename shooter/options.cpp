#include "shooter/options.hpp"

namespace shooter {

const rt::ProgramInfo& shooterProgram() {
    static const rt::ProgramInfo program{
        "shooter",
        "A vertical-scrolling shooting game. Plays AREA1.csv with the pictures in bmp/ of the current folder.",
        {},
        "Keys: arrow keys move, X fires, Z drops a bomb, Alt+Enter toggles fullscreen.\n"
        "Files (in the current folder): AREA1.csv, bmp/, sound/zapper.wav.\n"
        "Exit status: 0 when the window is closed, 2 for a wrong command line, 1 when the window\n"
        "cannot be opened.\n"};
    return program;
}

} // namespace shooter
