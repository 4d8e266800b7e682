#pragma once
// The console font: the face "ＭＳ ゴシック" asked for Japanese, resolved where it is missing to a
// fixed-width Japanese gothic; rendered at a 16-pixel em as crisp 1-bit glyphs. Text is CP932
// bytes; a lead byte and its trail byte make one double-byte character.
#include "platform/pixels.hpp"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace platform::font {

struct CellSize {
    int32_t width = 0;  // advance of " "
    int32_t height = 0; // the size's line height
};

enum class Background { Transparent, Opaque };

class Font {
  public:
    // Opens the face fontconfig gives for the family and language at the pixel em.
    Font(std::string_view family, std::string_view language, int32_t pixelEm);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // False when no usable font file was found: every character then draws as the replacement box.
    bool loaded() const;
    // The family and file that were opened.
    std::string familyName() const;
    std::string filePath() const;

    CellSize cellSize() const;
    // Distance from the top of a cell to the baseline.
    int32_t ascent() const;

    // Width in pixels of the text (the sum of its characters' advances).
    int32_t extent(std::string_view cp932) const;
    // Draws the one character at the start of `character` (one byte, or two for a lead byte) with
    // the top left of its cell at (x, y), clipped to the target. Opaque first fills the
    // character's cell box (its advance by the line height) with the background colour.
    // Returns the character's advance. Bytes that are not valid CP932, and characters the face
    // lacks, draw as a replacement box as wide as their bytes.
    int32_t drawChar(pixels::Bitmap& target, int32_t x, int32_t y, std::string_view character,
                     pixels::Colour foreground, Background mode, pixels::Colour background) const;

    // Bytes the character at the start of the text takes: 2 for a lead byte followed by a byte, else 1.
    static size_t charLength(std::string_view cp932);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The console font of the prompt window, opened on first use and kept for the process's life.
Font& consoleFont();

} // namespace platform::font
