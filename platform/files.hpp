#pragma once
// The file layer: whole files read, bytes written whole, and files created new, never over one
// that exists. Paths are native ones (see nativePath in system.hpp). Each call that fails returns
// its failure with errno set and leaves the descriptor open: the caller owns it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace platform::files {

// ---- reading

// Opens a file for reading without ever waiting in open(): a FIFO, a device or a folder is refused
// (errno EINVAL) instead of blocking or being read as data. Returns a close-on-exec descriptor of a
// regular file with ordinary blocking reads, or -1 with errno set.
int openRegularFile(const std::string& path);

// Reads from the open file until size bytes are in or the file ends (an interrupted read goes on).
// Returns how many bytes came, or -1 with errno set when reading failed.
long readFully(int fd, void* data, size_t size);

// Reads the open file from where it stands to its end, or up to maxBytes of it: out holds what
// came (a file that grew while it was read is followed, one that shrank taken as far as it went);
// more tells whether the file went on past maxBytes. False with errno set when a read failed or
// there was no memory for the bytes (ENOMEM).
bool readUpTo(int fd, size_t maxBytes, std::string& out, bool& more);
bool readUpTo(int fd, size_t maxBytes, std::vector<uint8_t>& out, bool& more);

// The whole regular file at path (opened as openRegularFile does), when it holds at most maxBytes;
// nothing (errno set; EFBIG for a longer file) when it cannot be opened or read whole.
std::optional<std::vector<uint8_t>> readFile(const std::string& path, size_t maxBytes);

// ---- writing

// The write call to go through: the system's, or one a test puts in its place.
using WriteCall = ssize_t (*)(int fd, const void* data, size_t size);

// Writes every byte at the file's position: an interrupted write goes on and a short one goes on
// with the rest. False with errno set when a write failed (ENOSPC when one wrote nothing); how
// much of the bytes reached the file is then unknown.
bool writeAll(int fd, std::string_view bytes, WriteCall write = nullptr);
// The same at the given offset, leaving the file's position as it was (pwrite).
bool writeAllAt(int fd, std::string_view bytes, off_t offset);

// ---- creating

// Makes the folder at path (absolute) and every missing folder above it, each with the mode (less
// the umask); a level someone else made meanwhile is as good. False with errno set when a level
// cannot be made or the path is not a folder at the end (ENOTDIR).
bool makeFolders(const std::string& path, mode_t mode);

// Creates the file at path for writing (mode 0666 less the umask), close-on-exec: never a file
// that exists, nor one a symbolic link at path points to (O_EXCL). -1 with errno set (EEXIST when
// something has the name).
int createNew(const std::string& path);
// Creates a new file as createNew does under the first free name base + suffix(n), n = 1, 2, ...
// up to attempts: a taken name moves on to the next n, any other failure ends the search. path is
// the name made. -1 with errno set (EEXIST when every name tried was taken).
int createUnique(const std::string& base, const std::function<std::string(int n)>& suffix, int attempts,
                 std::string& path);

} // namespace platform::files
