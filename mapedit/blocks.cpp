// The marked rectangle and blocks: Shift with the arrows (or a drag) marks a rectangle from the
// cursor; Ctrl+C copies it, Ctrl+X cuts it, Ctrl+V pastes the last block copied with its top left
// at the cursor; a digit fills its tiles and Delete clears its objects and path marks. A block
// travels through the desktop's clipboard as the map file's own text of its cells.
#include "mapedit/editor_parts.hpp"

#include <algorithm>
#include <charconv>

namespace mapedit {

using namespace parts;

std::string blockText(const Editor::Block& block) {
    std::string text;
    for (int16_t row = 0; row < block.height; ++row)
        for (int16_t column = 0; column < block.width; ++column) {
            text += std::to_string(block.cells[static_cast<size_t>(row * block.width + column)]);
            text += column + 1 < block.width ? "," : "\r\n";
        }
    return text;
}

ParsedBlock parseBlock(std::string_view text) {
    Editor::Block block;
    size_t at = 0;
    int32_t line = 0;
    // Lines up to the last one that holds anything; a text ending in a line break has no more.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    if (text.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return {std::nullopt, "空のテキストです"};
    while (at <= text.size()) {
        const size_t end = std::min(text.find('\n', at), text.size());
        std::string_view row = text.substr(at, end - at);
        if (!row.empty() && row.back() == '\r') row.remove_suffix(1);
        at = end + 1;
        ++line;
        if (line > kMapRows) return {std::nullopt, "7001行を超えています"};
        const std::string where = std::to_string(line) + "行目";
        int16_t values = 0;
        for (size_t from = 0;;) {
            const size_t comma = std::min(row.find(',', from), row.size());
            std::string_view field = row.substr(from, comma - from);
            while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
            while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
            const std::string_view digits = !field.empty() && field.front() == '-' ? field.substr(1) : field;
            if (digits.empty() || digits.size() > 9 ||
                digits.find_first_not_of("0123456789") != std::string_view::npos)
                return {std::nullopt, where + "に数でない値があります"};
            int32_t value = 0;
            std::from_chars(field.data(), field.data() + field.size(), value);
            if (value < -32768 || value > 32767)
                return {std::nullopt, where + "の値が-32768から32767の外です"};
            if (++values > kMapColumns) return {std::nullopt, where + "の値が32個を超えています"};
            block.cells.push_back(static_cast<int16_t>(value));
            if (comma == row.size()) break;
            from = comma + 1;
        }
        if (line == 1) block.width = values;
        if (values != block.width) return {std::nullopt, where + "の値の数が1行目と違います"};
    }
    block.height = static_cast<int16_t>(line);
    return {std::move(block), {}};
}

namespace parts {

namespace {

bool isArrow(int32_t key) {
    return key == keys::kLeft || key == keys::kUp || key == keys::kRight || key == keys::kDown;
}

int32_t digitOf(int32_t key) {
    if (key >= keys::kNumpad0 && key <= keys::kNumpad0 + 9) return key - keys::kNumpad0;
    if (key >= keys::kDigit0 && key <= keys::kDigit0 + 9) return key - keys::kDigit0;
    return -1;
}

std::string sizeText(int32_t width, int32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

Editor::Block blockOf(const Editor& editor, const Rect& r) {
    Editor::Block b;
    b.width = static_cast<int16_t>(r.right - r.left + 1);
    b.height = static_cast<int16_t>(r.bottom - r.top + 1);
    for (int16_t row = r.top; row <= r.bottom; ++row)
        for (int16_t column = r.left; column <= r.right; ++column)
            b.cells.push_back(editor.cell(column, row));
    return b;
}

// Every cell of the rectangle becomes what `to` makes of it, in one step.
template <class To> void changeRect(Editor& editor, EditorIo& io, const Rect& r, To to) {
    beginStep(editor);
    for (int16_t row = r.top; row <= r.bottom; ++row)
        for (int16_t column = r.left; column <= r.right; ++column)
            editCell(editor, io, column, row, static_cast<int16_t>(to(editor.cell(column, row))));
    endStep(editor);
}

// Shift with an arrow: the cursor moves (left and right stop at the row's ends), the rectangle
// runs from where it was marked first to the cursor.
void extendMark(Editor& editor, EditorIo& io, int32_t key) {
    if (!editor.mark) editor.mark = Editor::Corner{editor.cursorColumn, editor.cursorRow};
    if (key == keys::kLeft && editor.cursorColumn > 0) {
        --editor.cursorColumn;
        editor.lastArrowKey = keys::kLeft;
    } else if (key == keys::kRight && editor.cursorColumn < kMapColumns - 1) {
        ++editor.cursorColumn;
        editor.lastArrowKey = keys::kRight;
    } else {
        moveCursorVertically(editor, io, key);
    }
    drawMarks(editor, io);
}

bool copy(Editor& editor, EditorIo& io, const Rect& r, const char* what) {
    editor.copied = blockOf(editor, r);
    const bool onClipboard = io.setClipboard(blockText(*editor.copied));
    showWord(editor, io,
             std::string(what) + " " + sizeText(editor.copied->width, editor.copied->height) +
                 (onClipboard ? "" : "(クリップボードには置けません)"));
    return onClipboard;
}

void paste(Editor& editor, EditorIo& io) {
    Editor::Block block;
    if (const std::optional<std::string> text = io.clipboard()) {
        ParsedBlock parsed = parseBlock(*text);
        if (!parsed.block) {
            showWord(editor, io, "貼り付けできません: " + parsed.why, kRed);
            return;
        }
        block = std::move(*parsed.block);
    } else if (editor.copied) {
        block = *editor.copied; // no text on the clipboard: the editor's own last block
    } else {
        showWord(editor, io, "貼り付けるブロックがありません", kRed);
        return;
    }
    if (editor.mark) unmark(editor, io);
    // Cut at the map's right edge and its last row.
    const int16_t right =
        static_cast<int16_t>(std::min<int>(editor.cursorColumn + block.width - 1, kMapColumns - 1));
    const int16_t bottom =
        static_cast<int16_t>(std::min<int>(editor.cursorRow + block.height - 1, editor.lastRow()));
    beginStep(editor);
    for (int16_t row = editor.cursorRow; row <= bottom; ++row)
        for (int16_t column = editor.cursorColumn; column <= right; ++column)
            editCell(editor, io, column, row,
                     block.cells[static_cast<size_t>((row - editor.cursorRow) * block.width +
                                                     (column - editor.cursorColumn))]);
    endStep(editor);
    drawView(editor, io);
    const bool whole =
        right - editor.cursorColumn + 1 == block.width && bottom - editor.cursorRow + 1 == block.height;
    showWord(editor, io,
             "貼り付け " + sizeText(block.width, block.height) + (whole ? "" : "(地図の端で切りました)"));
}

} // namespace

Rect markedRect(const Editor& editor) {
    const int16_t c = editor.cursorColumn, r = editor.cursorRow;
    if (!editor.mark) return {c, r, c, r};
    return {std::min(editor.mark->column, c), std::min(editor.mark->row, r), std::max(editor.mark->column, c),
            std::max(editor.mark->row, r)};
}

void drawMarks(Editor& editor, EditorIo& io) {
    drawView(editor, io);
    drawOutline(editor, io);
}

void drawOutline(const Editor& editor, EditorIo& io) {
    if (!editor.mark) return;
    // The outline, two pixels wide inside the rectangle, where the view shows it.
    const Rect r = markedRect(editor);
    const int32_t top = viewTop(editor), viewBottom = kCellPixels * (kLastScreenRow + 1) - 1;
    const int32_t x0 = kCellPixels * r.left, x1 = kCellPixels * (r.right + 1) - 1;
    const int32_t y0 = kCellPixels * (r.top - top), y1 = kCellPixels * (r.bottom + 1 - top) - 1;
    const auto bar = [&io](int32_t xa, int32_t ya, int32_t xb, int32_t yb) {
        io.drawLine(xa, ya, 0, xb, yb, kCyan, kModeFilledBox, kCyan);
    };
    if (y0 >= 0 && y0 <= viewBottom) bar(x0, y0, x1, y0 + 1);
    if (y1 >= 0 && y1 <= viewBottom) bar(x0, y1 - 1, x1, y1);
    const int32_t ya = std::max(y0, 0), yb = std::min(y1, viewBottom);
    if (ya <= yb) {
        bar(x0, ya, x0 + 1, yb);
        bar(x1 - 1, ya, x1, yb);
    }
}

void unmark(Editor& editor, EditorIo& io) {
    if (!editor.mark) return;
    editor.mark.reset();
    drawView(editor, io);
}

bool blockKey(Editor& editor, EditorIo& io, int32_t key, uint8_t modifiers) {
    const bool ctrl = (modifiers & keys::kModifierCtrl) != 0;
    const bool shift = (modifiers & keys::kModifierShift) != 0;
    if (shift && !ctrl && isArrow(key)) {
        extendMark(editor, io, key);
    } else if (ctrl && key == keys::letter('C')) {
        copy(editor, io, markedRect(editor), "コピー");
    } else if (ctrl && key == keys::letter('X')) {
        const Rect r = markedRect(editor);
        copy(editor, io, r, "切り取り");
        changeRect(editor, io, r, [](int16_t) { return 0; });
        drawMarks(editor, io);
    } else if (ctrl && key == keys::letter('V')) {
        paste(editor, io);
    } else if (!editor.mark) {
        return false;
    } else if (!ctrl && digitOf(key) >= 0) {
        const int digit = digitOf(key);
        changeRect(editor, io, markedRect(editor),
                   [digit](int16_t cell) { return (cell & ~mapfile::kTileCodeMask) + digit; });
        drawMarks(editor, io);
    } else if (!ctrl && key == keys::kDelete) {
        changeRect(editor, io, markedRect(editor), [](int16_t cell) { return mapfile::tileCode(cell); });
        drawMarks(editor, io);
    } else if (key == keys::kEscape) {
        unmark(editor, io);
    } else {
        if (isArrow(key)) unmark(editor, io); // and the arrow moves the cursor as ever
        return false;
    }
    finishKey(editor, io, key);
    return true;
}

} // namespace parts

} // namespace mapedit
