#pragma once
// The stage map source: a legend, then one line per map row (row 0, the end of the stage, first):
//
//   tile ~ 0                a ground character and the tile it lays
//   mark T 2                an object character and its ground code (0 = none)
//   mark V 4 path           ... on a path cell
//   mark = 0 path           a bare path cell
//   |~~~~ 32 ground ~~~~|.... 32 objects ....|  optional note
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace assets {

constexpr int kMapColumns = 32;

struct Stage {
    std::vector<std::vector<uint16_t>> rows; // rows[row][column]: tile + groundCode * 256 + path
};

// Throws std::runtime_error naming the file and line of the first fault.
Stage readStage(const std::filesystem::path& file);

// The map file text: 32 decimal fields per row, "," between them, CR LF after every row.
std::string stageCsv(const Stage& stage);

} // namespace assets
