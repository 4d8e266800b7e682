#pragma once
// What the editor's files share and nothing outside mapedit/ needs: the rows of the texts and the
// steps each file offers the others.
#include "mapedit/editor.hpp"

#include <string>
#include <vector>

namespace mapedit {
namespace keys = platform::keys;
}

namespace mapedit::parts {

// Row positions of the texts at column 65, and below the map view.
inline constexpr int32_t kPromptRow = 19;
inline constexpr int32_t kSaveStateRow = 20; // between the ground-object prompt and the help
inline constexpr int32_t kStatusRow = 24;
inline constexpr int32_t kPatternRow = 25;
inline constexpr int32_t kPromptBlanks = 28;   // the byte length of the ground-object prompt
inline constexpr int32_t kQuestionBlanks = 21; // the byte length of the quit question
inline constexpr int32_t kNoticeRow = 26;      // below the map view, where nothing else writes
inline constexpr int32_t kReasonRow = 28;      // the whole reason of a failed save, below the read notice
inline constexpr int32_t kScreenColumns = 100; // text columns across the 800-pixel window
inline constexpr int32_t kScreenRows = 30;
// Rows at column 65 that the start screen leaves empty, below the palette: the brush and the
// marked rectangle, the map's rows and what the game plays of them, a word about the last row or
// block action. The brush's marker is at kBrushColumn on the palette tile's row.
inline constexpr int32_t kBrushRow = 11;
inline constexpr int32_t kRowsRow = 12;
inline constexpr int32_t kWordRow = 13;
inline constexpr int32_t kBrushColumn = 68; // right of the palette tiles
// The virtual-key code of the left mouse button, shown on the status line after a click.
inline constexpr int32_t kLeftButtonCode = 1;

// ---- texts.cpp
rt::RtString blanks(int32_t n);
// Where a cut of text (CP932) from `from` at most width bytes long ends, on a character boundary.
int32_t fittingBytes(rt::RtString text, int32_t from, int32_t width);
// Prints CP932 text at (column, row) without a line end: the last text row must not move the
// cursor below the window, which would scroll the text.
void printPlain(EditorIo& io, int32_t column, int32_t row, rt::RtString text);
// Shows the whole reason of a failed save on the last two text rows, across the window.
void printReason(EditorIo& io, const std::string& utf8);
void clearRows(EditorIo& io, int32_t first, int32_t last);
// The notice rows below the map view cleared, then the lines printed from kNoticeRow down.
void showNotice(EditorIo& io, const std::vector<std::string>& lines);
// The line at kSaveStateRow, drawn anew.
void drawSaveState(const Editor& editor, EditorIo& io);
// A line for the debug output too, for a user who reads the terminal.
void tellDebugOutput(const std::string& utf8);

// ---- view.cpp
int32_t cursorX(const Editor& editor);
int32_t cursorY(const Editor& editor);
void redrawCursorCell(Editor& editor, EditorIo& io);
void drawBox(EditorIo& io, int32_t x, int32_t y, int32_t colour);
// The view shows the map rows from cursorRow - screenRow on: all 26 of them drawn anew.
void drawView(Editor& editor, EditorIo& io);
// The end of a key's pass: the yellow cursor frame, the status line and the pattern line.
void finishKey(Editor& editor, EditorIo& io, int32_t key);

// ---- keys.cpp
// The start of each pass in editing: a save's message and a row's or a block's word are wiped.
void wipeMessages(Editor& editor, EditorIo& io);

// ---- cursor.cpp
// Puts the cursor on a cell; the view moves only as far as it must to show it.
void moveCursorTo(Editor& editor, EditorIo& io, int16_t column, int16_t row);
// Left and right, wrapping into the row above or below.
void moveCursorSideways(Editor& editor, EditorIo& io, int32_t key);

// ---- history.cpp
// Every change of a cell goes through here, so that it can be taken back and reaches the journal.
// Outside a step each is a step of its own.
void editCell(Editor& editor, EditorIo& io, int16_t column, int16_t row, int16_t value);
// Any change (a row's too), the same way; false when it does not fit the map (nothing changed).
bool makeChange(Editor& editor, EditorIo& io, const Change& change);
// The changes from here to endStep are one step (a step without changes is none).
void beginStep(Editor& editor);
void endStep(Editor& editor);
// Ctrl+Z takes the last step back, Ctrl+Y (or Ctrl+Shift+Z) makes it again: the cursor goes to
// its first cell (or row).
void undoOrRedo(Editor& editor, EditorIo& io, bool redo);
// The map file now holds the map as it is.
void markSaved(Editor& editor);
// A new history: the map was read again.
void clearHistory(Editor& editor);

// ---- quit.cpp
enum class SaveEnd { Failed, Saved, SavedKept };
// The save of Esc then Enter, of the close question's Enter and of Ctrl+S: "データ書き込み中", the
// row numbers, the safe save; on failure its reason on screen. ending: the editor ends after a
// save that succeeded (a kept version is named first, and a key ends it).
SaveEnd saveWithMessages(Editor& editor, EditorIo& io, bool ending);
Outcome answerQuitQuestion(Editor& editor, EditorIo& io, int32_t key);
void askToClose(Editor& editor, EditorIo& io);
Outcome answerCloseQuestion(Editor& editor, EditorIo& io, int32_t key);
// "N" or "n": the N key (78) or the keypad decimal point (110).
bool isNoKey(int32_t key);

// ---- recovery.cpp
void askAboutRecovery(Editor& editor, EditorIo& io);
void answerRecovery(Editor& editor, EditorIo& io, int32_t key);

// ---- reload.cpp
void onTick(Editor& editor, EditorIo& io);

// ---- view.cpp
// A cell of the map view drawn as the editor shows it now (kinds or not).
void drawMapCell(const Editor& editor, EditorIo& io, int16_t value, int32_t x, int32_t y);
// The map row at the top of the view.
int32_t viewTop(const Editor& editor);

// ---- rows.cpp
// Insert: a copy of the cursor's row's tiles above it. Ctrl+Delete: the cursor's row goes.
void insertRow(Editor& editor, EditorIo& io);
void removeRow(Editor& editor, EditorIo& io);

// ---- blocks.cpp
struct Rect {
    int16_t left, top, right, bottom; // inclusive
};
// The marked rectangle, or the cursor's cell when none is marked.
Rect markedRect(const Editor& editor);
// The view drawn anew with the marked rectangle's outline (when one is marked).
void drawMarks(Editor& editor, EditorIo& io);
// The outline alone, over what the view shows.
void drawOutline(const Editor& editor, EditorIo& io);
// The keys of blocks: Shift with an arrow, Ctrl+C, Ctrl+X, Ctrl+V, and with a rectangle marked a
// digit, Delete and Esc. True when the key was one of them and has been handled (frame and status
// line included).
bool blockKey(Editor& editor, EditorIo& io, int32_t key, uint8_t modifiers);
// Forgets the marked rectangle; the view loses its outline.
void unmark(Editor& editor, EditorIo& io);

// ---- mouse.cpp
void onPointer(Editor& editor, EditorIo& io, const Pointer& pointer, uint8_t modifiers);

// ---- glance.cpp
// The brush and rectangle line and the rows line, drawn anew.
void drawInfo(const Editor& editor, EditorIo& io);
// Makes the tile the brush; its marker moves beside the palette.
void setBrush(Editor& editor, EditorIo& io, int16_t tile);
// A word at kWordRow (colour as drawLine's); wipeWord blanks it when one is shown.
void showWord(Editor& editor, EditorIo& io, const std::string& utf8, int32_t colour = kWhite);
void wipeWord(Editor& editor, EditorIo& io);
// G: ground objects show their kind, or again as the red square.
void toggleKinds(Editor& editor, EditorIo& io);

} // namespace mapedit::parts
