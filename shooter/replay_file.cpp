#include "shooter/replay_file.hpp"

#include "platform/files.hpp"
#include "shooter/game_state.hpp"
#include "shooter/timing.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace shooter::replay {

namespace {

void putLe(uint8_t* at, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t getLe(const uint8_t* at, int bytes) {
    uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

ReadResult refuse(std::string why) {
    return {std::nullopt, std::move(why)};
}

std::string hexByte(uint8_t b) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02x", b);
    return text;
}

std::string_view asText(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace

std::vector<uint8_t> encodeHeader(const Header& header) {
    std::vector<uint8_t> bytes(header.version >= 2 ? kHeaderSizeWithStartRow : kHeaderSize);
    std::copy(kMagic.begin(), kMagic.end(), bytes.begin());
    putLe(&bytes[8], header.version, 2);
    bytes[kSpeedOffset] = header.speedFactor;
    bytes[kSpeedOffset + 1] = header.frameWait;
    putLe(&bytes[12], header.seed, 4);
    putLe(&bytes[16], header.mapHash, 8);
    putLe(&bytes[24], header.picturesHash, 8);
    if (header.version >= 2) putLe(&bytes[kStartRowOffset], static_cast<uint16_t>(header.startRow), 2);
    return bytes;
}

ReadResult parseRecording(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return refuse("the file is empty");
    const size_t magicSeen = std::min(bytes.size(), kMagic.size());
    if (!std::equal(bytes.begin(), bytes.begin() + static_cast<ptrdiff_t>(magicSeen), kMagic.begin()))
        return refuse("it is not a recording of this game (it does not start with \"SHOOTRUN\")");
    if (bytes.size() < kHeaderSize)
        return refuse("its header is cut off after " + std::to_string(bytes.size()) + " of " +
                      std::to_string(kHeaderSize) + " bytes");
    Recording r;
    Header& h = r.header;
    h.version = static_cast<uint16_t>(getLe(&bytes[8], 2));
    h.speedFactor = bytes[kSpeedOffset];
    h.frameWait = bytes[kSpeedOffset + 1];
    h.seed = static_cast<uint32_t>(getLe(&bytes[12], 4));
    h.mapHash = getLe(&bytes[16], 8);
    h.picturesHash = getLe(&bytes[24], 8);
    if (h.version > kVersion)
        return refuse("it is a recording of format version " + std::to_string(h.version) +
                      ", newer than this program reads (" + std::to_string(kVersion) + ")");
    if (h.version == 0) return refuse("its format version 0 does not exist: the file is broken");
    const size_t headerSize = h.version >= 2 ? kHeaderSizeWithStartRow : kHeaderSize;
    if (bytes.size() < headerSize)
        return refuse("its header is cut off after " + std::to_string(bytes.size()) + " of " +
                      std::to_string(headerSize) + " bytes");
    if (h.version >= 2) {
        h.startRow = static_cast<int32_t>(getLe(&bytes[kStartRowOffset], 2));
        if (h.startRow > kMaxStartRow)
            return refuse("its start row " + std::to_string(h.startRow) + " is past any map the game holds");
    }
    const uint8_t sf = h.speedFactor;
    if (sf != 0 && sf != 1 && sf != 2 && sf != 4 && sf != 8 && sf != 16)
        return refuse("its speed factor " + std::to_string(sf) + " is not one the game chooses");
    if (h.frameWait > 2 || (sf == 0 && h.frameWait != 0))
        return refuse("its wait of " + std::to_string(h.frameWait) + " ms is not one the game chooses");
    const size_t frames = bytes.size() - headerSize;
    if (frames > kMaxFrames) return refuse("it holds more frames than a recording can");
    if (sf == 0 && frames > static_cast<size_t>(kCalibrationFrames))
        return refuse("it holds frames after the speed measurement but no measured speed");
    r.keys.assign(bytes.begin() + static_cast<ptrdiff_t>(headerSize), bytes.end());
    for (size_t i = 0; i < r.keys.size(); ++i) {
        const uint8_t read =
            i < static_cast<size_t>(kCalibrationFrames) ? kCalibrationFrameKeys : kGameFrameKeys;
        if ((r.keys[i] & ~read) != 0)
            return refuse("frame " + std::to_string(i) + " holds keys " + hexByte(r.keys[i]) +
                          " that the game does not read there: the file is broken");
    }
    return {std::move(r), {}};
}

ReadResult readRecordingFile(const std::string& path) {
    const int fd = platform::files::openRegularFile(path);
    if (fd < 0) {
        const int err = errno;
        struct stat st {};
        if (err == EINVAL && ::stat(path.c_str(), &st) == 0)
            return refuse(S_ISDIR(st.st_mode) ? "it is a folder"
                                              : "it is not a regular file (a FIFO, a socket or a device)");
        return refuse(std::strerror(err));
    }
    ReadResult result;
    struct stat st {};
    std::vector<uint8_t> bytes;
    bool more = false;
    if (::fstat(fd, &st) != 0) {
        result = refuse(std::strerror(errno));
    } else if (static_cast<uint64_t>(st.st_size) > kHeaderSizeWithStartRow + kMaxFrames) {
        result = refuse("it is " + std::to_string(st.st_size) + " bytes long, longer than any recording (" +
                        std::to_string(kMaxFrames) + " frames)");
    } else if (!platform::files::readUpTo(fd, static_cast<size_t>(st.st_size), bytes, more)) {
        result = refuse(std::strerror(errno));
    } else {
        // A file that shrank while it was read is taken as far as it went, one that grew as far as
        // it was long when the read began.
        result = parseRecording(bytes);
    }
    ::close(fd);
    return result;
}

std::unique_ptr<Recorder> Recorder::create(const std::string& path, const Header& header,
                                           std::string& error) {
    // O_EXCL: an existing file, or a symbolic link wherever it points, is never replaced.
    const int fd = platform::files::createNew(path);
    if (fd < 0) {
        error = errno == EEXIST ? "it exists already, and a recording never replaces a file"
                                : std::strerror(errno);
        return nullptr;
    }
    const auto bytes = encodeHeader(header);
    if (!platform::files::writeAll(fd, asText(bytes.data(), bytes.size()))) {
        error = std::strerror(errno);
        ::close(fd);
        ::unlink(path.c_str());
        return nullptr;
    }
    return std::unique_ptr<Recorder>(new Recorder(fd));
}

Recorder::~Recorder() {
    ::close(fd_);
}

void Recorder::stop(const char* what, int error) {
    stopped_ = true;
    std::fprintf(stderr, "shooter: the recording stopped after %llu frames: %s: %s\n",
                 static_cast<unsigned long long>(frames_), what, std::strerror(error));
    std::fflush(stderr);
}

void Recorder::addFrame(uint8_t keys) {
    if (stopped_) return;
    if (!platform::files::writeAll(fd_, asText(&keys, 1))) return stop("a frame could not be written", errno);
    ++frames_;
}

void Recorder::setSpeed(uint8_t speedFactor, uint8_t frameWait) {
    if (stopped_) return;
    const uint8_t bytes[2] = {speedFactor, frameWait};
    if (!platform::files::writeAllAt(fd_, asText(bytes, 2), static_cast<off_t>(kSpeedOffset)))
        stop("the measured speed could not be written", errno);
}

} // namespace shooter::replay
