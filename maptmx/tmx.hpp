#pragma once
// The map as a Tiled map (TMX) and back: 32 columns, one row per map row, 16 x 16 tiles and three
// tile layers, one per part of a cell: `tiles` (bits 0..7), `objects` (bits 8..11) and `paths`
// (bits 12..15). Each layer draws from an image-collection tileset of its own whose tile id is the
// part's value, so every 16-bit cell goes out and comes back exactly:
//
//   tileset  firstgid  tile ids  pictures (relative to the TMX file)
//   tiles           1  0..255    bmp/0.bmp .. bmp/9.bmp; ids above 9 (drawn as nothing by the
//                                game) only where the map has them, as tiled/black.png
//   objects       257  1..15     the game's own picture of the object the code starts
//                                (tiled/object-N.png, made from bmp/chr11-1.BMP ...), else the
//                                editor's red marker (tiled/object.png)
//   paths         273  1..15     the editor's blue marker (tiled/path.png); id 1 is the path the
//                                vehicles drive on
//
// The map's property `area1-csv-crc32` holds the CRC-32 (as zlib computes it) of the AREA1.csv
// bytes the export read, as eight lower-case hex digits, or "none" when there was no file. The
// import compares it with the file on disk to tell whether AREA1.csv changed since the export.
#include "mapfile/mapfile.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace maptmx {

inline constexpr const char* kTmxFileName = "AREA1.tmx";
inline constexpr const char* kChecksumProperty = "area1-csv-crc32";
inline constexpr const char* kNoSourceFile = "none";
// The generated pictures, in this folder beside the TMX file.
inline constexpr const char* kPictureFolder = "tiled";

inline constexpr int kTilesFirstGid = 1;
inline constexpr int kObjectsFirstGid = 257;
inline constexpr int kPathsFirstGid = 273;

// zlib's CRC-32 of the bytes.
uint32_t crc32Of(std::string_view bytes);
// The checksum property's value for a map file as a read found it.
std::string checksumText(const mapfile::MapOrigin* origin);

// A picture a tile points at: where it is relative to the TMX file and how large it is.
struct TilePicture {
    std::string source;
    int width = 16;
    int height = 16;
};
// The pictures the TMX points at, and the files to write for those made here (in kPictureFolder):
// a black tile, a red marker for objects without a picture, a blue path marker, and the game's
// ground-object sprites as PNG files whose black is transparent (Tiled keeps no transparent
// colour for a tile's own picture).
struct TilePictures {
    std::vector<TilePicture> tiles;   // tiles 0..9: bmp/0.bmp ...
    std::vector<TilePicture> objects; // index = ground code 1..15 (index 0 unused)
    TilePicture black, path;
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files; // path relative to the TMX, bytes
};
// The pictures for a TMX file in `folder`, made from the game's pictures in its bmp/.
TilePictures tilePictures(const std::string& folder);

// The TMX text of rows 0..lastRow of the map.
std::string tmxText(const mapfile::EditorMap& map, const std::string& checksum, const TilePictures& pictures);

// A map read back from a TMX text, or why it cannot be written back to AREA1.csv exactly.
struct ParsedTmx {
    std::string error;                   // empty when the map was read
    std::vector<mapfile::MapCell> cells; // row after row, 32 cells each
    int rows = 0;
    std::optional<std::string> checksum; // the checksum property, when the map has it
};
ParsedTmx parseTmx(std::string_view text);

struct Result {
    bool ok = false;
    std::string message;     // the failure, or on success what the user should know (may be empty)
    std::string keptChanged; // import: the version of AREA1.csv that had changed, kept under this name
};

// Writes the map file at mapPath as a TMX file at tmxPath (replaced as a whole), with the generated
// pictures in the folder kPictureFolder beside it. A partly read map exports the rows read and says
// so in the message.
Result exportTmx(const std::string& mapPath, const std::string& tmxPath);
// Reads the TMX file and saves it as the map file through the editor's save. When the map file no
// longer holds what the TMX was made from, the version on disk is first kept under a new name.
Result importTmx(const std::string& tmxPath, const std::string& mapPath);

} // namespace maptmx
