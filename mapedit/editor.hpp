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
//   history.cpp    edits, undo and redo, unsaved edits
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
inline constexpr int32_t kBlack = 0, kBlue = 1, kRed = 2, kYellow = 6;
inline constexpr int32_t kModeBox = 1, kModeFilledBox = 2;

// One change of a cell.
struct Edit {
    int16_t column, row, before, after;
    bool operator==(const Edit&) const = default;
};

// What the editor takes, one at a time.
struct Event {
    enum class Kind {
        Key,    // a key went down
        Close,  // the desktop asked to close the window
        Tick,   // nothing came within the wait: time for the journal and the map file's watch
        Signal, // the system asked the program to end (a logout, a closed terminal)
    };
    Kind kind = Kind::Tick;
    int32_t key = 0;       // Key: its virtual-key code
    uint8_t modifiers = 0; // platform::keys::kModifierCtrl and kModifierShift held when it went down
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
    std::vector<Edit> edits;
    std::time_t started = 0, lastEdit = 0;
    bool mapChanged = false; // the map on disk is no longer the journal's own starting map
};

// Edits that can be taken back and made again, and which of them the map file holds.
struct History {
    struct Entry {
        Edit edit;
        uint64_t id;
    };
    std::vector<Entry> undo; // oldest first
    std::vector<Entry> redo; // the edits undone since the last new one
    uint64_t nextId = 1;
    uint64_t savedId = 0; // the id on top of the undo list when the map was last read or saved

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
    // The journal: an edit made (map is the map it was made on, for a journal not yet begun), the
    // edits so far written out when they are due, and the journal emptied (the map file holds
    // every edit, or they were thrown away).
    virtual void recordEdit(const mapfile::EditorMap& map, const Edit& edit) = 0;
    virtual void flushJournal() = 0;
    virtual void clearJournal() = 0;
    // Writes a complete map file beside the map under a name no file has: that name, or why not.
    virtual SaveResult keepCopy(const mapfile::EditorMap& map, const std::string& tag) = 0;
    // The map file as it is now, when it holds something else than the map's origin and has
    // stayed so since the last look; nothing otherwise. Each change is told once.
    virtual std::optional<mapfile::EditorMap> changedMapFile(const mapfile::EditorMap& map) = 0;
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

void drawCell(EditorIo& io, int16_t value, int32_t x, int32_t y);
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

} // namespace mapedit
