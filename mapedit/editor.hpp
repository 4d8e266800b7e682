#pragma once
// The map editor: its state (map, cursor, last arrow key) and the routines that work on it.
// The routines reach the window, the keyboard and the map file only through EditorIo, so that the
// program runs them on the prompt window and the tests on a recording of their own.
#include "mapfile/mapfile.hpp"
#include "platform/key_codes.hpp"
#include "runtime/core/rtstring.hpp"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace mapedit {

inline constexpr int kMapColumns = 32;
inline constexpr int kMapRows = 7001;
inline constexpr int16_t kLastScreenRow = 25; // the view shows 26 rows
inline constexpr int kCellPixels = 16;
inline constexpr int kTextColumn = 65;
inline constexpr int kPaletteX = 528;
// Text columns from kTextColumn to the right edge of the 800-pixel window (8-pixel cells).
inline constexpr int kMessageWidth = 35;

// Colour numbers of drawLine and its modes.
inline constexpr int32_t kBlack = 0, kBlue = 1, kRed = 2, kYellow = 6;
inline constexpr int32_t kModeBox = 1, kModeFilledBox = 2;

struct Editor {
    // Column after column: cell (column, row) at column * kMapRows + row, the map file's editor layout.
    std::vector<int16_t> editorMap = std::vector<int16_t>(static_cast<size_t>(kMapColumns) * kMapRows, 0);
    int16_t lastRow = -1;
    int16_t cursorColumn = 0;
    int16_t cursorRow = 0;
    int16_t screenRow = 0;
    int16_t lastArrowKey = 0;
    // A failed save left its message at rows 24 and 25; the next key wipes it.
    bool saveMessageShown = false;
    // How reading the map ended (told at start when it stopped early) and what the read found:
    // a save writes the part it did not take in back after the rows unchanged, and keeps a version
    // somebody else wrote meanwhile.
    mapfile::ReadStop readStop;
    std::shared_ptr<const mapfile::MapOrigin> origin;
    // Every edit that changed a cell, oldest first, and the edits undone since the last new one.
    struct Edit {
        int16_t column, row, before, after;
    };
    std::vector<Edit> undoList;
    std::vector<Edit> redoList;

    int16_t& cell(int column, int row) { return editorMap[static_cast<size_t>(column) * kMapRows + row]; }
    int16_t cell(int column, int row) const {
        return editorMap[static_cast<size_t>(column) * kMapRows + row];
    }
    int16_t& cursorCell() { return cell(cursorColumn, cursorRow); }
};

struct SaveResult {
    bool ok = false;
    std::string reason;      // UTF-8, why the save failed
    std::string keptChanged; // the map had changed on disk: the name that version was kept under
};

// What the editor does outside its own state.
class EditorIo {
  public:
    virtual ~EditorIo() = default;
    // tilePicture[tile].putAt(x, y, 0); a tile that did not load draws nothing.
    virtual void putTile(int tile, int32_t x, int32_t y) = 0;
    virtual void drawLine(int32_t x1, int32_t y1, int32_t relative, int32_t x2, int32_t y2, int32_t colour,
                          int32_t mode, int32_t fillColour) = 0;
    // scrollPicture.captureWindow(x, y, w, h) and scrollPicture.putAt(x, y, 0).
    virtual void captureView(int32_t x, int32_t y, int32_t w, int32_t h) = 0;
    virtual void putView(int32_t x, int32_t y) = 0;
    virtual void locate(int32_t column, int32_t row) = 0;
    // Consumes the text.
    virtual void print(rt::RtString text) = 0;
    // Waits for the next key: a one-character string holding its virtual-key code.
    virtual rt::RtString inputKey() = 0;
    // platform::keys::kModifierCtrl and kModifierShift as they were held when the key inputKey
    // returned last went down.
    virtual uint8_t keyModifiers() = 0;
    virtual void pause(int32_t ms) = 0;
    // Writes rows 0..lastRow, then the rest of the old file; beforeRow is called with each row's
    // number before it is written. On failure the old file is intact.
    virtual SaveResult saveMap(const Editor& editor, const std::function<void(int16_t row)>& beforeRow) = 0;
};

// The texts the editor prints (new CP932 strings, without the line end).
rt::RtString statusLine(int16_t column, int16_t row, int32_t key);
rt::RtString patternLine(int16_t value);
// The reason of a failed save as CP932 in at most width bytes. A reason too long for that is
// shortened to its most specific part, the system's words after the last ": " (up to a "; "),
// and cut at a character boundary if still too long.
rt::RtString fitText(const std::string& utf8, int32_t width);

// The lines (UTF-8) that tell at start that the map was read only partly; none for a whole read.
std::vector<std::string> readNotice(const mapfile::ReadStop& stop);
// The lines (UTF-8) that tell after a save that the map had changed on disk and where that version
// was kept.
std::vector<std::string> keptNotice(const std::string& keptPath);

// Prints text + "\r\n" at (column, row).
void printAt(EditorIo& io, int32_t column, int32_t row, rt::RtString text);

void drawCell(EditorIo& io, int16_t value, int32_t x, int32_t y);
void moveCursorVertically(Editor& editor, EditorIo& io, int32_t key);
void scrollViewDown(Editor& editor, EditorIo& io);
void scrollViewUp(Editor& editor, EditorIo& io);

// Palette, map view, cursor at (0, 0), the help lines and, below the map view, the notice of a
// partial read; no cursor frame yet.
void drawStartScreen(Editor& editor, EditorIo& io);

enum class KeyOutcome { Editing, Saved };
// One pass of the main loop for a key already read (keyText is consumed). Reads further keys
// through io for the ground-object prompt and the quit question. Saved means the map was
// written and the program should end.
KeyOutcome handleKey(Editor& editor, EditorIo& io, rt::RtString keyText);
// Reads and handles keys until the map has been saved.
void runEditor(Editor& editor, EditorIo& io);

} // namespace mapedit
