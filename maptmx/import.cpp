#include "maptmx/tmx.hpp"

#include "platform/files.hpp"

#include <pugixml.hpp>
#include <zlib.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

namespace maptmx {

namespace {

// Tiled keeps a tile's flips and rotation in the top four bits of its gid.
constexpr uint32_t kFlipBits = 0xF0000000u;
// A TMX longer than this is no map of ours (7001 rows of three layers take about 4 MB as CSV).
constexpr size_t kMaxTmxBytes = size_t{256} << 20;

struct Tileset {
    uint32_t firstGid = 0;
    std::string name;
};

// What each of our layers takes: its tileset and the ids that fit in its bits.
struct LayerRule {
    const char* name;
    const char* tileset;
    uint32_t lowestId, highestId;
    int shift;
};
constexpr std::array<LayerRule, 3> kLayers = {{
    {"tiles", "tiles", 0, 255, 0},
    {"objects", "objects", 1, 15, 8},
    {"paths", "paths", 1, 15, 12},
}};

std::string base64Decode(std::string_view text, bool& ok) {
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    ok = true;
    for (const char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z')
            v = c - 'A';
        else if (c >= 'a' && c <= 'z')
            v = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            v = c - '0' + 52;
        else if (c == '+')
            v = 62;
        else if (c == '/')
            v = 63;
        else if (c == '=' || c == ' ' || c == '\n' || c == '\r' || c == '\t')
            continue;
        else {
            ok = false;
            return {};
        }
        bits = bits << 6 | static_cast<uint32_t>(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>(bits >> count & 0xFF);
        }
    }
    return out;
}

// zlib or gzip data (windowBits 15 + 32 takes either header), inflated to exactly `expected` bytes.
bool inflateAll(const std::string& in, size_t expected, std::string& out) {
    z_stream z{};
    if (inflateInit2(&z, 15 + 32) != Z_OK) return false;
    out.assign(expected + 1, '\0'); // one byte more shows data that is too long
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int r = inflate(&z, Z_FINISH);
    const size_t produced = out.size() - z.avail_out;
    inflateEnd(&z);
    out.resize(produced);
    return r == Z_STREAM_END && produced == expected;
}

std::string cellName(const char* layer, int column, int row) {
    return "layer " + std::string(layer) + ", column " + std::to_string(column) + ", row " +
           std::to_string(row);
}

// The layer's gids, row after row, or the reason they cannot be read.
std::string readGids(pugi::xml_node layer, const char* name, int rows, std::vector<uint32_t>& gids) {
    const size_t count = static_cast<size_t>(rows) * mapfile::kEditorColumns;
    gids.clear();
    pugi::xml_node data = layer.child("data");
    if (!data) return "layer " + std::string(name) + " has no data";
    if (data.child("chunk")) return "layer " + std::string(name) + " is stored in chunks (an infinite map)";
    const std::string encoding = data.attribute("encoding").value();
    const std::string compression = data.attribute("compression").value();
    if (encoding.empty()) {
        if (!compression.empty()) return "layer " + std::string(name) + " is compressed without an encoding";
        for (pugi::xml_node tile = data.child("tile"); tile; tile = tile.next_sibling("tile"))
            gids.push_back(static_cast<uint32_t>(tile.attribute("gid").as_ullong(0)));
    } else if (encoding == "csv") {
        if (!compression.empty()) return "layer " + std::string(name) + ": CSV data is never compressed";
        const char* p = data.child_value();
        while (*p) {
            while (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t') ++p;
            if (!*p) break;
            uint64_t v = 0;
            const char* start = p;
            while (*p >= '0' && *p <= '9' && v <= 0xFFFFFFFFull)
                v = v * 10 + static_cast<uint64_t>(*p++ - '0');
            if (p == start || v > 0xFFFFFFFFull)
                return "layer " + std::string(name) + " holds a value that is not a tile number";
            gids.push_back(static_cast<uint32_t>(v));
            while (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t') ++p;
            if (*p == ',')
                ++p;
            else if (*p)
                return "layer " + std::string(name) + " holds a value that is not a tile number";
        }
    } else if (encoding == "base64") {
        bool ok = false;
        std::string bytes = base64Decode(data.child_value(), ok);
        if (!ok) return "layer " + std::string(name) + " holds data that is not base64";
        if (compression == "zlib" || compression == "gzip") {
            std::string inflated;
            if (!inflateAll(bytes, count * 4, inflated))
                return "layer " + std::string(name) + ": its " + compression +
                       " data is broken or not 32 x " + std::to_string(rows) + " tiles";
            bytes = std::move(inflated);
        } else if (!compression.empty()) {
            return "layer " + std::string(name) + " is compressed with " + compression +
                   ", which is not read (choose zlib, gzip or none in Tiled's map properties)";
        }
        if (bytes.size() % 4 != 0) return "layer " + std::string(name) + " holds a broken tile number";
        for (size_t i = 0; i < bytes.size(); i += 4)
            gids.push_back(static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) |
                           static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8 |
                           static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 2])) << 16 |
                           static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 3])) << 24);
    } else {
        return "layer " + std::string(name) + " has the unknown encoding " + encoding;
    }
    if (gids.size() != count)
        return "layer " + std::string(name) + " holds " + std::to_string(gids.size()) +
               " tiles instead of 32 x " + std::to_string(rows);
    return {};
}

std::optional<int> numberAttribute(pugi::xml_node node, const char* name) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) return std::nullopt;
    return a.as_int(-1);
}

} // namespace

ParsedTmx parseTmx(std::string_view text) {
    ParsedTmx parsed;
    const auto refuse = [&](std::string why) {
        parsed.error = std::move(why);
        parsed.cells.clear();
        return parsed;
    };
    pugi::xml_document doc;
    const pugi::xml_parse_result xml = doc.load_buffer(text.data(), text.size());
    if (!xml)
        return refuse("it is not XML: " + std::string(xml.description()) + " at byte " +
                      std::to_string(xml.offset));
    pugi::xml_node map = doc.child("map");
    if (!map) return refuse("it is not a Tiled map (no <map> element)");
    if (map.attribute("infinite").as_int(0) != 0) return refuse("it is an infinite map");
    const std::string orientation = map.attribute("orientation").value();
    if (orientation != "orthogonal") return refuse("its orientation is " + orientation + ", not orthogonal");
    const auto width = numberAttribute(map, "width");
    const auto height = numberAttribute(map, "height");
    if (!width || *width != mapfile::kEditorColumns)
        return refuse("it is " + std::string(map.attribute("width").value()) + " columns wide, not 32");
    if (!height || *height < 0) return refuse("it has no height");
    if (*height > mapfile::kEditorRows)
        return refuse("it has " + std::to_string(*height) + " rows, more than the 7001 a map holds");
    const int rows = *height;

    std::vector<Tileset> tilesets;
    for (pugi::xml_node t = map.child("tileset"); t; t = t.next_sibling("tileset")) {
        const std::string tname = t.attribute("name").value();
        if (t.attribute("source"))
            return refuse("it uses the external tileset " + std::string(t.attribute("source").value()) +
                          " (embed the tilesets: Tiled's Map > Embed Tilesets)");
        const long long first = t.attribute("firstgid").as_llong(0);
        if (first < 1 || first > 0x0FFFFFFF) return refuse("the tileset " + tname + " has no valid firstgid");
        tilesets.push_back({static_cast<uint32_t>(first), tname});
    }

    for (pugi::xml_node p : map.child("properties").children("property"))
        if (std::string_view(p.attribute("name").value()) == kChecksumProperty)
            parsed.checksum = p.attribute("value").value();

    std::map<std::string, pugi::xml_node> layers;
    for (pugi::xml_node node : map.children()) {
        const std::string kind = node.name();
        if (kind == "tileset" || kind == "properties" || kind == "editorsettings") continue;
        const std::string lname = node.attribute("name").value();
        if (kind != "layer")
            return refuse("the " + kind + " \"" + lname +
                          "\" cannot be written to AREA1.csv (only the layers "
                          "tiles, objects and paths can)");
        bool ours = false;
        for (const LayerRule& rule : kLayers) ours = ours || lname == rule.name;
        if (!ours)
            return refuse("the layer \"" + lname +
                          "\" cannot be written to AREA1.csv (only the layers tiles, "
                          "objects and paths can)");
        if (!layers.emplace(lname, node).second) return refuse("it has two layers named " + lname);
        if (node.attribute("width").as_int(-1) != mapfile::kEditorColumns ||
            node.attribute("height").as_int(-1) != rows)
            return refuse("the layer " + lname + " is not the map's size (32 x " + std::to_string(rows) +
                          ")");
    }
    if (layers.find("tiles") == layers.end()) return refuse("it has no layer named tiles");

    parsed.rows = rows;
    parsed.cells.assign(static_cast<size_t>(rows) * mapfile::kEditorColumns, 0);
    std::vector<uint32_t> gids;
    for (const LayerRule& rule : kLayers) {
        const auto found = layers.find(rule.name);
        if (found == layers.end()) continue; // a layer left out holds nothing
        if (const std::string why = readGids(found->second, rule.name, rows, gids); !why.empty())
            return refuse(why);
        for (size_t i = 0; i < gids.size(); ++i) {
            const int column = static_cast<int>(i % mapfile::kEditorColumns),
                      row = static_cast<int>(i / mapfile::kEditorColumns);
            const uint32_t gid = gids[i];
            if (gid == 0) continue; // an empty cell: tile 0, no object, no path
            if ((gid & kFlipBits) != 0)
                return refuse(cellName(rule.name, column, row) +
                              ": a flipped or rotated tile cannot be written back");
            const Tileset* from = nullptr;
            for (const Tileset& t : tilesets)
                if (t.firstGid <= gid && (!from || t.firstGid > from->firstGid)) from = &t;
            if (!from)
                return refuse(cellName(rule.name, column, row) + ": tile " + std::to_string(gid) +
                              " is in no tileset");
            if (from->name != rule.tileset)
                return refuse(cellName(rule.name, column, row) + ": a tile of the tileset " + from->name +
                              ", where only tiles of " + rule.tileset + " can be written back");
            const uint32_t id = gid - from->firstGid;
            if (id < rule.lowestId || id > rule.highestId)
                return refuse(cellName(rule.name, column, row) + ": tile " + std::to_string(id) + " of " +
                              rule.tileset + " is not one a map cell holds");
            auto& cell = parsed.cells[i];
            cell = static_cast<mapfile::MapCell>(static_cast<uint16_t>(cell) | id << rule.shift);
        }
    }
    return parsed;
}

Result importTmx(const std::string& tmxPath, const std::string& mapPath) {
    errno = 0;
    const auto bytes = platform::files::readFile(tmxPath, kMaxTmxBytes);
    if (!bytes) return {false, "cannot read " + tmxPath + ": " + std::strerror(errno), {}};
    const ParsedTmx parsed =
        parseTmx(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!parsed.error.empty())
        return {false, tmxPath + ": " + parsed.error + "; " + mapPath + " was left as it was", {}};

    // The map on disk as the save finds it: when it is what the TMX was made from, its origin is
    // the imported map's, and the rest a partial read left of it stays after the rows.
    mapfile::EditorMap map;
    mapfile::readMapFile(map, mapPath);
    if (!parsed.checksum || *parsed.checksum != checksumText(map.origin.get())) {
        // Made from another version, or not by an export: the one on disk is kept before the save.
        auto other = std::make_shared<mapfile::MapOrigin>();
        other->kind = mapfile::MapOrigin::Kind::Missing;
        map.origin = std::move(other);
        map.stop = {};
    }
    std::fill(map.cells.begin(), map.cells.end(), mapfile::MapCell{0});
    map.lastRow = static_cast<int16_t>(parsed.rows - 1);
    for (int row = 0; row < parsed.rows; ++row)
        for (int column = 0; column < mapfile::kEditorColumns; ++column)
            map.at(column, row) = parsed.cells[static_cast<size_t>(row * mapfile::kEditorColumns + column)];
    const mapfile::WriteResult saved = mapfile::writeMapFile(map, {}, mapPath);
    if (!saved.ok) return {false, saved.reason, saved.keptChanged};
    Result result{true, {}, saved.keptChanged};
    if (!saved.keptChanged.empty())
        result.message = mapPath + " had changed since " + tmxPath +
                         " was made from it (or it was not made from it): " + "that version was kept as " +
                         saved.keptChanged;
    return result;
}

} // namespace maptmx
