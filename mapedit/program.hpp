#pragma once
// The mapedit program: start-up, the editor on the prompt window, saving and the end.
#include "mapedit/editor.hpp"

#include <cstdint>

namespace mapedit {

// The whole program after the process started: runtime, window, pictures, map, the editing loop.
// Ends the process (exit code 0) once the map has been saved. scale: the window's, 0 to take the
// desktop's; vsync: whether each picture waits for the display's refresh.
[[noreturn]] void runMapedit(int32_t scale = 0, bool vsync = true);

// How many keys the editor has asked for so far; it goes up each time the editor has finished
// with a key and waits for the next one (drivers of the program wait on it).
int64_t keyRequestCount();

} // namespace mapedit
