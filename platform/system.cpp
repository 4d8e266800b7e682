#include "platform/system.hpp"

#include "platform/cp932.hpp"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {
std::mutex sinkMutex;
std::function<void(std::string_view)> debugSink;
} // namespace

void debugOutput(std::string_view cp932Text) {
    std::string utf8 = cp932::toUtf8(cp932Text);
    std::lock_guard lock(sinkMutex);
    if (debugSink) {
        debugSink(utf8);
    } else {
        std::fwrite(utf8.data(), 1, utf8.size(), stderr);
        std::fflush(stderr);
    }
}

void setDebugSink(std::function<void(std::string_view)> sink) {
    std::lock_guard lock(sinkMutex);
    debugSink = std::move(sink);
}

void exitProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

uint32_t tickCount() {
    return static_cast<uint32_t>(static_cast<uint64_t>(monotonicNs() / 1'000'000));
}

int64_t tickBoundaryAtOrAfter(int64_t ns) {
    int64_t ticks = ns / kTickPeriodNs;
    if (ticks * kTickPeriodNs < ns) ++ticks;
    return ticks * kTickPeriodNs;
}

void sleepMs(int32_t ms) {
    if (ms <= 0) {
        std::this_thread::yield();
        return;
    }
    const int64_t wake = tickBoundaryAtOrAfter(monotonicNs() + int64_t{ms} * 1'000'000);
    const std::chrono::steady_clock::time_point deadline{std::chrono::nanoseconds(wake)};
    std::this_thread::sleep_until(deadline);
}

int openRegularFile(const std::string& path) {
    // O_NONBLOCK lets a FIFO without a writer open at once; it is refused just below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    struct stat st {};
    const bool statted = ::fstat(fd, &st) == 0;
    if (!statted || !S_ISREG(st.st_mode)) {
        const int err = statted ? EINVAL : errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

long readFully(int fd, void* data, size_t size) {
    size_t have = 0;
    while (have < size) {
        const ssize_t n = ::read(fd, static_cast<char*>(data) + have, size - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        have += static_cast<size_t>(n);
    }
    return static_cast<long>(have);
}

std::optional<std::vector<uint8_t>> readRegularFile(const std::string& path, size_t maxBytes) {
    const int fd = openRegularFile(path);
    if (fd < 0) return std::nullopt;
    std::optional<std::vector<uint8_t>> result;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && static_cast<uint64_t>(st.st_size) <= maxBytes) {
        try {
            std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
            if (readFully(fd, bytes.data(), bytes.size()) == static_cast<long>(bytes.size()))
                result = std::move(bytes);
        } catch (const std::bad_alloc&) {
            // No memory for it: the file cannot be read, like any other failed read.
        }
    }
    ::close(fd);
    return result;
}

std::string nativePath(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

} // namespace platform
