#pragma once
// For tests, which make a canvas of their own for each case: the programs' canvas never goes.
namespace prompt {

// Drops the canvas: the process is as before the window existed (no back buffer, no client
// framebuffer), so that the next test starts without a window.
void destroyCanvas();

} // namespace prompt
