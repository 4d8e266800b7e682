#pragma once
// The journal's format: what reaches the disk after each edit, so that a crash, a kill or a
// logout loses at most the last second. Little-endian throughout.
//
//   header   "MAPEDJNL", u32 version (2), u32 body length L, then the body: i64 start time (Unix
//            seconds), u32 length and the bytes of the map's real path, u8 the starting map's kind
//            (0 no file, 1 its bytes), u64 length and the bytes of the map file as the editor read
//            it; then u32 CRC-32 of everything before it.
//   records  16 bytes each, appended: u8 tag, u8 column, u16 row, i16 cell before, i16 cell after,
//            u32 seconds since the start, u32 CRC-32 of those 12 bytes. The tag: "E" a cell's
//            change, "I" a blank row put in at row (the rows from it on move down), "R" row
//            taken out (blank by then; the rows after it move up); column and cells are 0 for
//            rows. A lower-case tag ("e", "i", "r") belongs to the step of the record before it.
//
// A journal holds the changes made since the map file last held them all, oldest first; undo and
// redo are changes too. Reading stops at the first record that is not whole or fails its check:
// what a crash cut off in the middle of a write. Version 1 (cells only, each a step) is read too.
#include "mapedit/editor.hpp"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mapedit::journal {

inline constexpr uint32_t kVersion = 2;
inline constexpr size_t kRecordBytes = 16;

uint32_t crc32(std::string_view data);

struct Header {
    int64_t started = 0;
    std::string mapPath;
    bool baseIsFile = false; // false: there was no map file
    std::string baseBytes;
};
std::string encodeHeader(const Header& header);
std::string encodeEdit(const Change& change, uint32_t secondsSinceStart);

enum class Status {
    Empty,   // no bytes: no journal
    Ok,      // a header for this map (and any number of edits)
    Broken,  // not a journal, or its header is cut off or fails its check
    Foreign, // another version of the format, or another map's journal
};
struct Contents {
    Status status = Status::Empty;
    std::string why; // Broken, Foreign: for the user (UTF-8)
    Header header;
    std::vector<Change> edits;
    int64_t lastEdit = 0; // Unix seconds of the last change read
};
Contents decode(std::string_view bytes, const std::string& mapPath);

// The unsaved edits a journal holds for the map as the editor read it, if there are any: edits that
// leave the journal's map as it began hold none.
std::optional<Recovery> recoveryFrom(const Contents& contents, const mapfile::EditorMap& asRead);

} // namespace mapedit::journal
