// The recording reader on arbitrary bytes: the whole file, from memory and through the file
// system. A file is refused with a reason or read whole, the same both ways; a file read whole
// gives its bytes back when written again, and every cut of it shorter than its header is refused.
#include "shooter/replay_file.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using shooter::replay::ReadResult;

void check(const ReadResult& r) {
    if (r.recording.has_value() == !r.error.empty()) __builtin_trap();
}

// The same bytes as a file: an anonymous one in memory, opened by its path as the game opens one.
ReadResult readAsFile(std::span<const uint8_t> bytes) {
    static const int fd = ::memfd_create("recording", 0);
    if (fd < 0 || ::ftruncate(fd, 0) != 0) __builtin_trap();
    if (!bytes.empty() && ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size()))
        __builtin_trap();
    return shooter::replay::readRecordingFile("/proc/self/fd/" + std::to_string(fd));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const ReadResult parsed = shooter::replay::parseRecording(bytes);
    check(parsed);

    const ReadResult read = readAsFile(bytes);
    check(read);
    if (read.error != parsed.error) __builtin_trap();
    if (parsed.recording && read.recording->keys != parsed.recording->keys) __builtin_trap();

    if (parsed.recording) {
        const auto header = shooter::replay::encodeHeader(parsed.recording->header);
        if (!std::equal(header.begin(), header.end(), data)) __builtin_trap();
        if (parsed.recording->keys.size() != size - header.size() ||
            !std::equal(parsed.recording->keys.begin(), parsed.recording->keys.end(), data + header.size()))
            __builtin_trap();
    }
    for (size_t cut = 0; cut < std::min(size, shooter::replay::kHeaderSize); ++cut)
        if (shooter::replay::parseRecording(bytes.first(cut)).recording) __builtin_trap();
    return 0;
}
