#include "mapedit/editor_parts.hpp"

namespace mapedit {

namespace parts {

void editCell(Editor& editor, EditorIo& io, int16_t column, int16_t row, int16_t value) {
    int16_t& cell = editor.cell(column, row);
    if (cell == value) return; // nothing changed, nothing to undo
    const Edit edit{column, row, cell, value};
    History& h = editor.history;
    h.undo.push_back({edit, h.nextId++});
    h.redo.clear();
    cell = value;
    io.recordEdit(editor.map, edit);
}

void undoOrRedo(Editor& editor, EditorIo& io, bool redo) {
    History& h = editor.history;
    std::vector<History::Entry>& from = redo ? h.redo : h.undo;
    std::vector<History::Entry>& to = redo ? h.undo : h.redo;
    if (from.empty()) return;
    const History::Entry entry = from.back();
    from.pop_back();
    to.push_back(entry);
    const Edit& e = entry.edit;
    moveCursorTo(editor, io, e.column, e.row);
    const Edit applied = redo ? e : Edit{e.column, e.row, e.after, e.before};
    editor.cursorCell() = applied.after;
    // The journal holds what the map became, whichever way.
    io.recordEdit(editor.map, applied);
    redrawCursorCell(editor, io);
}

void markSaved(Editor& editor) {
    editor.history.savedId = editor.history.topId();
}

void clearHistory(Editor& editor) {
    History& h = editor.history;
    h.undo.clear();
    h.redo.clear();
    h.savedId = 0;
}

} // namespace parts

} // namespace mapedit
