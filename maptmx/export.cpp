#include "maptmx/tmx.hpp"

#include "platform/files.hpp"
#include "platform/image.hpp"
#include "platform/png_writer.hpp"

#include <pugixml.hpp>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace maptmx {

namespace {

constexpr int kTile = 16;

// The game's picture of each ground code: the first frame of the object it starts (code 9 starts
// the fortress). Codes that start nothing have none.
const char* objectPictureName(int code) {
    switch (code) {
    case 1:
        return "bmp/chr11-1.BMP";
    case 2:
        return "bmp/chr12-1.BMP";
    case 3:
        return "bmp/chr13-1.BMP";
    case 4:
        return "bmp/chr14-1.BMP";
    case 5:
        return "bmp/chr15-1.BMP";
    case 9:
        return "bmp/chr30-1.BMP";
    default:
        return nullptr;
    }
}

// The game's picture at path (relative to folder), decoded; empty when it is missing or broken.
platform::pixels::Bitmap gamePicture(const std::string& folder, const std::string& path) {
    const auto bytes = platform::files::readFile(folder + "/" + path, 1 << 24);
    if (!bytes) return {};
    auto bitmap = platform::decodeBmp(*bytes);
    return bitmap ? std::move(*bitmap) : platform::pixels::Bitmap{};
}

// A 16 x 16 picture: colour inside the square [from, to] of both coordinates, black elsewhere.
platform::pixels::Bitmap square(platform::pixels::Colour colour, int from, int to) {
    platform::pixels::Bitmap b(kTile, kTile, 0);
    for (int y = from; y <= to; ++y)
        for (int x = from; x <= to; ++x) b.at(x, y) = colour;
    return b;
}

TilePicture made(TilePictures& p, const std::string& name, const platform::pixels::Bitmap& bitmap,
                 bool blackTransparent) {
    const std::string source = std::string(kPictureFolder) + "/" + name;
    p.files.emplace_back(source, platform::encodePng(bitmap, blackTransparent));
    return {source, bitmap.width, bitmap.height};
}

void addTile(pugi::xml_node tileset, int id, const TilePicture& p) {
    pugi::xml_node tile = tileset.append_child("tile");
    tile.append_attribute("id") = id;
    pugi::xml_node image = tile.append_child("image");
    image.append_attribute("width") = p.width;
    image.append_attribute("height") = p.height;
    image.append_attribute("source") = p.source.c_str();
}

pugi::xml_node addTileset(pugi::xml_node map, int firstGid, const char* name, int count, int maxWidth,
                          int maxHeight) {
    pugi::xml_node t = map.append_child("tileset");
    t.append_attribute("firstgid") = firstGid;
    t.append_attribute("name") = name;
    t.append_attribute("tilewidth") = maxWidth;
    t.append_attribute("tileheight") = maxHeight;
    t.append_attribute("tilecount") = count;
    t.append_attribute("columns") = 0;
    // Pictures larger than a cell hang down from its top left corner, where the game puts them.
    if (maxHeight > kTile) {
        pugi::xml_node offset = t.append_child("tileoffset");
        offset.append_attribute("x") = 0;
        offset.append_attribute("y") = maxHeight - kTile;
    }
    pugi::xml_node grid = t.append_child("grid");
    grid.append_attribute("orientation") = "orthogonal";
    grid.append_attribute("width") = 1;
    grid.append_attribute("height") = 1;
    return t;
}

template <class F> void addLayer(pugi::xml_node map, int id, const char* name, int rows, F gidAt) {
    pugi::xml_node layer = map.append_child("layer");
    layer.append_attribute("id") = id;
    layer.append_attribute("name") = name;
    layer.append_attribute("width") = mapfile::kEditorColumns;
    layer.append_attribute("height") = rows;
    pugi::xml_node data = layer.append_child("data");
    data.append_attribute("encoding") = "csv";
    std::string csv = "\n";
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < mapfile::kEditorColumns; ++column) {
            csv += std::to_string(gidAt(column, row));
            if (column + 1 < mapfile::kEditorColumns || row + 1 < rows) csv += ',';
        }
        csv += '\n';
    }
    data.append_child(pugi::node_pcdata).set_value(csv.c_str());
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Writes a whole file under a temporary name beside it, then renames it over the old one.
bool writeWhole(const std::string& path, std::string_view bytes, std::string& why) {
    const std::string temp = path + ".part";
    ::unlink(temp.c_str());
    const int fd = platform::files::createNew(temp);
    bool ok = fd >= 0 && platform::files::writeAll(fd, bytes) && ::fsync(fd) == 0;
    int err = errno;
    if (fd >= 0 && ::close(fd) != 0 && ok) ok = false, err = errno;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false, err = errno;
    if (!ok) {
        ::unlink(temp.c_str());
        why = "cannot write " + path + ": " + std::strerror(err);
    }
    return ok;
}

std::string stopReason(const mapfile::ReadStop& stop) {
    using mapfile::ReadStatus;
    if (stop.lfLineEnds) return "its lines end with LF alone (CR LF is needed)";
    switch (stop.status) {
    case ReadStatus::CapacityBreach:
        return stop.row >= mapfile::kEditorRows ? "it has more than 7001 rows"
                                                : "a line has more than 32 values";
    case ReadStatus::ZeroByte:
        return "it holds a zero byte";
    case ReadStatus::FieldTooLong:
        return "a value is longer than 255 characters";
    case ReadStatus::NoFinalCr:
        return "its last line has no CR LF";
    case ReadStatus::LoneCr:
        return "a line ends with CR alone (CR LF is needed)";
    default:
        return {};
    }
}

} // namespace

uint32_t crc32Of(std::string_view bytes) {
    uLong crc = ::crc32(0L, Z_NULL, 0);
    // In pieces: zlib takes a 32-bit length.
    for (size_t at = 0; at < bytes.size(); at += 1u << 30) {
        const size_t n = std::min<size_t>(bytes.size() - at, 1u << 30);
        crc = ::crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + at), static_cast<uInt>(n));
    }
    return static_cast<uint32_t>(crc);
}

std::string checksumText(const mapfile::MapOrigin* origin) {
    if (!origin || origin->kind != mapfile::MapOrigin::Kind::Bytes) return kNoSourceFile;
    char text[16];
    std::snprintf(text, sizeof text, "%08x", crc32Of(origin->bytes));
    return text;
}

TilePictures tilePictures(const std::string& folder) {
    TilePictures p;
    for (int id = 0; id <= 9; ++id) p.tiles.push_back({"bmp/" + std::to_string(id) + ".bmp", kTile, kTile});
    p.black = made(p, "black.png", platform::pixels::Bitmap(kTile, kTile, 0), false);
    // The editor's own marks: a red square for an object, a blue one for a path.
    const TilePicture marker = made(p, "object.png", square(0x0000FF, 5, 10), true);
    p.path = made(p, "path.png", square(0xFF0000, 6, 9), true);
    p.objects.resize(16, marker);
    for (int code = 1; code <= 15; ++code) {
        const char* name = objectPictureName(code);
        if (!name) continue;
        const platform::pixels::Bitmap sprite = gamePicture(folder, name);
        if (!sprite.empty())
            p.objects[static_cast<size_t>(code)] =
                made(p, "object-" + std::to_string(code) + ".png", sprite, true);
    }
    return p;
}

std::string tmxText(const mapfile::EditorMap& map, const std::string& checksum,
                    const TilePictures& pictures) {
    const int rows = map.lastRow + 1;
    std::set<int> tiles;
    for (int id = 0; id <= 9; ++id) tiles.insert(id);
    std::set<int> objects, paths{1};
    for (int id = 1; id <= 9; ++id) objects.insert(id);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < mapfile::kEditorColumns; ++column) {
            const auto cell = static_cast<uint16_t>(map.at(column, row));
            tiles.insert(cell & 0xFF);
            if ((cell >> 8 & 0xF) != 0) objects.insert(cell >> 8 & 0xF);
            if ((cell >> 12) != 0) paths.insert(cell >> 12);
        }

    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node m = doc.append_child("map");
    m.append_attribute("version") = "1.8";
    m.append_attribute("orientation") = "orthogonal";
    m.append_attribute("renderorder") = "right-down";
    m.append_attribute("width") = mapfile::kEditorColumns;
    m.append_attribute("height") = rows;
    m.append_attribute("tilewidth") = kTile;
    m.append_attribute("tileheight") = kTile;
    m.append_attribute("infinite") = 0;
    m.append_attribute("nextlayerid") = 4;
    m.append_attribute("nextobjectid") = 1;
    pugi::xml_node property = m.append_child("properties").append_child("property");
    property.append_attribute("name") = kChecksumProperty;
    property.append_attribute("value") = checksum.c_str();

    pugi::xml_node t = addTileset(m, kTilesFirstGid, "tiles", static_cast<int>(tiles.size()), kTile, kTile);
    for (const int id : tiles)
        addTile(t, id, id <= 9 ? pictures.tiles[static_cast<size_t>(id)] : pictures.black);
    int width = kTile, height = kTile;
    for (const int id : objects) {
        width = std::max(width, pictures.objects[static_cast<size_t>(id)].width);
        height = std::max(height, pictures.objects[static_cast<size_t>(id)].height);
    }
    // The sprites' own size sets the offset; the fortress hangs lower than a cell as it does in the game.
    pugi::xml_node o = addTileset(m, kObjectsFirstGid, "objects", static_cast<int>(objects.size()), width,
                                  std::max(kTile, pictures.objects[1].height));
    for (const int id : objects) addTile(o, id, pictures.objects[static_cast<size_t>(id)]);
    pugi::xml_node p = addTileset(m, kPathsFirstGid, "paths", static_cast<int>(paths.size()), kTile, kTile);
    for (const int id : paths) addTile(p, id, pictures.path);

    addLayer(m, 1, "tiles", rows,
             [&](int c, int r) { return kTilesFirstGid + (static_cast<uint16_t>(map.at(c, r)) & 0xFF); });
    addLayer(m, 2, "objects", rows, [&](int c, int r) {
        const int code = static_cast<uint16_t>(map.at(c, r)) >> 8 & 0xF;
        return code == 0 ? 0 : kObjectsFirstGid + code;
    });
    addLayer(m, 3, "paths", rows, [&](int c, int r) {
        const int mark = static_cast<uint16_t>(map.at(c, r)) >> 12;
        return mark == 0 ? 0 : kPathsFirstGid + mark;
    });
    std::ostringstream out;
    doc.save(out, " ", pugi::format_default, pugi::encoding_utf8);
    return out.str();
}

Result exportTmx(const std::string& mapPath, const std::string& tmxPath) {
    mapfile::EditorMap map;
    const mapfile::ReadStatus status = mapfile::readMapFile(map, mapPath);
    if (status == mapfile::ReadStatus::Missing)
        return {false, "there is no map " + mapPath + " to export", {}};
    if (status == mapfile::ReadStatus::Unreadable)
        return {false, "cannot read " + mapPath + ": " + map.stop.error, {}};
    const std::string folder = folderOf(tmxPath);
    std::string why;
    const std::string own = folder + "/" + kPictureFolder;
    if (::mkdir(own.c_str(), 0777) != 0 && errno != EEXIST)
        return {false, "cannot make the folder " + own + ": " + std::strerror(errno), {}};
    const TilePictures pictures = tilePictures(folder);
    for (const auto& [name, bytes] : pictures.files)
        if (!writeWhole(folder + "/" + name,
                        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), why))
            return {false, why, {}};
    const std::string text = tmxText(map, checksumText(map.origin.get()), pictures);
    if (!writeWhole(tmxPath, text, why)) return {false, why, {}};
    Result result{true, {}, {}};
    if (status != mapfile::ReadStatus::Complete)
        result.message = "the reading of " + mapPath + " stopped at row " + std::to_string(map.stop.row) +
                         " (" + stopReason(map.stop) + "): " + tmxPath + " holds rows 0 to " +
                         std::to_string(map.lastRow) + "; an import keeps the rest of " + mapPath +
                         " after them as it is";
    return result;
}

} // namespace maptmx
