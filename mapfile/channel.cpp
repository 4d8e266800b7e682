#include "mapfile/channel.hpp"

#include "mapfile/fileops.hpp"
#include "platform/cp932.hpp"
#include "platform/system.hpp"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mapfile {

namespace {

std::mutex tableLock;
std::array<int, kChannelCount + 1> table = [] {
    std::array<int, kChannelCount + 1> t{};
    t.fill(-1);
    return t;
}();

bool validChannel(int channel) {
    return channel >= 1 && channel <= kChannelCount;
}

} // namespace

bool openChannel(std::string_view name, int mode, int channel) {
    if (!validChannel(channel)) return false;
    // O_NONBLOCK: a FIFO or device in the file's place is refused below instead of waiting in open().
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    switch (mode) {
    case 0:
        flags |= O_RDWR | O_CREAT;
        break;
    case 1:
        flags |= O_RDONLY;
        break;
    case 2:
        flags |= O_WRONLY | O_CREAT;
        break; // truncated once the file is ours
    case 3:
        flags |= O_WRONLY | O_CREAT;
        break;
    default:
        return false;
    }
    closeChannel(channel);
    const std::string path = platform::nativePath(platform::cp932::toUtf8(name));
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // No sharing: a file another channel (or program) holds is not opened again.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    if ((mode == 2 && ::ftruncate(fd, 0) != 0) || (mode == 3 && ::lseek(fd, 0, SEEK_END) < 0)) {
        ::close(fd);
        return false;
    }
    std::lock_guard guard(tableLock);
    table[static_cast<size_t>(channel)] = fd;
    return true;
}

bool printChannel(int channel, rt::RtString text) {
    std::string_view bytes = rt::rtStrView(text);
    bool ok = false;
    {
        std::lock_guard guard(tableLock);
        const int fd = validChannel(channel) ? table[static_cast<size_t>(channel)] : -1;
        if (fd >= 0) {
            ok = true;
            while (!bytes.empty()) {
                const ssize_t n = fileOps().write(fd, bytes.data(), bytes.size());
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) {
                    ok = false;
                    break;
                }
                bytes.remove_prefix(static_cast<size_t>(n));
            }
        }
    }
    rt::rtStrFree(text);
    return ok;
}

bool closeChannel(int channel) {
    if (!validChannel(channel)) return true;
    int fd;
    {
        std::lock_guard guard(tableLock);
        fd = table[static_cast<size_t>(channel)];
        table[static_cast<size_t>(channel)] = -1;
    }
    return fd < 0 || fileOps().close(fd) == 0;
}

bool channelIsOpen(int channel) {
    std::lock_guard guard(tableLock);
    return validChannel(channel) && table[static_cast<size_t>(channel)] >= 0;
}

} // namespace mapfile
