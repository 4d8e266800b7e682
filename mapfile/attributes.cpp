#include "mapfile/save_steps.hpp"

#include <cerrno>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace mapfile::detail {

namespace {

// Lists the names of the file's extended attributes; empty where it has none or the file system
// keeps none.
std::vector<std::string> attributeNames(const std::string& path) {
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
        if (size <= 0) return {};
        std::string list(static_cast<size_t>(size), '\0');
        const ssize_t got = ::listxattr(path.c_str(), list.data(), list.size());
        if (got < 0 && errno == ERANGE) continue; // one was added meanwhile
        if (got < 0) return {};
        std::vector<std::string> names;
        for (size_t at = 0; at < static_cast<size_t>(got);) {
            const size_t end = list.find('\0', at);
            if (end == std::string::npos || end == at) break;
            names.push_back(list.substr(at, end - at));
            at = end + 1;
        }
        return names;
    }
    return {};
}

} // namespace

void keepAttributes(const struct stat& old, const std::string& oldPath, int fd) {
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid()) {
        // Only a privileged user may give a file away. Any user may give it a group of their own,
        // so a map of a shared group stays writable for the others in it.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 && old.st_gid != ::getegid() &&
            ::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0) {
            // Not a group of this user's: the file keeps the user's group, as any new file would.
        }
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
        // A file system without permissions: nothing to keep.
    }
    // After the permissions: an access list (an attribute) sets the permission bits it implies.
    for (const std::string& name : attributeNames(oldPath)) {
        std::string value(256, '\0');
        ssize_t size = -1;
        for (int attempt = 0; attempt < 4; ++attempt) {
            size = ::getxattr(oldPath.c_str(), name.c_str(), value.data(), value.size());
            if (size >= 0 || errno != ERANGE) break;
            const ssize_t needed = ::getxattr(oldPath.c_str(), name.c_str(), nullptr, 0);
            if (needed < 0) break;
            value.resize(static_cast<size_t>(needed) + 1);
        }
        if (size < 0) continue;
        // Attributes this user may not set (trusted.*, some security.*) or that the new file's
        // file system does not keep are left behind; the save goes on.
        if (::fsetxattr(fd, name.c_str(), value.data(), static_cast<size_t>(size), 0) != 0) continue;
    }
}

} // namespace mapfile::detail
