#pragma once
// Sound: one WAV file at a time, played asynchronously. A new sound cuts off the one still
// playing. Without an audio device, or when the file is missing or not a WAV, nothing plays.
// Call from the program's main thread.
#include <cstdint>
#include <string>

namespace platform::sound {

// Loads the file, stops what plays and queues the new sound; returns at once. True when the
// sound was queued.
bool playWav(const std::string& path);

// While muted nothing plays: a sound still playing stops, and playWav queues nothing.
void setMuted(bool muted);
bool muted();
// While paused the sound that plays holds where it is, and goes on when the pause ends.
void setPaused(bool paused);

// Bytes still waiting to be played (0 when nothing plays or there is no device).
uint32_t queuedBytes();

} // namespace platform::sound
