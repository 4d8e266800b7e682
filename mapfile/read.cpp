#include "mapfile/mapfile.hpp"

#include "platform/files.hpp"
#include "platform/system.hpp"
#include "runtime/core/numconv.hpp"
#include "runtime/core/rtmath.hpp"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
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
                // A line ends with CR LF. A CR followed by anything else (CR line ends, CR CR LF)
                // ends the reading there, as LF alone does: the next line's first byte is data.
                if (p < limit && data[p] != '\n') {
                    status = ReadStatus::LoneCr;
                    break;
                }
                ++p; // the LF
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
    const int fd = platform::files::openRegularFile(platform::nativePath(path));
    if (fd >= 0) return fd;
    if (errno == ENOENT) {
        stop.status = ReadStatus::Missing;
    } else {
        stop.status = ReadStatus::Unreadable;
        stop.error = errno == EINVAL ? "not a regular file" : std::strerror(errno);
    }
    return -1;
}

// Reads the file into the map and records what it found: a missing or unreadable file reads as
// an empty map. The bytes stay with the origin.
template <class Map> ReadStop readFile(Map& map, const std::string& path, MapOrigin& origin) {
    ReadStop stop;
    origin = {};
    const int fd = openMapFile(path, stop);
    bool more = false;
    if (fd >= 0) {
        if (platform::files::readUpTo(fd, Layout<Map>::readCap, origin.bytes, more)) {
            origin.kind = MapOrigin::Kind::Bytes;
            origin.whole = !more;
        } else {
            stop.status = ReadStatus::Unreadable;
            stop.error = std::strerror(errno);
        }
        ::close(fd);
    }
    if (stop.status != ReadStatus::Complete) {
        if (stop.status == ReadStatus::Unreadable) {
            origin.kind = MapOrigin::Kind::Unreadable;
            origin.why = stop.error.empty() ? std::string("unreadable") : stop.error;
        }
        origin.bytes.clear();
        readText(map, {});
        return stop;
    }
    stop = readText(map, origin.bytes);
    stop.overCap = more;
    return stop;
}

} // namespace

std::string_view EditorMap::rest() const {
    if (!origin || stop.status == ReadStatus::Complete || stop.status == ReadStatus::Missing ||
        stop.status == ReadStatus::Unreadable)
        return {};
    return std::string_view(origin->bytes).substr(std::min<size_t>(stop.offset, origin->bytes.size()));
}

ReadStatus readMapText(EditorMap& map, std::string_view data) {
    auto origin = std::make_shared<MapOrigin>();
    origin->kind = MapOrigin::Kind::Bytes;
    origin->bytes.assign(data);
    map.stop = readText(map, origin->bytes);
    map.origin = std::move(origin);
    return map.stop.status;
}
ReadStatus readMapText(GameMap& map, std::string_view data) {
    return readText(map, data).status;
}
ReadStatus readMapFile(EditorMap& map, const std::string& path) {
    auto origin = std::make_shared<MapOrigin>();
    map.stop = readFile(map, path, *origin);
    map.origin = std::move(origin);
    return map.stop.status;
}
ReadStatus readMapFile(GameMap& map, const std::string& path) {
    MapOrigin origin;
    return readFile(map, path, origin).status;
}

} // namespace mapfile
