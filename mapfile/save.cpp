#include "mapfile/fileops.hpp"
#include "mapfile/mapfile.hpp"
#include "mapfile/save_steps.hpp"

#include "platform/system.hpp"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mapfile {

using namespace detail;

namespace {

bool cannotBeReplaced(int renameErr) {
    // A file mounted on its own (another mount than its folder, or busy as a mount point), or a
    // file of someone else's in a sticky folder.
    return renameErr == EXDEV || renameErr == EBUSY || renameErr == EPERM;
}

// The folder takes no new file, but the map itself may be written: the new text goes to a copy in
// the user's own folder first, then over the old text.
WriteResult saveWithoutTemporary(const EditorMap& map, const std::string& target, std::string_view text,
                                 int folderErr) {
    const SplitPath where = splitPath(target);
    const auto refused = [&](const std::string& what, int err) {
        return WriteResult{false, what + ": " + errorText(err) + "; " + where.base + " was left as it was", {}};
    };
    const std::string folder = stateFolder();
    std::string copy;
    const int fd = folder.empty() ? -1 : createNewNamed(folder, where.base, "new", copy);
    if (fd < 0)
        return refused("cannot create a file in the folder " + shownPath(where.dir) +
                           ", nor a copy of the new map in a folder of your own",
                       folderErr);
    int err = 0;
    bool written = writeAll(fd, text, err) && writeAll(fd, map.rest(), err);
    if (written && fileOps().fsync(fd) != 0) written = false, err = errno;
    if (fileOps().close(fd) != 0 && written) written = false, err = errno;
    if (!written) {
        ::unlink(copy.c_str());
        return refused("cannot write a copy of the new map to " + copy, err);
    }
    const KeptVersion kept = keepChangedVersion(target, map.origin.get(), where.dir);
    if (!kept.ok) {
        ::unlink(copy.c_str());
        return {false, kept.reason + "; " + where.base + " was left as it was", {}};
    }
    WriteResult result = rewriteInPlace(target, text, map.rest(), copy, false);
    result.keptChanged = kept.path;
    return result;
}

} // namespace

WriteResult writeMapFile(const EditorMap& map, const std::function<void(int16_t row)>& onRow,
                         const std::string& path) {
    const std::string text = formatMapText(map, onRow);
    const std::string_view rest = map.rest();
    const FileOps& ops = fileOps();
    const std::string name = splitPath(platform::nativePath(path)).base;
    const auto refused = [&](const std::string& what) {
        return WriteResult{false, what + "; " + name + " was left as it was", {}};
    };

    // What a read could not hold cannot be written back, so the file it came from stays as it is.
    if (map.origin && map.origin->kind == MapOrigin::Kind::Unreadable)
        return refused("cannot read the old " + name + ": " + map.origin->why);
    if (map.origin && !map.origin->whole)
        return refused(name + " is longer than the editor can hold: " + errorText(EFBIG));

    // A link to the map is kept: the new file replaces (or creates) the file it points at.
    std::string target;
    if (!resolveMapLink(path, target)) {
        const int e = errno;
        return refused("cannot follow the link " + path + ": " + errorText(e));
    }
    struct stat st {};
    const bool hadOld = ::stat(target.c_str(), &st) == 0;
    if (hadOld && !S_ISREG(st.st_mode)) return refused(shownPath(target) + " is not a regular file");
    // Writing the old file in place would fail, so replacing it must not succeed either.
    if (hadOld && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        const int e = errno;
        return refused("cannot write " + shownPath(target) + ": " + errorText(e));
    }
    const SplitPath where = splitPath(target);

    std::string temp;
    int err = 0;
    int fd = createLockedTemp(where, temp, err);
    if (fd < 0 && err == EWOULDBLOCK)
        return refused("cannot lock a temporary file in the folder " + shownPath(where.dir) + " within " +
                       std::to_string(kLockWaitMs / 1000) + " s: " + errorText(err));
    if (fd < 0 && hadOld && (err == EACCES || err == EPERM)) return saveWithoutTemporary(map, target, text, err);
    if (fd < 0)
        return refused("cannot create a temporary file in the folder " + shownPath(where.dir) + ": " +
                       errorText(err));
    auto discard = [&](const std::string& why) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        return refused(why);
    };
    auto fail = [&](const std::string& what, int e) { return discard(what + ": " + errorText(e)); };
    // The lock lives on in a duplicate of the descriptor until the file is in place, past the close
    // that must succeed before the rename.
    const int lockFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (lockFd < 0) {
        const int e = errno;
        return fail("cannot keep " + temp + " open", e);
    }
    struct LockHolder {
        int fd;
        ~LockHolder() { ::close(fd); } // after the rename, or after a failure removed the file
    } holder{lockFd};
    if (hadOld) keepAttributes(st, target, fd);

    if (!writeAll(fd, text, err) || !writeAll(fd, rest, err))
        return fail("cannot write the map to " + shownPath(temp), err);
    if (ops.fsync(fd) != 0) {
        err = errno;
        return fail("cannot flush " + shownPath(temp) + " to disk", err);
    }
    const int closed = ops.close(fd);
    err = errno;
    fd = -1;
    if (closed != 0) return fail("cannot finish writing " + shownPath(temp), err);

    // Only now, the new map whole on disk: whatever is at the target that the read did not find is
    // kept first, and the time in which it could still change is as short as it gets.
    const KeptVersion kept = keepChangedVersion(target, map.origin.get(), where.dir);
    if (!kept.ok) return discard(kept.reason);
    if (ops.rename(temp.c_str(), target.c_str()) != 0) {
        err = errno;
        if (hadOld && cannotBeReplaced(err)) {
            WriteResult result = rewriteInPlace(target, text, rest, temp, true);
            result.keptChanged = kept.path;
            return result;
        }
        WriteResult result = fail("cannot replace " + shownPath(target), err);
        result.keptChanged = kept.path;
        return result;
    }

    // The rename itself reaches the disk only with the folder.
    const int dirFd = ::open(where.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        const int synced = ops.fsync(dirFd);
        const int syncErr = errno;
        ::close(dirFd);
        // Some file systems cannot sync a folder at all; that is not a failure of this save.
        if (synced != 0 && syncErr != EINVAL && syncErr != ENOTSUP)
            return {false,
                    shownPath(target) + " was replaced, but the folder could not be flushed to disk: " +
                        errorText(syncErr),
                    kept.path};
    }
    return {true, {}, kept.path};
}

} // namespace mapfile
