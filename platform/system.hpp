#pragma once
// Operating-system services the programs call on: debug output, process exit, the tick count,
// the system-tick sleep and file names (files.hpp reads and writes the files).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// Writes CP932 text to the debug output (stderr, as UTF-8). Tests may divert it with setDebugSink.
void debugOutput(std::string_view cp932Text);
// Replaces where debugOutput sends its (UTF-8) text; an empty function restores stderr.
void setDebugSink(std::function<void(std::string_view utf8)> sink);

// Flushes the standard streams and ends the process at once with the given code.
[[noreturn]] void exitProcess(int code);

// Milliseconds of a monotonic clock, wrapping every 2^32 ms like the original tick count.
uint32_t tickCount();

// The system tick: 64 Hz, 15.625 ms, counted from a fixed origin (the monotonic clock's epoch).
inline constexpr int64_t kTickPeriodNs = 15'625'000;
// The first tick boundary at or after the given monotonic time (nanoseconds since the origin).
int64_t tickBoundaryAtOrAfter(int64_t ns);
// ms <= 0 yields; otherwise returns at the first tick that lies at least ms milliseconds ahead.
// The programs were tuned on this granularity.
void sleepMs(int32_t ms);
// Nanoseconds since the monotonic origin that sleepMs counts ticks from.
int64_t monotonicNs();

// The programs name files with the original separator ("bmp\chr01-1.BMP"): each '\' becomes '/'.
// Case is kept as given.
std::string nativePath(std::string_view path);

// The folder that holds the running program's own file (links followed); empty when the system
// does not tell.
std::string ownProgramFolder();

} // namespace platform
