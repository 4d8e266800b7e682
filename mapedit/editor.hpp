#pragma once
// The map editor: its state (the map file's EditorMap, cursor, last arrow key, what it is asking,
// the undo history) and the routines that work on it, one event at a time. The routines reach the
// window, the keyboard, the map file and the journal only through EditorIo, so that the program
// runs them on the prompt window and the tests on a recording of their own.
//
//   keys.cpp       the events: a key in each mode, close requests, the ground-object prompt
//   cursor.cpp     the cursor and the view's scrolling
//   view.cpp       drawing cells, the view and the start screen
//   texts.cpp      the texts printed and the notices
//   history.cpp    edits, undo and redo in steps, unsaved edits
//   rows.cpp       rows put in and taken out
//   mouse.cpp      the pointer: clicks, drags that paint, the wheel
//   blocks.cpp     the marked rectangle: copy, cut, paste, fill, clear; blocks as text
//   glance.cpp     what the map holds at a glance: the info lines, ground objects' kinds
//   quit.cpp       saving, the quit question, the close question
//   recovery.cpp   the question at start about a journal's unsaved edits
//   reload.cpp     the clock's ticks: the journal written out, the map file read again
#include "mapfile/mapfile.hpp"
#include "platform/key_codes.hpp"
#include "runtime/core/rtstring.hpp"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mapedit {

inline constexpr int kMapColumns = mapfile::kEditorColumns;
inline constexpr int kMapRows = mapfile::kEditorRows;
inline constexpr int16_t kLastScreenRow = 25; // the view shows 26 rows
inline constexpr int kCellPixels = 16;
inline constexpr int kTextColumn = 65;
inline constexpr int kPaletteX = 528;
// Text columns from kTextColumn to the right edge of the 800-pixel window (8-pixel cells).
inline constexpr int kMessageWidth = 35;

// Colour numbers of drawLine and its modes.
inline constexpr int32_t kBlack = 0, kBlue = 1, kRed = 2, kCyan = 5, kYellow = 6, kWhite = 7;
inline constexpr int32_t kModeBox = 1, kModeFilledBox = 2;

// One change of a cell.
struct Edit {
    int16_t column, row, before, after;
    bool operator==(const Edit&) const = default;
};

// One change of the map: a cell's value, or a blank row put in or taken out. A row's cells change
// on their own before it goes and after it comes, so every change is undone by its opposite.
struct Change {
    enum class Kind : uint8_t { Cell, RowInserted, RowRemoved };
    Kind kind = Kind::Cell;
    Edit cell{}; // Cell: the cell and its values; a row: cell.row is the row, the rest 0
    // Made in one step with the change before it (a drag, a block, a row): undone and made again
    // together.
    bool joined = false;

    static Change ofCell(const Edit& edit, bool joined = false) { return {Kind::Cell, edit, joined}; }
    static Change ofRow(Kind kind, int16_t row, bool joined = false) {
        return {kind, {0, row, 0, 0}, joined};
    }
    // The change that takes this one back.
    Change opposite() const;
    bool operator==(const Change&) const = default;
};

// Makes a change on a map: false (and nothing changed) when it does not fit the map (a cell or a
// row past its end, a row more than it holds, its last row taken out).
bool applyChange(mapfile::EditorMap& map, const Change& change);

// What the pointer did, at a pixel of the window's 800 x 480 (outside them when off the picture).
struct Pointer {
    enum class Action : uint8_t { Press, Move, Release, Wheel };
    enum class Button : uint8_t { None, Left, Middle, Right };
    Action action = Action::Move;
    Button button = Button::None; // Press, Release
    int32_t x = 0, y = 0;
    int32_t wheel = 0; // Wheel: notches, positive away from the user (the view shows earlier rows)
};

// What the editor takes, one at a time.
struct Event {
    enum class Kind {
        Key,     // a key went down
        Close,   // the desktop asked to close the window
        Tick,    // nothing came within the wait: time for the journal and the map file's watch
        Signal,  // the system asked the program to end (a logout, a closed terminal)
        Pointer, // a button went down or up, the pointer moved with a button held, the wheel turned
    };
    Kind kind = Kind::Tick;
    int32_t key = 0;       // Key: its virtual-key code
    uint8_t modifiers = 0; // platform::keys::kModifierCtrl and kModifierShift held when it went down
    Pointer pointer{};
};

// What the editor is doing: each mode takes the next key its own way.
enum class Mode {
    Editing,
    GroundObject,  // Enter: waiting for a keypad digit
    QuitQuestion,  // Esc: "終了する?(Enter or N)"
    CloseQuestion, // a close request with unsaved edits
    Recovery,      // at start: put a journal's unsaved edits back?
    SavedNotice,   // saved before the end, the version on disk kept under a new name: a key ends
};

// The unsaved edits a journal held when the editor started.
struct Recovery {
    mapfile::EditorMap base; // the map the journal began from
    std::vector<Change> edits;
    std::time_t started = 0, lastEdit = 0;
    bool mapChanged = false; // the map on disk is no longer the journal's own starting map
};

// Edits that can be taken back and made again, a step at a time, and which of them the map file
// holds. A step is one key's edit, one drag, one block or one row.
struct History {
    struct Entry {
        std::vector<Change> changes; // in the order made
        uint64_t id;
    };
    std::vector<Entry> undo; // oldest first
    std::vector<Entry> redo; // the steps undone since the last new one
    uint64_t nextId = 1;
    uint64_t savedId = 0; // the id on top of the undo list when the map was last read or saved
    // While a step is open, its changes join the entry it began (made at its first change).
    bool stepOpen = false;
    bool stepBegun = false;

    uint64_t topId() const { return undo.empty() ? 0 : undo.back().id; }
    bool unsaved() const { return topId() != savedId; }
};

struct Editor {
    // The map as read (or reloaded, or saved last): cells, rows, where the read stopped, what it found.
    mapfile::EditorMap map;
    int16_t cursorColumn = 0;
    int16_t cursorRow = 0;
    int16_t screenRow = 0;
    int16_t lastArrowKey = 0;
    Mode mode = Mode::Editing;
    // A save's message is at rows 24 and 25 (and maybe below the view); the next key wipes it.
    bool saveMessageShown = false;
    History history;
    std::time_t lastSave = 0; // 0: not saved in this session
    uint64_t saves = 0;       // the saves that succeeded in this session
    std::optional<Recovery> recovery;
    // Lines to show below the map view at start (a journal moved aside, a map read only partly).
    std::vector<std::string> startNotices;

    // A rectangle marked from this corner to the cursor, if any.
    struct Corner {
        int16_t column = 0, row = 0;
    };
    std::optional<Corner> mark;
    // The block copied last, its cells (whole values) row after row.
    struct Block {
        int16_t width = 0, height = 0;
        std::vector<int16_t> cells;
    };
    std::optional<Block> copied;
    int16_t brush = -1;     // the tile a drag paints: 0..9, or -1 before one is chosen
    bool showKinds = false; // ground objects show their kind
    // A press of the left button, until its release: where the pointer was last (in the view) and
    // what the press does.
    struct Stroke {
        bool active = false;
        bool marking = false; // Shift: the drag marks a rectangle
        bool painted = false; // the pointer left the first cell: cells are painted
        int32_t x = 0, y = 0;
    };
    Stroke stroke;
    bool wordShown = false; // a word of a row or a block is at its line; the next event wipes it

    int16_t& cell(int column, int row) { return map.at(column, row); }
    int16_t cell(int column, int row) const { return map.at(column, row); }
    int16_t& cursorCell() { return cell(cursorColumn, cursorRow); }
    int16_t lastRow() const { return map.lastRow; }
    bool unsaved() const { return history.unsaved(); }
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
    // The next event, or a Tick when none came within waitMs.
    virtual Event nextEvent(int32_t waitMs) = 0;
    virtual void pause(int32_t ms) = 0;
    virtual std::time_t now() = 0;
    // Writes rows 0..lastRow, then the rest of the old file; beforeRow is called with each row's
    // number before it is written. On failure the old file is intact.
    virtual SaveResult saveMap(const mapfile::EditorMap& map,
                               const std::function<void(int16_t row)>& beforeRow) = 0;
    // The journal: a change made (map is the map before it, for a journal not yet begun), the
    // changes so far written out when they are due, and the journal emptied (the map file holds
    // every edit, or they were thrown away).
    virtual void recordEdit(const mapfile::EditorMap& map, const Change& change) = 0;
    virtual void flushJournal() = 0;
    virtual void clearJournal() = 0;
    // Writes a complete map file beside the map under a name no file has: that name, or why not.
    virtual SaveResult keepCopy(const mapfile::EditorMap& map, const std::string& tag) = 0;
    // The map file as it is now, when it holds something else than the map's origin and has
    // stayed so since the last look; nothing otherwise. Each change is told once.
    virtual std::optional<mapfile::EditorMap> changedMapFile(const mapfile::EditorMap& map) = 0;
    // The colour (drawLine's numbers) of the text printed from now on; 7, white, at start.
    virtual void textColour(int32_t colour) = 0;
    // The desktop's clipboard as text: put there (false when it could not be), and read back
    // (nothing when it holds no text).
    virtual bool setClipboard(const std::string& text) = 0;
    virtual std::optional<std::string> clipboard() = 0;
    // F5: starts the game on the play folder from this map row, without waiting for it. Empty, or
    // why it could not be started (UTF-8).
    virtual std::string startGame(int16_t row) = 0;
};

// The texts the editor prints (new CP932 strings, without the line end).
rt::RtString statusLine(int16_t column, int16_t row, int32_t key);
rt::RtString patternLine(int16_t value);
// Whether there are unsaved edits, and when the map was saved last (UTF-8).
std::string saveStateLine(bool unsaved, std::time_t lastSave);
// The reason of a failed save as CP932 in at most width bytes. A reason too long for that is
// shortened to its most specific part, the system's words after the last ": " (up to a "; "),
// and cut at a character boundary if still too long.
rt::RtString fitText(const std::string& utf8, int32_t width);

// The lines (UTF-8) that tell at start that the map was read only partly; none for a whole read.
std::vector<std::string> readNotice(const mapfile::ReadStop& stop);
// The lines (UTF-8) that tell after a save that the map had changed on disk and where that version
// was kept; ending: the editor ends at the next key.
std::vector<std::string> keptNotice(const std::string& keptPath, bool ending);

// Prints text + "\r\n" at (column, row).
void printAt(EditorIo& io, int32_t column, int32_t row, rt::RtString text);

// A cell as the view draws it; kinds: a ground object shows its kind (0..9 is drawn as a digit in
// a larger red square, the path marker moves to the lower right corner).
void drawCell(EditorIo& io, int16_t value, int32_t x, int32_t y, bool kinds = false);
void moveCursorVertically(Editor& editor, EditorIo& io, int32_t key);
void scrollViewDown(Editor& editor, EditorIo& io);
void scrollViewUp(Editor& editor, EditorIo& io);

// A map read at start: a missing or empty file gives a blank map to start from (the editor cannot
// add rows).
void openBlankWhenEmpty(mapfile::EditorMap& map);

// Palette, map view, cursor at (0, 0), the help lines and, below the map view, the start's notices
// and the notice of a partial read; no cursor frame yet. With a recovery it asks about it.
void drawStartScreen(Editor& editor, EditorIo& io);

enum class Outcome {
    Editing,   // go on
    Saved,     // the map was written: the program ends
    Discarded, // the user chose to end without saving
    Closed,    // a close request without unsaved edits
    Signalled, // the system asked the program to end
};
// Handles one event in the editor's current mode.
Outcome handleEvent(Editor& editor, EditorIo& io, const Event& event);
// A key as one event.
Outcome handleKey(Editor& editor, EditorIo& io, int32_t key, uint8_t modifiers = 0);
// Takes events until the editor ends; the wait between ticks is kTickMs.
inline constexpr int32_t kTickMs = 250;
Outcome runEditor(Editor& editor, EditorIo& io);
// Whether the journal must stay when the editor ends this way: it holds edits not in the map file.
bool keepsJournal(const Editor& editor, Outcome outcome);

// What lies under a pixel of the window: a cell of the map view (its column and view row), a
// tile of the palette, or nothing the pointer acts on.
struct Target {
    enum class Kind { None, MapCell, Palette };
    Kind kind = Kind::None;
    int16_t column = 0, viewRow = 0; // MapCell
    int16_t tile = 0;                // Palette
    bool operator==(const Target&) const = default;
};
Target targetAt(int32_t x, int32_t y);

// How much of the map the game plays: its reader stops after 1001 rows, or at the byte 32767 of
// the file. byBytes: the byte limit stopped it before the rows' limit did.
struct GamePlay {
    int32_t rows = 0;
    bool byBytes = false;
};
GamePlay gamePlay(const mapfile::EditorMap& map);

// A block as text for the desktop's clipboard: one line a row, the cells' values as the map file
// writes them, comma-separated, each line ended by CR LF.
std::string blockText(const Editor::Block& block);
// Text taken as a block: lines (ended by CR LF or LF) of the same number of comma-separated cell
// values (decimal -32768..32767, blanks around them allowed), at most 32 values and 7001 lines.
// The block, or why the text is none (UTF-8, a few words).
struct ParsedBlock {
    std::optional<Editor::Block> block;
    std::string why;
};
ParsedBlock parseBlock(std::string_view text);

} // namespace mapedit
