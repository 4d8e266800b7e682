#pragma once
// AREA1.csv: one line per map row, 32 comma-separated decimal cells, CR LF after every line.
// Both programs read it with the same algorithm into their own layout; the editor writes it.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace mapfile {

// bits 0..7 tile code, bits 8..11 ground code, bits 12..15 path flag.
using MapCell = int16_t;

inline constexpr int kTileCodeMask = 0x00FF;
inline constexpr int kGroundCodeMask = 0x0F00;
inline constexpr int kPathMask = 0xF000;
inline constexpr int kPathFlag = 0x1000;

constexpr int tileCode(MapCell cell) {
    return cell & kTileCodeMask;
}
constexpr int groundCode(MapCell cell) {
    return (cell & kGroundCodeMask) >> 8;
}
// The game drives vehicles along cells whose top four bits are exactly 0x1000.
constexpr bool isPathCell(MapCell cell) {
    return (static_cast<uint16_t>(cell) & kPathMask) == kPathFlag;
}
// The editor shows its path marker when any of the top four bits is set.
constexpr bool hasPathMark(MapCell cell) {
    return (static_cast<uint16_t>(cell) & kPathMask) != 0;
}

inline constexpr const char* kMapFileName = "AREA1.csv";
// A field plus its terminator fits in the readers' 256-byte field buffer.
inline constexpr int kFieldBufferBytes = 256;

inline constexpr int kEditorColumns = 32;
inline constexpr int kEditorRows = 7001;
inline constexpr int kGameColumns = 33;
inline constexpr int kGameRows = 1001;
// The game counts its position in the file with a signed 16-bit counter.
inline constexpr int32_t kGameMaxFileBytes = 32767;

// The editor's map: column after column, cell (column, row) at column * 7001 + row.
struct EditorMap {
    std::vector<MapCell> cells = std::vector<MapCell>(kEditorColumns * kEditorRows);
    // Index of the last complete row (lines ended by CR, minus one); -1 for none.
    int16_t lastRow = -1;

    static constexpr int index(int column, int row) { return column * kEditorRows + row; }
    MapCell& at(int column, int row) { return cells[index(column, row)]; }
    MapCell at(int column, int row) const { return cells[index(column, row)]; }
};

// The game's map: row after row, cell (column, row) at row * 33 + column. Column 32 is never fed
// by a file the editor wrote and stays 0.
struct GameMap {
    std::vector<MapCell> cells = std::vector<MapCell>(kGameRows * kGameColumns);
    int16_t lastRow = -1;

    static constexpr int index(int column, int row) { return row * kGameColumns + column; }
    MapCell& at(int column, int row) { return cells[index(column, row)]; }
    MapCell at(int column, int row) const { return cells[index(column, row)]; }
};

enum class ReadStatus {
    Complete,       // the whole file was read
    Missing,        // no file, or it could not be read: an empty map (lastRow -1)
    CapacityBreach, // the file broke a limit of this side: the read stopped there, earlier rows kept
};

// Clears the map and reads the file into it. Nothing is reported to the user: a missing file is an
// empty map, and a file that breaks this side's limits keeps the rows completed before the breach.
ReadStatus readMapFile(EditorMap& map, const std::string& path = kMapFileName);
ReadStatus readMapFile(GameMap& map, const std::string& path = kMapFileName);
// The same reading over bytes already in memory (the file's contents; a zero byte ends the data).
ReadStatus readMapText(EditorMap& map, std::string_view data);
ReadStatus readMapText(GameMap& map, std::string_view data);

// The file's text for rows 0..lastRow; onRow is called with each row before it is formatted.
std::string formatMapText(const EditorMap& map, const std::function<void(int16_t row)>& onRow = {});

struct WriteResult {
    bool ok = false;
    std::string reason; // why the save failed, for the user; empty on success
};

// Saves rows 0..lastRow, calling onRow once per row before that row is written (the editor shows
// the row number). The text goes to a temporary file beside the map, is flushed to disk and then
// renamed over it, so a failure at any point leaves the old file as it was; the old file's
// permissions are kept.
WriteResult writeMapFile(const EditorMap& map, const std::function<void(int16_t row)>& onRow = {},
                         const std::string& path = kMapFileName);

// A save in progress writes "AREA1.csv.save-XXXXXX" (six letters or digits) beside the map.
bool isSaveTemporaryName(std::string_view fileName, std::string_view mapFileName);
// Removes the temporary files an interrupted save left beside the map; returns how many.
int removeStaleSaveFiles(const std::string& path = kMapFileName);

} // namespace mapfile
