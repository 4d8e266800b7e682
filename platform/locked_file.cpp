#include "platform/locked_file.hpp"

#include "platform/files.hpp"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

std::string errorText(int err) {
    return std::strerror(err);
}

bool sameFile(int fd, const std::string& path) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

} // namespace

LockedFile::Opened LockedFile::open(const std::string& path, LockedFile& out, std::string& why) {
    // A file removed by its last holder between our open and our lock is given up for a new one.
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
        if (fd < 0) {
            why = errorText(errno);
            return Opened::Failed;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            why = "not a regular file";
            return Opened::Failed;
        }
        int locked = ::flock(fd, LOCK_EX | LOCK_NB);
        while (locked != 0 && errno == EINTR) locked = ::flock(fd, LOCK_EX | LOCK_NB);
        if (locked != 0 && errno == EWOULDBLOCK) {
            ::close(fd);
            return Opened::Busy;
        }
        // A file system without locks: the file is used as it is.
        if (locked == 0 && !sameFile(fd, path)) {
            ::close(fd);
            continue;
        }
        out.close();
        out.fd_ = fd;
        out.path_ = path;
        return Opened::Ok;
    }
    why = "the file keeps being replaced";
    return Opened::Failed;
}

LockedFile::LockedFile(LockedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

LockedFile& LockedFile::operator=(LockedFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

LockedFile::~LockedFile() {
    close();
}

bool LockedFile::readAll(std::string& out, size_t cap, std::string& why) {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        why = errorText(errno);
        return false;
    }
    if (static_cast<uint64_t>(st.st_size) > cap) {
        why = errorText(EFBIG);
        return false;
    }
    bool more = false;
    if (::lseek(fd_, 0, SEEK_SET) < 0 || !files::readUpTo(fd_, cap, out, more)) {
        why = errorText(errno);
        return false;
    }
    if (more) why = errorText(EFBIG);
    return !more;
}

bool LockedFile::writeFrom(uint64_t offset, std::string_view data, std::string& why) {
    const auto fail = [&](int err) {
        if (::ftruncate(fd_, static_cast<off_t>(offset)) != 0) {
            // The check of each record drops what is left past the good part.
        }
        why = errorText(err);
        return false;
    };
    if (::ftruncate(fd_, static_cast<off_t>(offset)) != 0) return fail(errno);
    if (!files::writeAllAt(fd_, data, static_cast<off_t>(offset))) return fail(errno);
    if (::fdatasync(fd_) != 0) return fail(errno);
    return true;
}

void LockedFile::remove() {
    if (fd_ < 0) return;
    // The name goes while the lock is held: whoever opens it next makes a new file.
    ::unlink(path_.c_str());
    close();
}

void LockedFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

} // namespace platform
