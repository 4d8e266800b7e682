#include "mapfile/fileops.hpp"

#include <atomic>
#include <sys/file.h>
#include <unistd.h>

namespace mapfile {

namespace {
ssize_t systemWrite(int fd, const void* data, size_t size) {
    return ::write(fd, data, size);
}
int systemFsync(int fd) {
    return ::fsync(fd);
}
int systemClose(int fd) {
    return ::close(fd);
}
int systemRename(const char* from, const char* to) {
    return ::rename(from, to);
}
int systemFlock(int fd, int operation) {
    return ::flock(fd, operation);
}

constexpr FileOps kSystemOps{systemWrite, systemFsync, systemClose, systemRename, systemFlock};
std::atomic<const FileOps*> currentOps{&kSystemOps};
FileOps replacedOps{};
} // namespace

const FileOps& systemFileOps() {
    return kSystemOps;
}
const FileOps& fileOps() {
    return *currentOps.load(std::memory_order_acquire);
}

void setFileOps(const FileOps& ops) {
    if (&ops == &kSystemOps) {
        currentOps.store(&kSystemOps, std::memory_order_release);
        return;
    }
    replacedOps = ops;
    currentOps.store(&replacedOps, std::memory_order_release);
}

} // namespace mapfile
