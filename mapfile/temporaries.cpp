#include "mapfile/fileops.hpp"
#include "mapfile/save_steps.hpp"

#include "platform/files.hpp"
#include "platform/system.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mapfile {

namespace {

using detail::joinPath;
using detail::SplitPath;
using detail::splitPath;

// ".AREA1.csv.saving-" and twelve letters or digits: hidden, and no name a user would pick.
constexpr std::string_view kSaveInfix = ".saving-";
constexpr size_t kSaveSuffixLength = 12;

std::string randomSuffix() {
    static std::atomic<uint64_t> counter{0};
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string s;
    while (s.size() < kSaveSuffixLength) {
        uint64_t x = static_cast<uint64_t>(platform::monotonicNs()) ^
                     (static_cast<uint64_t>(::getpid()) << 32) ^
                     (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
        // splitmix64 finaliser: well spread bits from a cheap seed; six characters use 36 of them
        x ^= x >> 30;
        x *= 0xBF58476D1CE4E5B9ull;
        x ^= x >> 27;
        x *= 0x94D049BB133111EBull;
        x ^= x >> 31;
        for (int i = 0; i < 6 && s.size() < kSaveSuffixLength; ++i) {
            s += kAlphabet[x % 62];
            x /= 62;
        }
    }
    return s;
}

enum class Lock { Held, Busy, Unsupported };

// A lock on an open file that stays while any duplicate of its descriptor is open. A lock another
// process holds is asked for again until waitMs have passed: no save waits for ever on a lock a
// stuck file server never grants. A file system without locks saves without one.
Lock lockFile(int fd, int waitMs) {
    const int64_t deadline = platform::monotonicNs() + int64_t{waitMs} * 1'000'000;
    for (;;) {
        if (fileOps().flock(fd, LOCK_EX | LOCK_NB) == 0) return Lock::Held;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return Lock::Unsupported;
        if (platform::monotonicNs() >= deadline) return Lock::Busy;
        ::usleep(2000);
    }
}

bool sameFile(int fd, const std::string& name) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(name.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
           named.st_ino == held.st_ino;
}

} // namespace

namespace detail {

// The lock tells a starting editor that the file is in use. That editor's clean-up may take an
// unlocked file in the instant between its creation and the lock and remove it, so the name is
// checked once the lock is held and a removed file is given up for a new one. Where the file system
// has no locks the clean-up removes nothing.
int createLockedTemp(const SplitPath& where, std::string& temp, int& err) {
    const std::string base = joinPath(where.dir, "." + where.base + std::string(kSaveInfix));
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = platform::files::createUnique(
            base, [](int) { return randomSuffix(); }, 100, temp);
        if (fd < 0) {
            err = errno;
            return -1;
        }
        const Lock lock = lockFile(fd, kLockWaitMs);
        if (lock == Lock::Busy) {
            ::close(fd);
            ::unlink(temp.c_str());
            err = EWOULDBLOCK;
            return -1;
        }
        if (lock == Lock::Unsupported || sameFile(fd, temp)) return fd;
        ::close(fd);
    }
    err = EEXIST;
    return -1;
}

} // namespace detail

bool isSaveTemporaryName(std::string_view fileName, std::string_view mapFileName) {
    if (fileName.size() != 1 + mapFileName.size() + kSaveInfix.size() + kSaveSuffixLength) return false;
    if (fileName[0] != '.' || fileName.substr(1, mapFileName.size()) != mapFileName) return false;
    if (fileName.substr(1 + mapFileName.size(), kSaveInfix.size()) != kSaveInfix) return false;
    const std::string_view suffix = fileName.substr(1 + mapFileName.size() + kSaveInfix.size());
    return std::all_of(suffix.begin(), suffix.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
    });
}

int removeStaleSaveFiles(const std::string& path) {
    std::string target;
    if (!detail::resolveMapLink(path, target)) target = platform::nativePath(path);
    const SplitPath where = splitPath(target);
    DIR* dir = ::opendir(where.dir.c_str());
    if (!dir) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!isSaveTemporaryName(entry->d_name, where.base)) continue;
        const std::string name = joinPath(where.dir, entry->d_name);
        const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) continue;
        // Only a file no save holds is stale; and only the file just locked is removed.
        struct stat held {};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && lockFile(fd, 0) == Lock::Held &&
            sameFile(fd, name) && ::unlink(name.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

} // namespace mapfile
