#pragma once
// The signals that ask a program to end (SIGTERM at a logout, SIGHUP when its terminal goes,
// SIGINT for Ctrl+C), caught so that the program can finish its work before it ends.
namespace platform::signals {

// From now on these signals no longer end the process; the program looks at pendingEndSignal.
void catchEndSignals();
// The first of them that came since catchEndSignals, or 0.
int pendingEndSignal();
// Ends the process as that signal would have, had it not been caught (the parent sees it so).
[[noreturn]] void endBySignal(int signal);

} // namespace platform::signals
