// What the map holds at a glance: the brush beside the palette, a line with the brush and the
// marked rectangle's size, a line with the map's rows and how many of them the game plays, a word
// about the last row or block action, and the ground objects' kinds in the view.
#include "mapedit/editor_parts.hpp"

#include <charconv>

namespace mapedit {

using namespace parts;

GamePlay gamePlay(const mapfile::EditorMap& map) {
    const int32_t rows = map.lastRow + 1;
    int64_t bytes = 0;
    char digits[8];
    for (int32_t row = 0; row < rows; ++row) {
        if (row >= mapfile::kGameRows) return {row, false};
        int64_t length = kMapColumns - 1 + 2; // the commas and the CR LF
        for (int column = 0; column < kMapColumns; ++column)
            length +=
                std::to_chars(digits, digits + sizeof digits, static_cast<int>(map.at(column, row))).ptr -
                digits;
        // The game takes a row when its CR lies within the bytes it reads.
        if (bytes + length - 2 >= mapfile::kGameMaxFileBytes) return {row, true};
        bytes += length;
    }
    return {rows, false};
}

namespace parts {

namespace {

// A row at column 65 blanked, then up to its width of the text (UTF-8) in the colour.
void printLine(EditorIo& io, int32_t row, std::string_view cp932, int32_t colour) {
    printPlain(io, kTextColumn, row, blanks(kMessageWidth));
    if (cp932.empty()) return;
    if (colour != kWhite) io.textColour(colour);
    printPlain(io, kTextColumn, row, rt::rtStrFromBytes(cp932));
    if (colour != kWhite) io.textColour(kWhite);
}

// The text (UTF-8) on rows from `row` on, as many as it needs of at most `rows`, cut at characters.
void printWrapped(EditorIo& io, int32_t row, int32_t rows, const std::string& utf8, int32_t colour) {
    const rt::RtString text = rt::rtStrLiteral(utf8);
    const std::string_view bytes = rt::rtStrView(text);
    int32_t at = 0;
    for (int32_t i = 0; i < rows; ++i) {
        const int32_t cut = fittingBytes(text, at, kMessageWidth);
        printLine(io, row + i, bytes.substr(static_cast<size_t>(at), static_cast<size_t>(cut - at)), colour);
        at = cut;
    }
    rt::rtStrFree(text);
}

} // namespace

void drawInfo(const Editor& editor, EditorIo& io) {
    std::string brush = "ブラシ " + (editor.brush < 0 ? std::string("なし") : std::to_string(editor.brush));
    if (editor.mark) {
        const Rect r = markedRect(editor);
        brush +=
            "  範囲 " + std::to_string(r.right - r.left + 1) + "x" + std::to_string(r.bottom - r.top + 1);
    }
    const int32_t rows = editor.lastRow() + 1;
    const GamePlay game = gamePlay(editor.map);
    std::string rowsLine = "行数 " + std::to_string(rows) + "  ゲーム " + std::to_string(game.rows);
    const bool playsLess = game.rows < rows;
    if (playsLess) {
        rowsLine = "行数 " + std::to_string(rows) + " ゲーム " + std::to_string(game.rows) +
                   (game.byBytes ? "(32767バイト)" : "(1001行)");
    }
    printWrapped(io, kBrushRow, 1, brush, kWhite);
    printWrapped(io, kRowsRow, 1, rowsLine, playsLess ? kRed : kWhite);
}

void setBrush(Editor& editor, EditorIo& io, int16_t tile) {
    if (editor.brush >= 0) printPlain(io, kBrushColumn, editor.brush, blanks(2));
    editor.brush = tile;
    printPlain(io, kBrushColumn, tile, rt::rtStrLiteral("←"));
}

void showWord(Editor& editor, EditorIo& io, const std::string& utf8, int32_t colour) {
    printWrapped(io, kWordRow, 2, utf8, colour);
    editor.wordShown = true;
}

void wipeWord(Editor& editor, EditorIo& io) {
    if (!editor.wordShown) return;
    printPlain(io, kTextColumn, kWordRow, blanks(kMessageWidth));
    printPlain(io, kTextColumn, kWordRow + 1, blanks(kMessageWidth));
    editor.wordShown = false;
}

void toggleKinds(Editor& editor, EditorIo& io) {
    editor.showKinds = !editor.showKinds;
    drawMarks(editor, io);
}

} // namespace parts

} // namespace mapedit
