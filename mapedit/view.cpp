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
    drawMapCell(editor, io, editor.cursorCell(), cursorX(editor), cursorY(editor));
}

void drawMapCell(const Editor& editor, EditorIo& io, int16_t value, int32_t x, int32_t y) {
    drawCell(io, value, x, y, editor.showKinds);
}

int32_t viewTop(const Editor& editor) {
    return editor.cursorRow - editor.screenRow;
}

void drawBox(EditorIo& io, int32_t x, int32_t y, int32_t colour) {
    io.drawLine(x, y, 0, x + 15, y + 15, colour, kModeBox, colour);
}

void drawView(Editor& editor, EditorIo& io) {
    const int top = viewTop(editor);
    for (int column = 0; column < kMapColumns; ++column)
        for (int viewRow = 0; viewRow <= kLastScreenRow; ++viewRow)
            drawMapCell(editor, io, editor.cell(column, top + viewRow), kCellPixels * column,
                        kCellPixels * viewRow);
}

void finishKey(Editor& editor, EditorIo& io, int32_t key) {
    drawOutline(editor, io); // the cursor's cell drawn again covered its part
    drawBox(io, cursorX(editor), cursorY(editor), kYellow);
    printAt(io, kTextColumn, kStatusRow, statusLine(editor.cursorColumn, editor.cursorRow, key));
    printAt(io, kTextColumn, kPatternRow, patternLine(editor.cursorCell()));
}

} // namespace parts

namespace {

// The digits 0..15 of a ground object's kind, 3 x 5 dots each, a row of dots in the low 3 bits
// (the leftmost dot in bit 2); 10..15 as A..F.
constexpr uint8_t kDigitDots[16][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7}, {7, 1, 2, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}, {2, 5, 7, 5, 5}, {6, 5, 6, 5, 6},
    {3, 4, 4, 4, 3}, {6, 5, 5, 5, 6}, {7, 4, 6, 4, 7}, {7, 4, 6, 4, 4},
};

// A ground object's kind: a red square of 10 x 12 with the digit in white, each dot 2 x 2.
void drawKind(EditorIo& io, int kind, int32_t x, int32_t y) {
    io.drawLine(x + 3, y + 2, 0, x + 12, y + 13, kRed, kModeFilledBox, kRed);
    for (int row = 0; row < 5; ++row) {
        const uint8_t dots = kDigitDots[kind & 15][row];
        for (int dot = 0; dot < 3; ++dot) {
            if ((dots >> (2 - dot) & 1) == 0) continue;
            const int32_t px = x + 5 + 2 * dot, py = y + 3 + 2 * row;
            io.drawLine(px, py, 0, px + 1, py + 1, kWhite, kModeFilledBox, kWhite);
        }
    }
}

} // namespace

void drawCell(EditorIo& io, int16_t value, int32_t x, int32_t y, bool kinds) {
    const int tile = tileCode(value);
    if (tile <= 9) {
        io.putTile(tile, x, y);
    } else {
        io.drawLine(x, y, 0, x + 15, y + 15, kBlack, kModeFilledBox, kBlack);
    }
    if (kinds) {
        if (groundCode(value) > 0) drawKind(io, groundCode(value), x, y);
        if (hasPathMark(value)) io.drawLine(x + 13, y + 13, 0, x + 14, y + 14, kBlue, kModeFilledBox, kBlue);
        return;
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
    drawInfo(editor, io);
    if (editor.recovery) askAboutRecovery(editor, io);
}

} // namespace mapedit
