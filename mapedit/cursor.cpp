#include "mapedit/editor_parts.hpp"

namespace mapedit {

using namespace parts;

namespace parts {

void moveCursorTo(Editor& editor, EditorIo& io, int16_t column, int16_t row) {
    const int top = viewTop(editor);
    int newTop = top;
    if (row < top) newTop = row;
    if (row > top + kLastScreenRow) newTop = row - kLastScreenRow;
    editor.cursorColumn = column;
    editor.cursorRow = row;
    editor.screenRow = static_cast<int16_t>(row - newTop);
    if (newTop != top) drawView(editor, io);
}

void moveCursorSideways(Editor& editor, EditorIo& io, int32_t key) {
    if (key == keys::kLeft) {
        --editor.cursorColumn;
        editor.lastArrowKey = keys::kLeft;
        if (editor.cursorColumn < 0) {
            editor.cursorColumn = kMapColumns - 1;
            moveCursorVertically(editor, io, keys::kUp);
            editor.lastArrowKey = keys::kLeft;
        }
    }
    if (key == keys::kRight) {
        ++editor.cursorColumn;
        editor.lastArrowKey = keys::kRight;
        if (editor.cursorColumn > kMapColumns - 1) {
            editor.cursorColumn = 0;
            moveCursorVertically(editor, io, keys::kDown);
            editor.lastArrowKey = keys::kRight;
        }
    }
}

} // namespace parts

void moveCursorVertically(Editor& editor, EditorIo& io, int32_t key) {
    if (key == keys::kUp && editor.cursorRow > 0) {
        editor.lastArrowKey = keys::kUp;
        --editor.cursorRow;
        --editor.screenRow;
        if (editor.screenRow < 0) {
            editor.screenRow = 0;
            scrollViewDown(editor, io);
        }
    } else if (key == keys::kDown && editor.cursorRow < editor.lastRow()) {
        editor.lastArrowKey = keys::kDown;
        ++editor.cursorRow;
        ++editor.screenRow;
        if (editor.screenRow > kLastScreenRow) {
            editor.screenRow = kLastScreenRow;
            scrollViewUp(editor, io);
        }
    }
}

void scrollViewDown(Editor& editor, EditorIo& io) {
    io.captureView(0, 0, 512, 400);
    io.putView(0, 16);
    for (int column = 0; column < kMapColumns; ++column)
        drawMapCell(editor, io, editor.cell(column, editor.cursorRow), kCellPixels * column, 0);
}

void scrollViewUp(Editor& editor, EditorIo& io) {
    io.captureView(0, 16, 512, 400);
    io.putView(0, 0);
    for (int column = 0; column < kMapColumns; ++column)
        drawMapCell(editor, io, editor.cell(column, editor.cursorRow), kCellPixels * column, 400);
}

} // namespace mapedit
