#include "mapfile/mapfile.hpp"

#include "mapfile/fileops.hpp"
#include "platform/system.hpp"
#include "runtime/core/numconv.hpp"
#include "runtime/core/rtmath.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mapfile {

namespace {

template <class Map> struct Layout;

template <> struct Layout<EditorMap> {
    static constexpr int columns = kEditorColumns;
    static constexpr int rows = kEditorRows;
    static constexpr size_t byteLimit = SIZE_MAX;
    // Every stored field uses at most 257 bytes of the file (255 characters, its separator and
    // the byte skipped after a CR), so a read always stops before this many bytes.
    static constexpr size_t readCap = (size_t{columns} * rows + 1) * (kFieldBufferBytes + 2);
};

template <> struct Layout<GameMap> {
    static constexpr int columns = kGameColumns;
    static constexpr int rows = kGameRows;
    static constexpr size_t byteLimit = kGameMaxFileBytes;
    // One byte more than the game can address tells a file that is too long.
    static constexpr size_t readCap = kGameMaxFileBytes + 1;
};

enum class FieldEnd { Comma, Cr, Data };

// A field's cell: the low 16 bits of its number truncated to 32 bits. Plain decimal of up to nine
// digits, what the editor writes, is read directly: there every step of the general reading is an
// exact integer in a double, so the result is the same.
MapCell fieldValue(const char* field) {
    const char* p = field;
    const bool negative = *p == '-';
    if (negative) ++p;
    int32_t v = 0;
    int digits = 0;
    while (*p >= '0' && *p <= '9' && digits < 9) {
        v = v * 10 + (*p++ - '0');
        ++digits;
    }
    if (*p == 0 && digits > 0) return static_cast<MapCell>(static_cast<uint16_t>(negative ? -v : v));
    return rt::toInt16(rt::rtStrToNum(field));
}

// Reads the data into the map and tells where and why it stopped.
template <class Map> ReadStop readText(Map& map, std::string_view data) {
    using L = Layout<Map>;
    std::fill(map.cells.begin(), map.cells.end(), MapCell{0});
    map.lastRow = -1;
    // The game's 16-bit position cannot reach past byteLimit; data beyond it is a breach.
    const size_t limit = std::min(data.size(), L::byteLimit);
    const bool truncated = data.size() > limit;
    char field[kFieldBufferBytes] = {};
    size_t p = 0;
    size_t lineStart = 0; // the first byte of the line being read
    int row = 0, column = 0;
    ReadStatus status = ReadStatus::Complete;
    for (;;) {
        int k = 0;
        FieldEnd end = FieldEnd::Data;
        for (;;) {
            // Past the data (also after a CR that was the last byte) reads as the end marker.
            if (p >= limit) {
                if (truncated)
                    status = ReadStatus::CapacityBreach;
                else if (k > 0 || column > 0)
                    status = ReadStatus::NoFinalCr;
                break;
            }
            const char b = data[p];
            if (b == 0) {
                status = ReadStatus::ZeroByte;
                break;
            }
            if (k >= kFieldBufferBytes) { // a field of more than 255 characters
                status = ReadStatus::FieldTooLong;
                break;
            }
            field[k++] = b;
            ++p;
            if (b == ',') {
                field[k - 1] = 0;
                end = FieldEnd::Comma;
                break;
            }
            if (b == '\r') {
                field[k - 1] = 0;
                ++p; // the LF after the CR is skipped without being looked at
                end = FieldEnd::Cr;
                break;
            }
        }
        if (end == FieldEnd::Data) break; // nothing is stored for a field cut off by the end
        if (column >= L::columns || row >= L::rows) {
            status = ReadStatus::CapacityBreach;
            break;
        }
        map.at(column, row) = fieldValue(field);
        ++column;
        if (end == FieldEnd::Cr) {
            column = 0;
            ++row;
            lineStart = std::min(p, data.size());
        }
    }
    map.lastRow = static_cast<int16_t>(row - 1);
    ReadStop stop;
    stop.status = status;
    stop.row = row;
    stop.offset = status == ReadStatus::Complete ? data.size() : lineStart;
    // A lone LF (not after a CR) in the line looked at: the file has LF line ends.
    for (size_t i = lineStart; status != ReadStatus::Complete && i < std::min(p, data.size()); ++i)
        if (data[i] == '\n' && (i == lineStart || data[i - 1] != '\r')) stop.lfLineEnds = true;
    return stop;
}

// Opens the map file for reading; -1 with the reason when it is not there or cannot be read.
int openMapFile(const std::string& path, ReadStop& stop) {
    const int fd = platform::openRegularFile(platform::nativePath(path));
    if (fd >= 0) return fd;
    if (errno == ENOENT) {
        stop.status = ReadStatus::Missing;
    } else {
        stop.status = ReadStatus::Unreadable;
        stop.error = errno == EINVAL ? "not a regular file" : std::strerror(errno);
    }
    return -1;
}

// Up to cap bytes from the start of the open file. False when reading failed.
bool loadFile(int fd, size_t cap, std::string& out) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return false;
    out.assign(std::min(static_cast<size_t>(st.st_size), cap), '\0');
    size_t have = 0;
    for (;;) {
        if (have == out.size()) {
            if (out.size() >= cap) break;
            out.resize(std::min(cap, out.size() + 4096)); // the file grew since fstat
        }
        const ssize_t n = ::read(fd, out.data() + have, out.size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        have += static_cast<size_t>(n);
    }
    out.resize(have);
    return true;
}

// Reads the file into the map. Returns the open file when the read stopped before its end (the
// caller keeps what follows), else -1.
template <class Map> int readFile(Map& map, const std::string& path, ReadStop& stop) {
    stop = {};
    const int fd = openMapFile(path, stop);
    std::string data;
    if (fd >= 0 && !loadFile(fd, Layout<Map>::readCap, data)) {
        stop.status = ReadStatus::Unreadable;
        stop.error = std::strerror(errno);
    }
    if (stop.status != ReadStatus::Complete) {
        if (fd >= 0) ::close(fd);
        readText(map, {});
        return -1;
    }
    stop = readText(map, data);
    if (stop.status == ReadStatus::Complete) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// ---- saving ----

// ".AREA1.csv.saving-" and twelve letters or digits: hidden, and no name a user would pick.
constexpr std::string_view kSaveInfix = ".saving-";
constexpr size_t kSaveSuffixLength = 12;

std::string errorText(int err) {
    return std::strerror(err);
}

struct SplitPath {
    std::string dir;  // "." for a bare name
    std::string base; // the file name
};

SplitPath splitPath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string joinPath(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

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

// The file a map name stands for: symbolic links are followed, also to a target that does not
// exist yet, so that saving replaces or creates that file and leaves the links in place. False
// (errno set) for a chain of links that does not end.
bool resolveMapLink(const std::string& path, std::string& target) {
    target = platform::nativePath(path);
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(4096, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return true; // gone meanwhile: the name itself
        if (static_cast<size_t>(n) >= link.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        link.resize(static_cast<size_t>(n));
        target = link[0] == '/' ? link : joinPath(splitPath(target).dir, link);
    }
    errno = ELOOP;
    return false;
}

// A lock on an open file that stays while any duplicate of its descriptor is open.
bool lockFile(int fd, bool wait) {
    for (;;) {
        if (::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB)) == 0) return true;
        if (errno != EINTR) return false;
    }
}

// Creates a new temporary beside the map and locks it: the lock tells a starting editor that the
// file is in use. That editor's clean-up may take an unlocked file in the instant between its
// creation and the lock and remove it, so the name is checked once the lock is held and a removed
// file is given up for a new one. Where the file system has no locks the clean-up removes nothing.
int createLockedTemp(const SplitPath& where, std::string& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = joinPath(where.dir, "." + where.base + std::string(kSaveInfix) + randomSuffix());
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0 || !lockFile(fd, true)) return fd;
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::lstat(temp.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino)
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

} // namespace

ReadStatus readMapText(EditorMap& map, std::string_view data) {
    map.stop = readText(map, data);
    map.rest = map.stop.status == ReadStatus::Complete
                   ? nullptr
                   : MapRest::ofText(std::string(data.substr(static_cast<size_t>(map.stop.offset))));
    return map.stop.status;
}
ReadStatus readMapText(GameMap& map, std::string_view data) {
    return readText(map, data).status;
}
ReadStatus readMapFile(EditorMap& map, const std::string& path) {
    map.rest = nullptr;
    const int fd = readFile(map, path, map.stop);
    if (fd >= 0) {
        map.rest = MapRest::ofFile(fd, map.stop.offset);
    } else if (map.stop.status == ReadStatus::Unreadable) {
        map.rest = MapRest::unreadable(map.stop.error);
    }
    return map.stop.status;
}
ReadStatus readMapFile(GameMap& map, const std::string& path) {
    ReadStop stop;
    const int fd = readFile(map, path, stop);
    if (fd >= 0) ::close(fd);
    return stop.status;
}

std::string formatMapText(const EditorMap& map, const std::function<void(int16_t row)>& onRow) {
    const int last = std::min<int>(map.lastRow, kEditorRows - 1);
    std::string text;
    if (last < 0) return text;
    text.reserve(static_cast<size_t>(last + 1) * kEditorColumns * 4);
    char buf[8];
    for (int row = 0; row <= last; ++row) {
        if (onRow) onRow(static_cast<int16_t>(row));
        for (int column = 0; column < kEditorColumns; ++column) {
            // Plain decimal is exactly what rtNumToStr prints for every 16-bit value.
            const auto r = std::to_chars(buf, buf + sizeof buf, static_cast<int>(map.at(column, row)));
            text.append(buf, r.ptr);
            text += column + 1 < kEditorColumns ? "," : "\r\n";
        }
    }
    return text;
}

WriteResult writeMapFile(const EditorMap& map, const std::function<void(int16_t row)>& onRow,
                         const std::string& path) {
    const std::string text = formatMapText(map, onRow);
    const FileOps& ops = fileOps();
    const std::string name = splitPath(platform::nativePath(path)).base;
    const auto refused = [&](const std::string& what) {
        return WriteResult{false, what + "; " + name + " was left as it was"};
    };

    // A link to the map is kept: the new file replaces (or creates) the file it points at.
    std::string target;
    if (!resolveMapLink(path, target)) {
        const int e = errno;
        return refused("cannot follow the link " + path + ": " + errorText(e));
    }
    struct stat st {};
    const bool hadOld = ::stat(target.c_str(), &st) == 0;
    if (hadOld && !S_ISREG(st.st_mode)) return refused(target + " is not a regular file");
    // Writing the old file in place would fail, so replacing it must not succeed either.
    if (hadOld && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        const int e = errno;
        return refused("cannot write " + target + ": " + errorText(e));
    }
    const SplitPath where = splitPath(target);

    std::string temp;
    int fd = createLockedTemp(where, temp);
    if (fd < 0) {
        const int e = errno;
        return refused("cannot create a temporary file in the folder " + where.dir + ": " + errorText(e));
    }
    auto discard = [&](const std::string& why) {
        if (fd >= 0) ::close(fd);
        ::unlink(temp.c_str());
        return refused(why);
    };
    auto fail = [&](const std::string& what, int err) { return discard(what + ": " + errorText(err)); };
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
    if (hadOld) {
        // Keep the old file's owner (possible only with privileges) and permissions.
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid())
            if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
                // Not permitted: the file stays ours, as any new file would be.
            }
        if (::fchmod(fd, st.st_mode & 07777) != 0) {
            // A file system without permissions: nothing to keep.
        }
    }

    int err = 0;
    if (!writeAll(fd, text, err)) return fail("cannot write the map to " + temp, err);
    if (map.rest) {
        std::string why;
        const bool copied =
            map.rest->copyTo([&](std::string_view piece) { return writeAll(fd, piece, err); }, why);
        if (err != 0) return fail("cannot write the map to " + temp, err);
        if (!copied) return discard("cannot read the rest of the old " + name + ": " + why);
    }
    if (ops.fsync(fd) != 0) {
        err = errno;
        return fail("cannot flush " + temp + " to disk", err);
    }
    const int closed = ops.close(fd);
    err = errno;
    fd = -1;
    if (closed != 0) return fail("cannot finish writing " + temp, err);
    if (ops.rename(temp.c_str(), target.c_str()) != 0) {
        err = errno;
        return fail("cannot replace " + target, err);
    }

    // The rename itself reaches the disk only with the folder.
    const int dirFd = ::open(where.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        const int synced = ops.fsync(dirFd);
        const int syncErr = errno;
        ::close(dirFd);
        // Some file systems cannot sync a folder at all; that is not a failure of this save.
        if (synced != 0 && syncErr != EINVAL && syncErr != ENOTSUP)
            return {false, target + " was replaced, but the folder could not be flushed to disk: " +
                               errorText(syncErr)};
    }
    return {true, {}};
}

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
    if (!resolveMapLink(path, target)) target = platform::nativePath(path);
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
        struct stat named {};
        if (::fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && lockFile(fd, false) &&
            ::lstat(name.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
            named.st_ino == held.st_ino && ::unlink(name.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

// ---- what a read left of the file ----

std::shared_ptr<const MapRest> MapRest::ofText(std::string bytes) {
    std::shared_ptr<MapRest> rest(new MapRest);
    rest->text_ = std::move(bytes);
    return rest;
}

std::shared_ptr<const MapRest> MapRest::ofFile(int fd, uint64_t offset) {
    std::shared_ptr<MapRest> rest(new MapRest);
    rest->fd_ = fd;
    rest->offset_ = offset;
    return rest;
}

std::shared_ptr<const MapRest> MapRest::unreadable(std::string why) {
    std::shared_ptr<MapRest> rest(new MapRest);
    rest->unreadable_ = why.empty() ? std::string("unreadable") : std::move(why);
    return rest;
}

MapRest::~MapRest() {
    if (fd_ >= 0) ::close(fd_);
}

bool MapRest::copyTo(const std::function<bool(std::string_view piece)>& sink, std::string& why) const {
    if (!unreadable_.empty()) {
        why = unreadable_;
        return false;
    }
    if (fd_ < 0) return text_.empty() || sink(text_);
    std::vector<char> buffer(size_t{1} << 16);
    for (uint64_t at = offset_;;) {
        const ssize_t n = ::pread(fd_, buffer.data(), buffer.size(), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = errorText(errno);
            return false;
        }
        if (n == 0) return true;
        if (!sink({buffer.data(), static_cast<size_t>(n)})) return false;
        at += static_cast<uint64_t>(n);
    }
}

// ---- the operations a save goes through ----

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

constexpr FileOps kSystemOps{systemWrite, systemFsync, systemClose, systemRename};
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
