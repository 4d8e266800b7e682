#pragma once
// Pixel art sources: pictures written as rows of characters, each character an ink of a palette.
//
//   # a comment
//   ink k 20 20 24                     a palette entry: character, red, green, blue
//   picture chr25-1 32 32 mirror-x     a picture of 32 x 32; the next rows draw it
//   ................kkkk               (mirror-x: each row gives the left half, the right half is
//   ...                                 its reflection; mirror-y: the rows give the top half)
//   copy chr30-2 chr30-1 swap ab cd    chr30-1 again with ink a painted as b and c as d
//   spare 7 120 60 200                 chr07-1..3: the numbered badge in this colour
//
// Inks hold for the rest of their file; palette.txt is read before every other file.
#include "platform/pixels.hpp"

#include <filesystem>
#include <map>
#include <string>

namespace assets {

struct ArtBook {
    std::map<std::string, platform::pixels::Bitmap> pictures;
};

// Reads palette.txt and then every other *.txt of the folder in name order into the book.
// Throws std::runtime_error naming the file and line of the first fault.
ArtBook readArtFolder(const std::filesystem::path& folder);

// The colour of a transparent sprite pixel.
constexpr platform::pixels::Colour kTransparent = 0;

} // namespace assets
