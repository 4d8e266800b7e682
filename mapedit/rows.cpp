// Rows put in and taken out. Each is one step: a blank row comes in and gets its cells, or a row
// loses its cells and goes, so that undo takes it back exactly. On a map read only partly, the
// rows read move and the rest of the file stays after them as it was.
#include "mapedit/editor_parts.hpp"

#include <algorithm>

namespace mapedit {

namespace parts {

namespace {

std::string rowsText(const Editor& editor) {
    return std::to_string(editor.lastRow() + 1) + "行";
}

} // namespace

void insertRow(Editor& editor, EditorIo& io) {
    if (editor.mark) unmark(editor, io);
    if (editor.lastRow() < 0) return; // no row to copy
    if (editor.lastRow() + 1 >= kMapRows) {
        showWord(editor, io, "行は7001行までです。これ以上増やせません。", kRed);
        return;
    }
    const int16_t row = editor.cursorRow;
    beginStep(editor);
    makeChange(editor, io, Change::ofRow(Change::Kind::RowInserted, row));
    // The copy holds the tiles of the row now below it, without its ground objects and path marks.
    for (int16_t column = 0; column < kMapColumns; ++column)
        editCell(editor, io, column, row,
                 static_cast<int16_t>(mapfile::tileCode(editor.cell(column, row + 1))));
    endStep(editor);
    drawView(editor, io);
    showWord(editor, io, "行 " + std::to_string(row) + " に写しを入れました: " + rowsText(editor));
}

void removeRow(Editor& editor, EditorIo& io) {
    if (editor.mark) unmark(editor, io);
    if (editor.lastRow() < 0) return;
    if (editor.lastRow() == 0) {
        showWord(editor, io, "最後の1行は消せません。", kRed);
        return;
    }
    const int16_t row = editor.cursorRow;
    beginStep(editor);
    for (int16_t column = 0; column < kMapColumns; ++column) editCell(editor, io, column, row, 0);
    makeChange(editor, io, Change::ofRow(Change::Kind::RowRemoved, row));
    endStep(editor);
    // The last row gone: the cursor goes to the row above, the view stays where it can.
    if (editor.cursorRow > editor.lastRow()) {
        editor.cursorRow = editor.lastRow();
        editor.screenRow = static_cast<int16_t>(std::max(0, editor.screenRow - 1));
    }
    drawView(editor, io);
    showWord(editor, io, "行 " + std::to_string(row) + " を消しました: " + rowsText(editor));
}

} // namespace parts

} // namespace mapedit
