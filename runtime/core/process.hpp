#pragma once
// Process start and end: the runtime's start sequence, the clean-up list of the program's global
// variables (released in storage order) and the program's end.
#include <functional>

namespace rt {

// The first call of every program: the string registry ready, the generator at seed 1, and a
// file size limit met by a write reported as that write's error (EFBIG) instead of a signal.
void rtRuntimeInit();

// A global that owns resources (a Surface, a Picture): released by the clean-up.
void rtRegisterGlobal(std::function<void()> release);
// Releases the registered globals in the order they were registered and empties the list (a second
// call releases nothing).
void rtProgramCleanup();
// Clean-up, then exit code 0.
[[noreturn]] void rtProgramEnd();

} // namespace rt
