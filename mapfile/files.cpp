#include "mapfile/fileops.hpp"
#include "mapfile/save_steps.hpp"

#include "platform/system.hpp"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mapfile::detail {

bool writeAll(int fd, std::string_view text, int& err) {
    const FileOps& ops = fileOps();
    while (!text.empty()) {
        const ssize_t n = ops.write(fd, text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            return false;
        }
        if (n == 0) {
            err = ENOSPC;
            return false;
        }
        text.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool readUpTo(int fd, size_t cap, std::string& out, bool& more) {
    more = false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    out.assign(std::min(static_cast<size_t>(st.st_size), cap), '\0');
    size_t have = 0;
    for (;;) {
        const long n = platform::readFully(fd, out.data() + have, out.size() - have);
        if (n < 0) return false;
        have += static_cast<size_t>(n);
        // Short of what fstat said, or at the cap: the end. A file that grew since goes on.
        if (have < out.size() || out.size() >= cap) break;
        out.resize(std::min(cap, out.size() + 4096));
    }
    out.resize(have);
    if (have == cap) {
        char probe = 0;
        const long n = platform::readFully(fd, &probe, 1);
        if (n < 0) return false;
        more = n > 0;
    }
    return true;
}

namespace {

std::string timeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

std::string newName(const std::string& base, std::string_view tag, const std::string& stamp, int n) {
    std::string name = base;
    name.append(".").append(tag).append("-").append(stamp);
    if (n > 1) name.append("-").append(std::to_string(n));
    return name;
}

} // namespace

int createNewNamed(const std::string& dir, const std::string& base, std::string_view tag, std::string& path) {
    const std::string stamp = timeStamp();
    for (int n = 1; n <= 1000; ++n) {
        path = joinPath(dir, newName(base, tag, stamp, n));
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

std::string renameToNewNamed(const std::string& from, const std::string& dir, const std::string& base,
                             std::string_view tag) {
    const std::string stamp = timeStamp();
    for (int n = 1; n <= 1000; ++n) {
        const std::string to = joinPath(dir, newName(base, tag, stamp, n));
        // A second name first, then the old one goes: a file already there is never replaced.
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return to;
        }
        if (errno == EEXIST) continue;
        // Without hard links: a rename, after making sure the name is free.
        struct stat st {};
        if (::lstat(to.c_str(), &st) == 0) continue;
        return ::rename(from.c_str(), to.c_str()) == 0 ? to : from;
    }
    return from;
}

} // namespace mapfile::detail
