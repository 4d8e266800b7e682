#pragma once
// FileChannel: a table of open files addressed by channel numbers 1..kChannelCount.
#include "runtime/core/rtstring.hpp"

#include <string_view>

namespace mapfile {

inline constexpr int kChannelCount = 16;

// Modes: 0 read and write, open or create; 1 read, existing file only; 2 write, create or
// truncate; 3 write, open or create, positioned at the end. The file is not shared: while a
// channel holds it, another open of it fails (and a mode-2 open then truncates nothing).
// The name is CP932 text in the programs' own form ("bmp\x.bmp"). An open on a busy channel
// closes that channel's file first. Returns false (slot left empty) when the file cannot be opened.
bool openChannel(std::string_view name, int mode, int channel);
// Writes the text's bytes (its length, no terminator, no line end) and consumes the text.
// Returns false when the channel is empty or not every byte could be written.
bool printChannel(int channel, rt::RtString text);
// Closes the channel's file and clears the slot; an empty slot is left alone. Returns false only
// when closing reported an error.
bool closeChannel(int channel);
bool channelIsOpen(int channel);

} // namespace mapfile
