#pragma once
// AREA1.csv: one line per map row, 32 comma-separated decimal cells, CR LF after every line.
// Both programs read it with the same algorithm into their own layout; the editor writes it.
#include <cstdint>
#include <functional>
#include <memory>
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
// A missing or empty map opens in the editor with the default stage's number of rows.
inline constexpr int kBlankMapRows = 200;
inline constexpr int kGameColumns = 33;
inline constexpr int kGameRows = 1001;
// The game counts its position in the file with a signed 16-bit counter.
inline constexpr int32_t kGameMaxFileBytes = 32767;

// How a read ended.
enum class ReadStatus {
    Complete,       // the whole file was read
    Missing,        // no such file: an empty map (lastRow -1)
    Unreadable,     // the file is there but could not be read (not a regular file, no permission)
    CapacityBreach, // a line with more fields, or more lines (or for the game more bytes), than this side
                    // holds
    ZeroByte,       // a zero byte
    FieldTooLong,   // a field of more than 255 characters
    NoFinalCr,      // the data ends inside a line: its last field has no CR after it
    LoneCr,         // a CR without an LF after it (CR line ends, or CR CR LF)
};

// Where and why a read stopped before the end of the file. Rows before `row` were read whole; the
// file from `offset` on (the first byte of the first line not taken in whole) was not.
struct ReadStop {
    ReadStatus status = ReadStatus::Complete;
    int32_t row = 0;
    uint64_t offset = 0;
    // The line where the read stopped holds a lone LF: the file was saved with LF line ends.
    bool lfLineEnds = false;
    // The file is longer than the editor holds in memory: a save could not keep its end and is
    // refused.
    bool overCap = false;
    std::string error; // Unreadable: the system's words for why
};

// The map file as the editor found it: missing, unreadable, or its bytes. A save writes what the
// read did not take in back after the rows, exactly as it was read, and compares the file on disk
// with these bytes to tell whether somebody else changed it meanwhile.
struct MapOrigin {
    enum class Kind { Missing, Bytes, Unreadable };
    Kind kind = Kind::Missing;
    std::string bytes; // Bytes: the file as read, at most the editor's read cap
    bool whole = true; // false: the file went on past the cap
    std::string why;   // Unreadable: the system's words
};

// The editor's map: column after column, cell (column, row) at column * 7001 + row.
struct EditorMap {
    std::vector<MapCell> cells = std::vector<MapCell>(kEditorColumns * kEditorRows);
    // Index of the last complete row (lines ended by CR LF, minus one); -1 for none.
    int16_t lastRow = -1;
    // How the read ended, and what it found. A map made in memory has no origin: its save compares
    // with nothing and keeps no rest.
    ReadStop stop;
    std::shared_ptr<const MapOrigin> origin;

    static constexpr int index(int column, int row) { return column * kEditorRows + row; }
    MapCell& at(int column, int row) { return cells[index(column, row)]; }
    MapCell at(int column, int row) const { return cells[index(column, row)]; }
    // The part of the file the read did not take in (empty after a whole read).
    std::string_view rest() const;
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

// Clears the map and reads the file into it. A missing file is an empty map; a read that stops
// early keeps the rows completed before it stopped. The editor's map also records where and why
// the read stopped and what it left of the file, for the editor to tell and a save to keep.
ReadStatus readMapFile(EditorMap& map, const std::string& path = kMapFileName);
ReadStatus readMapFile(GameMap& map, const std::string& path = kMapFileName);
// The same reading over bytes already in memory (the file's contents).
ReadStatus readMapText(EditorMap& map, std::string_view data);
ReadStatus readMapText(GameMap& map, std::string_view data);

// The file's text for rows 0..lastRow; onRow is called with each row before it is formatted.
std::string formatMapText(const EditorMap& map, const std::function<void(int16_t row)>& onRow = {});

struct WriteResult {
    bool ok = false;
    std::string reason; // why the save failed, for the user; empty on success
    // The file had changed since it was read (or appeared): the version found on disk was first
    // kept under this new name (a path), then the map was saved as usual. Empty when it had not.
    std::string keptChanged;
};

// Saves rows 0..lastRow followed by the map's rest, calling onRow once per row before that row is
// written (the editor shows the row number).
// - The text goes to a locked temporary file beside the map, is flushed to disk and then renamed
//   over it, so a failure at any point leaves the old file as it was. Its owner (or, where that
//   cannot be kept, its group), permissions and extended attributes are kept.
// - A map the user may not write, or that is not a regular file, or whose rest the read could not
//   hold, is not replaced. Symbolic links are followed, also to a target not there yet.
// - When the file on disk no longer holds what the read found, that version is first kept under
//   a new name beside it (keptChanged); nothing of either version is lost.
// - Where the map cannot be replaced by a rename (a file mounted on its own, a sticky folder, a
//   folder the user may not write), it is rewritten in place once a complete copy of the new text
//   is on disk; a rewrite that fails puts the old text back and names the copy.
WriteResult writeMapFile(const EditorMap& map, const std::function<void(int16_t row)>& onRow = {},
                         const std::string& path = kMapFileName);

// After a save that succeeded: the map's origin becomes what the save wrote (its rows and the
// rest), so that the next save compares the file on disk with that.
void noteSaved(EditorMap& map);
// Writes the map (rows 0..lastRow and its rest) as a complete new file beside the map, named
// "<map>.<tag>-YYYYMMDD-HHMMSS" (a name no file has), or where the map's folder takes no new file,
// in the state folder. ok with the new file's path in keptChanged, or the reason.
WriteResult writeMapCopy(const EditorMap& map, std::string_view tag, const std::string& path = kMapFileName);
// Gives a file a new name beside it, "<name>.<tag>-YYYYMMDD-HHMMSS" (a name no file has): the
// new path, or the old one when it could not be renamed.
std::string moveAside(const std::string& path, std::string_view tag);
// The map's real path: links followed, the folder made absolute; the map itself need not exist.
// Empty when its folder cannot be found.
std::string realMapPath(const std::string& path = kMapFileName);
// The user's own folder for the editor's files: $XDG_STATE_HOME/mapedit, else
// ~/.local/state/mapedit (made if missing). Empty when there is no such place.
std::string userStateFolder();

// A save in progress writes ".AREA1.csv.saving-XXXXXXXXXXXX" (twelve letters or digits) beside the
// map and holds a lock on it until it is in place.
bool isSaveTemporaryName(std::string_view fileName, std::string_view mapFileName);
// Removes the temporary files an interrupted save left beside the map (those no save holds locked);
// returns how many.
int removeStaleSaveFiles(const std::string& path = kMapFileName);

} // namespace mapfile
