#include "mapfile/fileops.hpp"
#include "mapfile/save_steps.hpp"

#include "platform/files.hpp"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace mapfile::detail {

namespace {

constexpr size_t kPiece = size_t{1} << 16;

// Whether the open file holds exactly these bytes.
bool holds(int fd, const struct stat& st, std::string_view bytes, int& err) {
    if (static_cast<uint64_t>(st.st_size) != bytes.size()) return false;
    std::string piece(kPiece, '\0');
    for (size_t at = 0;;) {
        const ssize_t n = ::pread(fd, piece.data(), piece.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            err = errno;
            return false;
        }
        if (n == 0) return at == bytes.size();
        if (at + static_cast<size_t>(n) > bytes.size() ||
            std::memcmp(piece.data(), bytes.data() + at, static_cast<size_t>(n)) != 0)
            return false;
        at += static_cast<size_t>(n);
    }
}

// Copies the whole open file to out, piece by piece: a version of any size is kept.
bool copyAll(int from, int out, int& err) {
    std::string piece(kPiece, '\0');
    for (off_t at = 0;;) {
        const ssize_t n = ::pread(from, piece.data(), piece.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            err = errno;
            return false;
        }
        if (n == 0) return true;
        if (!writeAll(out, std::string_view(piece.data(), static_cast<size_t>(n)), err)) return false;
        at += n;
    }
}

} // namespace

KeptVersion keepChangedVersion(const std::string& target, const MapOrigin* origin, const std::string& folder) {
    if (!origin) return {};
    const int fd = platform::files::openRegularFile(target);
    if (fd < 0) {
        if (errno == ENOENT) return {}; // gone meanwhile: nothing on disk to lose
        const int e = errno;
        return {false, {}, "cannot read " + shownPath(target) + " to see whether it changed: " + errorText(e)};
    }
    struct stat st {};
    int err = 0;
    const bool same = ::fstat(fd, &st) == 0 && origin->kind == MapOrigin::Kind::Bytes &&
                      holds(fd, st, origin->bytes, err);
    if (same || err != 0) {
        ::close(fd);
        if (same) return {};
        return {false, {}, "cannot read " + shownPath(target) + " to see whether it changed: " + errorText(err)};
    }

    const std::string base = splitPath(target).base;
    std::string kept;
    int out = -1;
    out = createNewNamed(folder, base, "changed", kept);
    if (out < 0) {
        err = errno;
        // A folder that takes no new file (the map is rewritten in place there): the user's own.
        const std::string own = stateFolder();
        if (!own.empty()) out = createNewNamed(own, base, "changed", kept);
    }
    if (out < 0) {
        ::close(fd);
        return {false, {}, shownPath(target) + " has changed since it was read, and that version cannot be kept: " +
                               errorText(err == 0 ? ENOENT : err)};
    }
    if (::fchmod(out, st.st_mode & 0777) != 0) {
        // A file system without permissions keeps what a new file gets.
    }
    const FileOps& ops = fileOps();
    bool copied = copyAll(fd, out, err);
    if (copied && ops.fsync(out) != 0) copied = false, err = errno;
    ::close(fd);
    if (ops.close(out) != 0 && copied) copied = false, err = errno;
    if (!copied) {
        ::unlink(kept.c_str());
        return {false, {}, shownPath(target) + " has changed since it was read, and that version cannot be kept in " +
                               shownPath(kept) + ": " + errorText(err)};
    }
    return {true, shownPath(kept), {}};
}

} // namespace mapfile::detail
