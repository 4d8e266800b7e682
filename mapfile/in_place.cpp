#include "mapfile/fileops.hpp"
#include "mapfile/save_steps.hpp"

#include "platform/files.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mapfile::detail {

namespace {

// The map's own bytes: what a failed rewrite puts back. The editor never holds more than this.
constexpr size_t kMostOldBytes = size_t{64} << 20;

bool writeFrom0(int fd, std::string_view first, std::string_view second, int& err) {
    if (::lseek(fd, 0, SEEK_SET) != 0) {
        err = errno;
        return false;
    }
    if (!writeAll(fd, first, err) || !writeAll(fd, second, err)) return false;
    if (::ftruncate(fd, static_cast<off_t>(first.size() + second.size())) != 0) {
        err = errno;
        return false;
    }
    if (fileOps().fsync(fd) != 0) {
        err = errno;
        return false;
    }
    return true;
}

} // namespace

WriteResult rewriteInPlace(const std::string& target, std::string_view text, std::string_view rest,
                           const std::string& copyPath, bool copyIsHidden) {
    const std::string shown = shownPath(target);
    const SplitPath where = splitPath(target);
    // Before the map is touched, whatever stops the rewrite fails the save with the old map whole.
    const auto refused = [&](const std::string& what, int err) {
        ::unlink(copyPath.c_str());
        return WriteResult{false, what + ": " + errorText(err) + "; " + where.base + " was left as it was", {}};
    };
    const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int e = errno;
        return refused("cannot open " + shown + " to rewrite it", e);
    }
    struct FdCloser {
        int fd;
        ~FdCloser() { ::close(fd); }
    } closer{fd};
    std::string old;
    bool more = false;
    if (!platform::files::readUpTo(fd, kMostOldBytes, old, more)) {
        const int e = errno;
        return refused("cannot read " + shown, e);
    }
    if (more) return refused(shown + " is too large to rewrite safely", EFBIG);
    const size_t size = text.size() + rest.size();
    // A size limit would stop the rewrite half way: it is checked first.
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && size > limit.rlim_cur)
        return refused("cannot rewrite " + shown, EFBIG);
    // The room the longer text needs is taken before the first byte changes.
    if (size > old.size() && ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) != 0 &&
        (errno == ENOSPC || errno == EDQUOT || errno == EFBIG)) {
        const int e = errno;
        return refused("cannot rewrite " + shown, e);
    }

    int err = 0;
    if (writeFrom0(fd, text, rest, err)) {
        ::unlink(copyPath.c_str());
        return {true, {}, {}};
    }
    // The old text goes back; the new one stays whole in its copy, under a name the user can see.
    int restoreErr = 0;
    const bool restored = writeFrom0(fd, old, {}, restoreErr);
    const std::string copy =
        shownPath(copyIsHidden ? renameToNewNamed(copyPath, where.dir, where.base, "new") : copyPath);
    if (restored)
        return {false,
                "cannot rewrite " + shown + " in place; " + where.base + " was left as it was, the new map is in " +
                    copy + ": " + errorText(err),
                {}};
    return {false,
            "cannot rewrite " + shown + " in place and it may be damaged; the whole new map is in " + copy + ": " +
                errorText(err),
            {}};
}

} // namespace mapfile::detail
