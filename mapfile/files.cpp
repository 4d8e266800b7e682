#include "mapfile/fileops.hpp"
#include "mapfile/save_steps.hpp"

#include "platform/files.hpp"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

namespace mapfile::detail {

bool writeAll(int fd, std::string_view text, int& err) {
    if (platform::files::writeAll(fd, text, fileOps().write)) return true;
    err = errno;
    return false;
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

// "<base>.<tag>-YYYYMMDD-HHMMSS", then "-2", "-3"... where that is taken.
constexpr int kMostNewNames = 1000;

std::string stampedName(const std::string& base, std::string_view tag, const std::string& stamp) {
    std::string name = base;
    name.append(".").append(tag).append("-").append(stamp);
    return name;
}

std::string numberSuffix(int n) {
    std::string suffix;
    if (n > 1) suffix.append("-").append(std::to_string(n));
    return suffix;
}

} // namespace

int createNewNamed(const std::string& dir, const std::string& base, std::string_view tag, std::string& path) {
    return platform::files::createUnique(joinPath(dir, stampedName(base, tag, timeStamp())), numberSuffix,
                                         kMostNewNames, path);
}

std::string renameToNewNamed(const std::string& from, const std::string& dir, const std::string& base,
                             std::string_view tag) {
    const std::string named = joinPath(dir, stampedName(base, tag, timeStamp()));
    for (int n = 1; n <= kMostNewNames; ++n) {
        const std::string to = named + numberSuffix(n);
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
