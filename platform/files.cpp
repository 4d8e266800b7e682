#include "platform/files.hpp"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::files {

namespace {

// Bytes asked for at a time once a file turns out longer than fstat said.
constexpr size_t kGrowth = 4096;

template <class Bytes> bool readInto(int fd, size_t maxBytes, Bytes& out, bool& more) {
    more = false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    const off_t at = ::lseek(fd, 0, SEEK_CUR);
    const uint64_t left = at >= 0 && st.st_size > at ? static_cast<uint64_t>(st.st_size - at) : 0;
    try {
        out.assign(static_cast<size_t>(std::min<uint64_t>(left, maxBytes)), 0);
        size_t have = 0;
        for (;;) {
            const long n = readFully(fd, out.data() + have, out.size() - have);
            if (n < 0) return false;
            have += static_cast<size_t>(n);
            // Short of what fstat said, or at the limit: the end. A file that grew since goes on.
            if (have < out.size() || out.size() >= maxBytes) break;
            out.resize(std::min(maxBytes, out.size() + kGrowth));
        }
        out.resize(have);
    } catch (const std::bad_alloc&) {
        errno = ENOMEM;
        return false;
    }
    if (out.size() == maxBytes) {
        char probe = 0;
        const long n = readFully(fd, &probe, 1);
        if (n < 0) return false;
        more = n > 0;
    }
    return true;
}

// Writes every byte through write(data, size, bytes written before): an interrupted write goes
// on, a short one goes on with the rest.
template <class Write> bool writeEvery(std::string_view bytes, Write write) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t n = write(bytes.data() + done, bytes.size() - done, done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

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

bool readUpTo(int fd, size_t maxBytes, std::string& out, bool& more) {
    return readInto(fd, maxBytes, out, more);
}

bool readUpTo(int fd, size_t maxBytes, std::vector<uint8_t>& out, bool& more) {
    return readInto(fd, maxBytes, out, more);
}

std::optional<std::vector<uint8_t>> readFile(const std::string& path, size_t maxBytes) {
    const int fd = openRegularFile(path);
    if (fd < 0) return std::nullopt;
    std::vector<uint8_t> bytes;
    bool more = false;
    const bool read = readUpTo(fd, maxBytes, bytes, more);
    const int err = read ? EFBIG : errno;
    ::close(fd);
    if (read && !more) return bytes;
    errno = err;
    return std::nullopt;
}

bool writeAll(int fd, std::string_view bytes, WriteCall write) {
    if (!write) write = ::write;
    return writeEvery(bytes, [&](const char* data, size_t size, size_t) { return write(fd, data, size); });
}

bool writeAllAt(int fd, std::string_view bytes, off_t offset) {
    return writeEvery(bytes, [&](const char* data, size_t size, size_t done) {
        return ::pwrite(fd, data, size, offset + static_cast<off_t>(done));
    });
}

bool makeFolders(const std::string& path, mode_t mode) {
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string level = path.substr(0, slash);
        if (!level.empty() && level.back() != '/' && ::mkdir(level.c_str(), mode) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos) break;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) return true;
    errno = ENOTDIR;
    return false;
}

int createNew(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
}

int createUnique(const std::string& base, const std::function<std::string(int n)>& suffix, int attempts,
                 std::string& path) {
    for (int n = 1; n <= attempts; ++n) {
        path = base + suffix(n);
        const int fd = createNew(path);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace platform::files
