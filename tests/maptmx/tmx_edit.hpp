#pragma once
// A TMX text changed as Tiled or a map maker would change it: cells set, layers re-encoded, the map
// resized, tilesets and layers added.
#include <pugixml.hpp>
#include <zlib.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace maptmx_test {

class Tmx {
  public:
    explicit Tmx(const std::string& text) { EXPECT_TRUE(doc_.load_string(text.c_str())); }

    pugi::xml_node map() { return doc_.child("map"); }
    pugi::xml_node layer(const char* name) { return map().find_child_by_attribute("layer", "name", name); }

    std::vector<uint32_t> gids(const char* name) {
        std::vector<uint32_t> out;
        std::stringstream in(layer(name).child("data").child_value());
        std::string field;
        while (std::getline(in, field, ','))
            if (field.find_first_of("0123456789") != std::string::npos)
                out.push_back(static_cast<uint32_t>(std::stoul(field)));
        return out;
    }
    void setGids(const char* name, const std::vector<uint32_t>& gids) {
        std::string csv = "\n";
        for (size_t i = 0; i < gids.size(); ++i)
            csv += std::to_string(gids[i]) + (i + 1 < gids.size() ? "," : "\n");
        pugi::xml_node data = layer(name).child("data");
        data.remove_children();
        data.append_child(pugi::node_pcdata).set_value(csv.c_str());
    }
    void setGid(const char* name, int column, int row, uint32_t gid) {
        auto g = gids(name);
        g.at(static_cast<size_t>(row * 32 + column)) = gid;
        setGids(name, g);
    }
    void dropLastGid(const char* name) {
        auto g = gids(name);
        g.pop_back();
        setGids(name, g);
    }
    // Map > Resize: rows added below hold no tile in any layer, rows taken away go.
    void resize(int rows) {
        map().attribute("height") = rows;
        for (pugi::xml_node l : map().children("layer")) {
            auto g = gids(l.attribute("name").value());
            g.resize(static_cast<size_t>(rows) * 32, 0);
            setGids(l.attribute("name").value(), g);
            l.attribute("height") = rows;
        }
    }
    void addTileset(int firstGid, const char* name, const char* source) {
        pugi::xml_node t = map().insert_child_after("tileset", map().child("tileset"));
        t.append_attribute("firstgid") = firstGid;
        if (*name) t.append_attribute("name") = name;
        if (*source) t.append_attribute("source") = source;
    }
    void addLayerCopy(const char* from, const char* name) {
        pugi::xml_node copy = map().append_copy(layer(from));
        copy.attribute("name") = name;
    }
    // "base64", "base64+zlib", "base64+gzip" or "xml" (a <tile gid=""/> per cell).
    void encode(const char* name, const std::string& how) {
        const auto g = gids(name);
        pugi::xml_node data = layer(name).child("data");
        data.remove_children();
        data.remove_attribute("encoding");
        if (how == "xml") {
            for (const uint32_t gid : g) {
                pugi::xml_node tile = data.append_child("tile");
                if (gid != 0) tile.append_attribute("gid") = gid; // Tiled leaves an empty cell's out
            }
            return;
        }
        std::string bytes;
        for (const uint32_t gid : g)
            for (int i = 0; i < 4; ++i) bytes += static_cast<char>(gid >> (8 * i));
        data.append_attribute("encoding") = "base64";
        if (how != "base64") {
            const bool gzip = how == "base64+gzip";
            data.append_attribute("compression") = gzip ? "gzip" : "zlib";
            bytes = deflate(bytes, gzip);
        }
        data.append_child(pugi::node_pcdata).set_value(("\n   " + base64(bytes) + "\n  ").c_str());
    }
    void breakText() { broken_ = true; }

    std::string text() {
        std::ostringstream out;
        doc_.save(out, " ");
        return broken_ ? out.str().substr(0, out.str().size() / 2) : out.str();
    }

  private:
    static std::string deflate(const std::string& in, bool gzip) {
        z_stream z{};
        EXPECT_EQ(deflateInit2(&z, 9, Z_DEFLATED, gzip ? 31 : 15, 8, Z_DEFAULT_STRATEGY), Z_OK);
        std::string out(deflateBound(&z, static_cast<uLong>(in.size())) + 32, '\0');
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = static_cast<uInt>(in.size());
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = static_cast<uInt>(out.size());
        EXPECT_EQ(::deflate(&z, Z_FINISH), Z_STREAM_END);
        out.resize(out.size() - z.avail_out);
        deflateEnd(&z);
        return out;
    }
    static std::string base64(const std::string& in) {
        static const char* k = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string out;
        for (size_t i = 0; i < in.size(); i += 3) {
            uint32_t v = static_cast<uint8_t>(in[i]) << 16;
            if (i + 1 < in.size()) v |= static_cast<uint8_t>(in[i + 1]) << 8;
            if (i + 2 < in.size()) v |= static_cast<uint8_t>(in[i + 2]);
            out += k[v >> 18 & 63];
            out += k[v >> 12 & 63];
            out += i + 1 < in.size() ? k[v >> 6 & 63] : '=';
            out += i + 2 < in.size() ? k[v & 63] : '=';
        }
        return out;
    }

    pugi::xml_document doc_;
    bool broken_ = false;
};

} // namespace maptmx_test
