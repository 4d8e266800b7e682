#include "shooter/options.hpp"

namespace shooter {

const rt::ProgramInfo& shooterProgram() {
    static const rt::ProgramInfo program{
        "shooter",
        "A vertical-scrolling shooting game. Plays AREA1.csv with the pictures in bmp/ of the current "
        "folder.",
        {{"--scale", "N", "show each pixel as an N x N block, N from 1 to 8 (default: the desktop's scale)"}},
        "Keys: arrow keys move, X fires, Z drops a bomb, Alt+Enter toggles fullscreen,\n"
        "Alt+Plus and Alt+Minus make the window larger and smaller.\n"
        "Files (in the current folder, the play folder): AREA1.csv, bmp/, sound/zapper.wav.\n"
        "shooter-play lays out a play folder with the default data and starts the game there.\n"
        "Exit status: 0 when the window is closed, 2 for a wrong command line, 1 when the window\n"
        "cannot be opened.\n"};
    return program;
}

} // namespace shooter
