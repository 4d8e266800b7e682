#include "assets/tool/stage.hpp"

#include "mapfile/mapfile.hpp"

#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace assets {

Stage readStage(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) throw std::runtime_error(file.string() + ": cannot be read");
    std::map<char, uint16_t> tiles;
    std::map<char, uint16_t> marks;
    Stage stage;
    int lineNo = 0;
    auto fail = [&](const std::string& message) {
        throw std::runtime_error(file.string() + ":" + std::to_string(lineNo) + ": " + message);
    };
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '|') {
            if (line.size() < 2 * kMapColumns + 3 || line[kMapColumns + 1] != '|' ||
                line[2 * kMapColumns + 2] != '|')
                fail("expected |32 ground characters|32 object characters|");
            std::vector<uint16_t> row(kMapColumns);
            for (int c = 0; c < kMapColumns; ++c) {
                const char ground = line[static_cast<size_t>(1 + c)];
                const char mark = line[static_cast<size_t>(kMapColumns + 2 + c)];
                auto t = tiles.find(ground);
                if (t == tiles.end()) fail(std::string("no tile for '") + ground + "'");
                auto m = marks.find(mark);
                if (m == marks.end()) fail(std::string("no mark for '") + mark + "'");
                row[static_cast<size_t>(c)] = static_cast<uint16_t>(t->second | m->second);
            }
            stage.rows.push_back(std::move(row));
            continue;
        }
        std::istringstream words(line);
        std::string word, key, extra;
        int value = -1;
        words >> word >> key >> value >> extra;
        if (key.size() != 1 || value < 0) fail("expected: tile CHARACTER N, or mark CHARACTER CODE [path]");
        if (word == "tile" && value <= 255 && extra.empty()) {
            tiles[key[0]] = static_cast<uint16_t>(value);
        } else if (word == "mark" && value <= 15 && (extra.empty() || extra == "path")) {
            marks[key[0]] = static_cast<uint16_t>(value * 256 + (extra == "path" ? mapfile::kPathFlag : 0));
        } else {
            fail("expected: tile CHARACTER 0..255, or mark CHARACTER 0..15 [path]");
        }
    }
    if (stage.rows.empty()) throw std::runtime_error(file.string() + ": no map rows");
    return stage;
}

std::string stageCsv(const Stage& stage) {
    std::string text;
    for (const auto& row : stage.rows) {
        for (size_t c = 0; c < row.size(); ++c) {
            if (c) text += ',';
            text += std::to_string(row[c]);
        }
        text += "\r\n";
    }
    return text;
}

} // namespace assets
