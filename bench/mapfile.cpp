// Saving and loading a full 7001-row editor map, beside a plain to_chars / from_chars round trip
// of the same cells in memory.
#include "mapfile/mapfile.hpp"

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

mapfile::EditorMap fullMap() {
    mapfile::EditorMap map;
    map.lastRow = mapfile::kEditorRows - 1;
    for (int row = 0; row < mapfile::kEditorRows; ++row)
        for (int column = 0; column < mapfile::kEditorColumns; ++column)
            map.at(column, row) = static_cast<mapfile::MapCell>((row * 7 + column * 13) % 10 +
                                                                ((row + column) % 7 == 0 ? 0x1500 : 0));
    return map;
}

struct Folder {
    std::filesystem::path path;
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "bench-map-XXXXXX").string();
        if (!mkdtemp(pattern.data())) std::abort();
        path = pattern;
    }
    ~Folder() { std::filesystem::remove_all(path); }
};

// writeMapFile (temporary file, fsync, rename, folder fsync) and readMapFile of the result.
void BM_MapWriteRead(benchmark::State& state) {
    const mapfile::EditorMap map = fullMap();
    Folder folder;
    const std::string path = (folder.path / "AREA1.csv").string();
    mapfile::EditorMap back;
    for (auto _ : state) {
        if (!mapfile::writeMapFile(map, {}, path).ok) state.SkipWithError("save failed");
        mapfile::readMapFile(back, path);
        benchmark::DoNotOptimize(back.cells.data());
    }
    if (back.cells != map.cells) state.SkipWithError("the map did not come back");
}
BENCHMARK(BM_MapWriteRead)->Unit(benchmark::kMillisecond);

// The editor's own save: the map as read, so that the save first reads the file on disk back and
// compares it with what the read found (it holds the same: nothing is kept).
void BM_MapSaveAsRead(benchmark::State& state) {
    Folder folder;
    const std::string path = (folder.path / "AREA1.csv").string();
    if (!mapfile::writeMapFile(fullMap(), {}, path).ok) state.SkipWithError("save failed");
    mapfile::EditorMap map;
    mapfile::readMapFile(map, path);
    for (auto _ : state) {
        const mapfile::WriteResult result = mapfile::writeMapFile(map, {}, path);
        if (!result.ok || !result.keptChanged.empty()) state.SkipWithError("save failed or kept a version");
        mapfile::readMapFile(map, path);
        benchmark::DoNotOptimize(map.cells.data());
    }
}
BENCHMARK(BM_MapSaveAsRead)->Unit(benchmark::kMillisecond);

// The same text and parse without the file: where the time goes.
void BM_MapFormatParse(benchmark::State& state) {
    const mapfile::EditorMap map = fullMap();
    mapfile::EditorMap back;
    for (auto _ : state) {
        const std::string text = mapfile::formatMapText(map);
        mapfile::readMapText(back, text);
        benchmark::DoNotOptimize(back.cells.data());
    }
}
BENCHMARK(BM_MapFormatParse)->Unit(benchmark::kMillisecond);

// The plain round trip: every cell to text with to_chars (commas, CR LF) and back with from_chars.
void BM_PlainRoundTrip(benchmark::State& state) {
    const mapfile::EditorMap map = fullMap();
    std::vector<mapfile::MapCell> back(map.cells.size());
    for (auto _ : state) {
        std::string text;
        text.reserve(map.cells.size() * 4);
        char buf[8];
        for (int row = 0; row < mapfile::kEditorRows; ++row)
            for (int column = 0; column < mapfile::kEditorColumns; ++column) {
                const auto r = std::to_chars(buf, buf + sizeof buf, map.at(column, row));
                text.append(buf, r.ptr);
                text += column + 1 < mapfile::kEditorColumns ? "," : "\r\n";
            }
        const char* p = text.data();
        const char* end = p + text.size();
        for (int row = 0; row < mapfile::kEditorRows; ++row)
            for (int column = 0; column < mapfile::kEditorColumns; ++column) {
                mapfile::MapCell v = 0;
                p = std::from_chars(p, end, v).ptr;
                p += column + 1 < mapfile::kEditorColumns ? 1 : 2;
                back[static_cast<size_t>(mapfile::EditorMap::index(column, row))] = v;
            }
        benchmark::DoNotOptimize(back.data());
    }
    if (back != map.cells) state.SkipWithError("the plain round trip lost cells");
}
BENCHMARK(BM_PlainRoundTrip)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
