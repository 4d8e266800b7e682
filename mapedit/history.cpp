#include "mapedit/editor_parts.hpp"

#include <algorithm>
#include <cstring>

namespace mapedit {

Change Change::opposite() const {
    switch (kind) {
    case Kind::Cell:
        return ofCell({cell.column, cell.row, cell.after, cell.before}, joined);
    case Kind::RowInserted:
        return ofRow(Kind::RowRemoved, cell.row, joined);
    case Kind::RowRemoved:
        return ofRow(Kind::RowInserted, cell.row, joined);
    }
    return *this;
}

namespace {

// Whether a change fits the map as it is. A cell anywhere in the map's array can change, as a
// digit could always change the cursor's cell; rows go in between two rows or after the last,
// up to the rows the editor holds, and the last row never goes.
bool fits(const mapfile::EditorMap& map, const Change& change) {
    const int row = change.cell.row;
    switch (change.kind) {
    case Change::Kind::Cell:
        return change.cell.column >= 0 && change.cell.column < kMapColumns && row >= 0 && row < kMapRows;
    case Change::Kind::RowInserted:
        return row >= 0 && row <= map.lastRow + 1 && map.lastRow + 1 < kMapRows;
    case Change::Kind::RowRemoved:
        return row >= 0 && row <= map.lastRow && map.lastRow >= 1;
    }
    return false;
}

// The cells of every column from row on move by one row (down: a blank row comes in at row; up:
// row goes and a blank comes in at the end). The cells shown after the rows move with them.
void shiftRows(mapfile::EditorMap& map, int row, bool down) {
    const size_t moved = sizeof(int16_t) * static_cast<size_t>(kMapRows - 1 - row);
    for (int column = 0; column < kMapColumns; ++column) {
        int16_t* cells = &map.at(column, 0);
        if (down) {
            std::memmove(cells + row + 1, cells + row, moved);
            cells[row] = 0;
        } else {
            std::memmove(cells + row, cells + row + 1, moved);
            cells[kMapRows - 1] = 0;
        }
    }
}

} // namespace

bool applyChange(mapfile::EditorMap& map, const Change& change) {
    if (!fits(map, change)) return false;
    switch (change.kind) {
    case Change::Kind::Cell:
        map.at(change.cell.column, change.cell.row) = change.cell.after;
        break;
    case Change::Kind::RowInserted:
        shiftRows(map, change.cell.row, true);
        ++map.lastRow;
        break;
    case Change::Kind::RowRemoved:
        shiftRows(map, change.cell.row, false);
        --map.lastRow;
        break;
    }
    return true;
}

namespace parts {

namespace {

// A change made anew: into the open step's entry, or an entry of its own.
void remember(History& h, Change change) {
    if (!h.stepOpen || !h.stepBegun) {
        change.joined = false;
        h.undo.push_back({{change}, h.nextId++});
        h.stepBegun = h.stepOpen;
    } else {
        change.joined = true;
        h.undo.back().changes.push_back(change);
    }
    h.redo.clear();
}

bool hasRows(const History::Entry& entry) {
    return std::any_of(entry.changes.begin(), entry.changes.end(),
                       [](const Change& c) { return c.kind != Change::Kind::Cell; });
}

} // namespace

bool makeChange(Editor& editor, EditorIo& io, const Change& change) {
    if (!fits(editor.map, change)) return false;
    Change made = change;
    if (made.kind == Change::Kind::Cell) {
        made.cell.before = editor.cell(made.cell.column, made.cell.row);
        if (made.cell.before == made.cell.after) return true; // nothing changed, nothing to undo
    }
    remember(editor.history, made);
    // The journal begins (when it does) with the map the change is made on.
    io.recordEdit(editor.map, editor.history.undo.back().changes.back());
    applyChange(editor.map, made);
    return true;
}

void editCell(Editor& editor, EditorIo& io, int16_t column, int16_t row, int16_t value) {
    makeChange(editor, io, Change::ofCell({column, row, 0, value}));
}

void beginStep(Editor& editor) {
    editor.history.stepOpen = true;
    editor.history.stepBegun = false;
}

void endStep(Editor& editor) {
    editor.history.stepOpen = false;
    editor.history.stepBegun = false;
}

void undoOrRedo(Editor& editor, EditorIo& io, bool redo) {
    History& h = editor.history;
    // A step still open (a drag) goes on in an entry of its own.
    h.stepBegun = false;
    std::vector<History::Entry>& from = redo ? h.redo : h.undo;
    std::vector<History::Entry>& to = redo ? h.undo : h.redo;
    if (from.empty()) return;
    const History::Entry entry = from.back();
    from.pop_back();
    to.push_back(entry);
    // Made again in order, taken back in the opposite order; the journal holds what the map became,
    // whichever way, as one step.
    std::vector<Change> applied;
    if (redo) {
        applied = entry.changes;
    } else {
        for (auto c = entry.changes.rbegin(); c != entry.changes.rend(); ++c)
            applied.push_back(c->opposite());
    }
    for (size_t i = 0; i < applied.size(); ++i) {
        applied[i].joined = i > 0;
        io.recordEdit(editor.map, applied[i]);
        applyChange(editor.map, applied[i]);
    }
    const Change& first = entry.changes.front();
    const int16_t lastCursorRow = std::max<int16_t>(editor.lastRow(), 0);
    const int16_t row = std::min(first.cell.row, lastCursorRow);
    const int16_t column = first.kind == Change::Kind::Cell ? first.cell.column : editor.cursorColumn;
    // The cursor's row may be past the map's end now that a row is gone: back within it first.
    if (editor.cursorRow > lastCursorRow) {
        editor.screenRow =
            static_cast<int16_t>(std::max(0, editor.screenRow - (editor.cursorRow - lastCursorRow)));
        editor.cursorRow = lastCursorRow;
    }
    moveCursorTo(editor, io, column, row);
    // A step of more than one cell, or of rows, may have changed anything in view.
    if (hasRows(entry) || entry.changes.size() > 1)
        drawView(editor, io);
    else
        redrawCursorCell(editor, io);
}

void markSaved(Editor& editor) {
    editor.history.savedId = editor.history.topId();
    // What a step still open changes from here on is unsaved: an entry of its own.
    editor.history.stepBegun = false;
}

void clearHistory(Editor& editor) {
    History& h = editor.history;
    h.undo.clear();
    h.redo.clear();
    h.savedId = 0;
    h.stepBegun = false;
}

} // namespace parts

} // namespace mapedit
