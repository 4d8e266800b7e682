#pragma once
// The text layer of the prompt window: 101 rows of 255 bytes of CP932 text with a foreground and a
// background colour per byte, and the text cursor. The grid only holds text; drawing it over the
// graphics layer is renderRows' job.
#include "platform/pixels.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace prompt {

inline constexpr int32_t kGridRows = 101;
inline constexpr int32_t kLastRow = kGridRows - 1;
inline constexpr int32_t kRowBytes = 255;
// A row holds at most 254 bytes of text: the last byte stays zero as the row's terminator.
inline constexpr int32_t kMaxRowText = kRowBytes - 1;
// A background colour of -1 draws no background.
inline constexpr platform::pixels::Colour kTransparent = 0xFFFFFFFFu;
inline constexpr int32_t kTabWidth = 8;

struct TextRow {
    std::array<uint8_t, kRowBytes> text{};
    std::array<platform::pixels::Colour, kRowBytes> foreground{};
    std::array<platform::pixels::Colour, kRowBytes> background{};

    // The row's text runs up to its first zero byte.
    int32_t length() const;
    std::string_view bytes() const;
};

struct Cursor {
    int32_t column = 0;
    int32_t row = 0;
};

class TextGrid {
  public:
    TextGrid();

    const TextRow& row(int32_t r) const { return *rows_[static_cast<size_t>(r)]; }
    TextRow& row(int32_t r) { return *rows_[static_cast<size_t>(r)]; }
    Cursor cursor() const { return cursor_; }
    void setCursorRow(int32_t row) { cursor_.row = row; }

    // Colours given to every byte print stores (white on opaque black unless changed).
    platform::pixels::Colour foreColour = 0xFFFFFF;
    platform::pixels::Colour backColour = 0;

    // Writes the bytes at the cursor: a tab pads with blanks to the next multiple of 8, CR LF moves
    // to the start of the next row, every other byte (a lone CR or LF too) is stored. Bytes past
    // the row's last text column are dropped; a line break below the last row scrolls the grid.
    // Returns true when the grid scrolled (every row then has to be drawn again).
    bool print(std::string_view bytes);
    // Moves the cursor (clamped to the grid) and pads a shorter row with transparent blanks up to it.
    void locate(int32_t column, int32_t row);
    // Empties every row's text (colours stay) and puts the cursor at the top left.
    void clearText();
    // Drops the top row: every row moves up one and the bottom row starts empty. The cursor stays.
    void scrollUp();

  private:
    std::vector<std::unique_ptr<TextRow>> rows_;
    Cursor cursor_;
};

} // namespace prompt
