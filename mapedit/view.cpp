#include "mapedit/editor_parts.hpp"

namespace mapedit {

using mapfile::groundCode;
using mapfile::hasPathMark;
using mapfile::tileCode;
using rt::rtStrLiteral;
using namespace parts;

namespace parts {

int32_t cursorX(const Editor& editor) {
    return kCellPixels * editor.cursorColumn;
}
int32_t cursorY(const Editor& editor) {
    return kCellPixels * editor.screenRow;
}

void redrawCursorCell(Editor& editor, EditorIo& io) {
    drawCell(io, editor.cursorCell(), cursorX(editor), cursorY(editor));
}

void drawBox(EditorIo& io, int32_t x, int32_t y, int32_t colour) {
    io.drawLine(x, y, 0, x + 15, y + 15, colour, kModeBox, colour);
}

void drawView(Editor& editor, EditorIo& io) {
    const int top = editor.cursorRow - editor.screenRow;
    for (int column = 0; column < kMapColumns; ++column)
        for (int viewRow = 0; viewRow <= kLastScreenRow; ++viewRow)
            drawCell(io, editor.cell(column, top + viewRow), kCellPixels * column, kCellPixels * viewRow);
}

void finishKey(Editor& editor, EditorIo& io, int32_t key) {
    drawBox(io, cursorX(editor), cursorY(editor), kYellow);
    printAt(io, kTextColumn, kStatusRow, statusLine(editor.cursorColumn, editor.cursorRow, key));
    printAt(io, kTextColumn, kPatternRow, patternLine(editor.cursorCell()));
}

} // namespace parts

void drawCell(EditorIo& io, int16_t value, int32_t x, int32_t y) {
    const int tile = tileCode(value);
    if (tile <= 9) {
        io.putTile(tile, x, y);
    } else {
        io.drawLine(x, y, 0, x + 15, y + 15, kBlack, kModeFilledBox, kBlack);
    }
    if (groundCode(value) > 0) io.drawLine(x + 5, y + 5, 0, x + 10, y + 10, kRed, kModeFilledBox, kRed);
    if (hasPathMark(value)) io.drawLine(x + 7, y + 7, 0, x + 8, y + 8, kBlue, kModeFilledBox, kBlue);
}

void openBlankWhenEmpty(mapfile::EditorMap& map) {
    if (map.stop.status == mapfile::ReadStatus::Missing ||
        (map.stop.status == mapfile::ReadStatus::Complete && map.lastRow < 0))
        map.lastRow = mapfile::kBlankMapRows - 1;
}

void drawStartScreen(Editor& editor, EditorIo& io) {
    for (int i = 0; i <= 9; ++i) {
        printAt(io, kTextColumn, i, rt::rtStrChr('0' + i));
        drawCell(io, static_cast<int16_t>(i), kPaletteX, kCellPixels * i);
    }
    editor.cursorColumn = editor.cursorRow = editor.screenRow = 0;
    drawView(editor, io);
    printAt(io, kTextColumn, 21, rtStrLiteral("Ent = 地上物の設定"));
    printAt(io, kTextColumn, 22, rtStrLiteral("Tab = 地上物の移動道"));
    printAt(io, kTextColumn, 23, rtStrLiteral("Esc = 終了"));
    std::vector<std::string> lines = editor.startNotices;
    for (const std::string& line : readNotice(editor.map.stop)) lines.push_back(line);
    int32_t row = kNoticeRow;
    for (const std::string& line : lines)
        if (row < kReasonRow) printAt(io, 0, row++, rtStrLiteral(line));
    for (const std::string& line : editor.startNotices) tellDebugOutput(line);
    drawSaveState(editor, io);
    if (editor.recovery) askAboutRecovery(editor, io);
}

} // namespace mapedit
