#include "mapedit/editor.hpp"

#include "platform/cp932.hpp"
#include "platform/system.hpp"
#include "runtime/core/numconv.hpp"

namespace mapedit {

using rt::rtStrConcat;
using rt::RtString;
using rt::rtStrLiteral;

namespace {

// Row positions of the texts at column 65.
constexpr int32_t kPromptRow = 19;
constexpr int32_t kStatusRow = 24;
constexpr int32_t kPatternRow = 25;
constexpr int32_t kPromptBlanks = 28;   // the byte length of the ground-object prompt
constexpr int32_t kQuestionBlanks = 21; // the byte length of the quit question
constexpr int32_t kNoticeRow = 26;      // below the map view, where nothing else writes
constexpr int32_t kReasonRow = 28;      // the whole reason of a failed save, below the read notice
constexpr int32_t kScreenColumns = 100; // text columns across the 800-pixel window
constexpr int32_t kScreenRows = 30;

RtString blanks(int32_t n) {
    return rtStrLiteral(std::string(static_cast<size_t>(n), ' '));
}

int32_t digitOf(int32_t key) {
    if (key >= kKeyNumpad0 && key <= kKeyNumpad0 + 9) return key - kKeyNumpad0;
    if (key >= kKeyDigit0 && key <= kKeyDigit0 + 9) return key - kKeyDigit0;
    return -1;
}

bool isKeypadDigit(int32_t key) {
    return key >= kKeyNumpad0 && key <= kKeyNumpad0 + 9;
}

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

// Prints CP932 text at (column, row) without a line end: the last text row must not move the
// cursor below the window, which would scroll the text.
void printPlain(EditorIo& io, int32_t column, int32_t row, RtString text) {
    io.locate(column, row);
    io.print(text);
}

// The cut of text (CP932) at most width bytes long, on a character boundary.
int32_t fittingBytes(RtString text, int32_t from, int32_t width) {
    const int32_t length = rt::rtStrLen(text);
    int32_t cut = from;
    while (cut < length) {
        const int32_t step = platform::cp932::isLeadByte(static_cast<uint8_t>(text[cut])) ? 2 : 1;
        if (cut + step - from > width || cut + step > length) break;
        cut += step;
    }
    return cut;
}

// Shows the whole reason of a failed save on the last two text rows, across the window.
void printReason(EditorIo& io, const std::string& utf8) {
    RtString text = rtStrLiteral(utf8);
    int32_t at = 0;
    for (int32_t row = kReasonRow; row < kScreenRows && at < rt::rtStrLen(text); ++row) {
        const int32_t cut = fittingBytes(text, at, kScreenColumns);
        printPlain(io, 0, row,
                   rt::rtStrFromBytes(rt::rtStrView(text).substr(static_cast<size_t>(at),
                                                                 static_cast<size_t>(cut - at))));
        at = cut;
    }
    rt::rtStrFree(text);
}

void clearRows(EditorIo& io, int32_t first, int32_t last) {
    for (int32_t row = first; row <= last; ++row) printPlain(io, 0, row, blanks(kScreenColumns));
}

// The view shows the map rows from cursorRow - screenRow on: all 26 of them drawn anew.
void drawView(Editor& editor, EditorIo& io) {
    const int top = editor.cursorRow - editor.screenRow;
    for (int column = 0; column < kMapColumns; ++column)
        for (int viewRow = 0; viewRow <= kLastScreenRow; ++viewRow)
            drawCell(io, editor.cell(column, top + viewRow), kCellPixels * column, kCellPixels * viewRow);
}

// Puts the cursor on a cell; the view moves only as far as it must to show it.
void moveCursorTo(Editor& editor, EditorIo& io, int16_t column, int16_t row) {
    const int top = editor.cursorRow - editor.screenRow;
    int newTop = top;
    if (row < top) newTop = row;
    if (row > top + kLastScreenRow) newTop = row - kLastScreenRow;
    editor.cursorColumn = column;
    editor.cursorRow = row;
    editor.screenRow = static_cast<int16_t>(row - newTop);
    if (newTop != top) drawView(editor, io);
}

// Every change of a cell goes through here, so that it can be taken back.
void editCursorCell(Editor& editor, int16_t value) {
    int16_t& cell = editor.cursorCell();
    if (cell == value) return; // nothing changed, nothing to undo
    editor.undoList.push_back({editor.cursorColumn, editor.cursorRow, cell, value});
    editor.redoList.clear();
    cell = value;
}

// Ctrl+Z takes the last edit back, Ctrl+Y (or Ctrl+Shift+Z) makes it again: the cursor goes to
// its cell.
void undoOrRedo(Editor& editor, EditorIo& io, bool redo) {
    std::vector<Editor::Edit>& from = redo ? editor.redoList : editor.undoList;
    std::vector<Editor::Edit>& to = redo ? editor.undoList : editor.redoList;
    if (from.empty()) return;
    const Editor::Edit edit = from.back();
    from.pop_back();
    to.push_back(edit);
    moveCursorTo(editor, io, edit.column, edit.row);
    editor.cursorCell() = redo ? edit.after : edit.before;
    redrawCursorCell(editor, io);
}

bool isNoKey(RtString keyText) {
    // The comparison is exact: "N" is the N key (78), "n" the keypad decimal point (110).
    return rt::rtStrCompare(rt::rtStrCopy(keyText), rtStrLiteral("N")) == 2 ||
           rt::rtStrCompare(rt::rtStrCopy(keyText), rtStrLiteral("n")) == 2;
}

// The quit question; true when the map has been written.
bool askToQuit(Editor& editor, EditorIo& io) {
    printAt(io, kTextColumn, kStatusRow, rtStrLiteral("終了する?(Enter or N)"));
    RtString answer = io.inputKey();
    printAt(io, kTextColumn, kStatusRow, blanks(kQuestionBlanks));
    printAt(io, kTextColumn, kPatternRow, blanks(kQuestionBlanks));
    const bool stay = isNoKey(answer);
    rt::rtStrFree(answer);
    if (stay) return false;

    printAt(io, kTextColumn, kStatusRow, rtStrLiteral("データ書き込み中     "));
    SaveResult result = io.saveMap(editor, [&io](int16_t row) {
        io.locate(kTextColumn, kPatternRow);
        io.print(rt::rtNumToStr(row));
    });
    if (result.ok) {
        if (!result.keptChanged.empty()) {
            // Both versions are on disk; the user learns where before the window goes.
            const std::vector<std::string> lines = keptNotice(result.keptChanged);
            std::string all;
            for (const std::string& line : lines) all += (all.empty() ? "" : " ") + line;
            platform::debugOutput(platform::cp932::fromUtf8(all + "\n"));
            printAt(io, kTextColumn, kStatusRow, rtStrLiteral("データ書き込み完了   "));
            printPlain(io, kTextColumn, kPatternRow, blanks(kMessageWidth));
            clearRows(io, kNoticeRow, kScreenRows - 1);
            int32_t row = kNoticeRow;
            for (const std::string& line : lines) printPlain(io, 0, row++, rtStrLiteral(line));
            rt::rtStrFree(io.inputKey());
        }
        return true;
    }

    // The old file is intact and the map is still in memory: say so and go on editing. The full
    // reason goes to the debug output, the screen has room for its gist.
    platform::debugOutput(platform::cp932::fromUtf8("データ書き込み失敗: " + result.reason + "\n"));
    printAt(io, kTextColumn, kStatusRow, rtStrLiteral("データ書き込み失敗"));
    io.locate(kTextColumn, kPatternRow);
    io.print(blanks(kMessageWidth));
    printAt(io, kTextColumn, kPatternRow, fitText(result.reason, kMessageWidth));
    printReason(io, result.reason);
    editor.saveMessageShown = true;
    return false;
}

} // namespace

RtString statusLine(int16_t column, int16_t row, int32_t key) {
    RtString s = rtStrLiteral("x= ");
    s = rtStrConcat(s, rt::rtNumToStr(column));
    s = rtStrConcat(s, rtStrLiteral("  y= "));
    s = rtStrConcat(s, rt::rtNumToStr(row));
    s = rtStrConcat(s, rtStrLiteral("    Asc= "));
    s = rtStrConcat(s, rt::rtNumToStr(key));
    return rtStrConcat(s, rtStrLiteral("    "));
}

RtString patternLine(int16_t value) {
    RtString s = rtStrLiteral("パターン ");
    s = rtStrConcat(s, rt::rtHexStr(value)); // sign-extended: -1 shows as FFFFFFFF
    return rtStrConcat(s, rtStrLiteral("    "));
}

RtString fitText(const std::string& utf8, int32_t width) {
    std::string text = utf8;
    const size_t colon = text.rfind(": ");
    if (platform::cp932::fromUtf8(text).size() > static_cast<size_t>(width) && colon != std::string::npos) {
        text = text.substr(colon + 2);
        text = text.substr(0, text.find("; "));
    }
    RtString full = rtStrLiteral(text);
    const int32_t cut = fittingBytes(full, 0, width);
    return rt::rtStrLeft(full, cut);
}

std::vector<std::string> readNotice(const mapfile::ReadStop& stop) {
    using mapfile::ReadStatus;
    const std::string file = mapfile::kMapFileName;
    if (stop.status == ReadStatus::Unreadable)
        return {file + "を読めません: " + stop.error, "保存しても" + file + "は置き換えません。"};
    std::string why;
    switch (stop.status) {
    case ReadStatus::CapacityBreach:
        why = stop.row >= mapfile::kEditorRows ? "7001行を超えています" : "1行に33個以上の値があります";
        break;
    case ReadStatus::ZeroByte:
        why = "値0のバイトがあります";
        break;
    case ReadStatus::FieldTooLong:
        why = "256文字以上の値があります";
        break;
    case ReadStatus::NoFinalCr:
        why = "最後の行の終わりにCR LFがありません";
        break;
    case ReadStatus::LoneCr:
        why = "改行がCRだけです(CR LFが要ります)";
        break;
    default:
        return {};
    }
    if (stop.lfLineEnds) why = "改行がLFだけです(CR LFが要ります)";
    const std::string row = std::to_string(stop.row);
    if (stop.overCap)
        return {file + "の読み込みは行 " + row + " で止まりました: " + why + "。",
                "ファイルが大きすぎるため、保存しても" + file + "は置き換えません。"};
    return {file + "の読み込みは行 " + row + " で止まりました: " + why + "。",
            "行 " + row + " から後は編集できませんが、保存しても元のまま残ります。"};
}

std::vector<std::string> keptNotice(const std::string& keptPath) {
    const std::string file = mapfile::kMapFileName;
    return {file + "は読み込んだ後に変更されていました。その内容は次のファイルに残しました:", keptPath,
            "編集した地図は" + file + "に保存しました。何かキーを押すと終了します。"};
}

void printAt(EditorIo& io, int32_t column, int32_t row, RtString text) {
    io.locate(column, row);
    io.print(rtStrConcat(text, rtStrLiteral("\r\n")));
}

void drawCell(EditorIo& io, int16_t value, int32_t x, int32_t y) {
    const int tile = value & 0xFF;
    if (tile <= 9) {
        io.putTile(tile, x, y);
    } else {
        io.drawLine(x, y, 0, x + 15, y + 15, kBlack, kModeFilledBox, kBlack);
    }
    if ((value & 0x0F00) > 0) io.drawLine(x + 5, y + 5, 0, x + 10, y + 10, kRed, kModeFilledBox, kRed);
    if ((value & 0xF000) != 0) io.drawLine(x + 7, y + 7, 0, x + 8, y + 8, kBlue, kModeFilledBox, kBlue);
}

void moveCursorVertically(Editor& editor, EditorIo& io, int32_t key) {
    if (key == kKeyUp && editor.cursorRow > 0) {
        editor.lastArrowKey = kKeyUp;
        --editor.cursorRow;
        --editor.screenRow;
        if (editor.screenRow < 0) {
            editor.screenRow = 0;
            scrollViewDown(editor, io);
        }
    } else if (key == kKeyDown && editor.cursorRow < editor.lastRow) {
        editor.lastArrowKey = kKeyDown;
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
        drawCell(io, editor.cell(column, editor.cursorRow), kCellPixels * column, 0);
}

void scrollViewUp(Editor& editor, EditorIo& io) {
    io.captureView(0, 16, 512, 400);
    io.putView(0, 0);
    for (int column = 0; column < kMapColumns; ++column)
        drawCell(io, editor.cell(column, editor.cursorRow), kCellPixels * column, 400);
}

void drawStartScreen(Editor& editor, EditorIo& io) {
    for (int i = 0; i <= 9; ++i) {
        printAt(io, kTextColumn, i, rt::rtStrChr('0' + i));
        drawCell(io, static_cast<int16_t>(i), kPaletteX, kCellPixels * i);
    }
    for (int column = 0; column < kMapColumns; ++column)
        for (int viewRow = 0; viewRow <= kLastScreenRow; ++viewRow)
            drawCell(io, editor.cell(column, viewRow), kCellPixels * column, kCellPixels * viewRow);
    editor.cursorColumn = editor.cursorRow = editor.screenRow = 0;
    printAt(io, kTextColumn, 21, rtStrLiteral("Ent = 地上物の設定"));
    printAt(io, kTextColumn, 22, rtStrLiteral("Tab = 地上物の移動道"));
    printAt(io, kTextColumn, 23, rtStrLiteral("Esc = 終了"));
    int32_t row = kNoticeRow;
    for (const std::string& line : readNotice(editor.readStop)) printAt(io, 0, row++, rtStrLiteral(line));
}

KeyOutcome handleKey(Editor& editor, EditorIo& io, RtString keyText) {
    int32_t key = rt::rtStrAsc(keyText);

    if (editor.saveMessageShown) {
        io.locate(kTextColumn, kStatusRow);
        io.print(blanks(kMessageWidth));
        io.locate(kTextColumn, kPatternRow);
        io.print(blanks(kMessageWidth));
        clearRows(io, kReasonRow, kScreenRows - 1);
        editor.saveMessageShown = false;
    }

    redrawCursorCell(editor, io); // wipes the cursor frame
    io.pause(1);

    // Z and Y typed with Ctrl take edits back and make them again; without Ctrl they mean nothing,
    // as before. The key then ends like any other: frame, status line, pattern line.
    if ((io.keyModifiers() & kCtrl) != 0 && (key == kKeyZ || key == kKeyY))
        undoOrRedo(editor, io, key == kKeyY || (io.keyModifiers() & kShift) != 0);

    // A digit sets the tile and then repeats the last arrow key.
    for (;;) {
        moveCursorVertically(editor, io, key);
        if (key == kKeyLeft) {
            --editor.cursorColumn;
            editor.lastArrowKey = kKeyLeft;
            if (editor.cursorColumn < 0) {
                editor.cursorColumn = kMapColumns - 1;
                moveCursorVertically(editor, io, kKeyUp);
                editor.lastArrowKey = kKeyLeft;
            }
        }
        if (key == kKeyRight) {
            ++editor.cursorColumn;
            editor.lastArrowKey = kKeyRight;
            if (editor.cursorColumn > kMapColumns - 1) {
                editor.cursorColumn = 0;
                moveCursorVertically(editor, io, kKeyDown);
                editor.lastArrowKey = kKeyRight;
            }
        }
        const int32_t digit = digitOf(key);
        if (digit < 0) break;
        editCursorCell(editor, static_cast<int16_t>((editor.cursorCell() & 0xFF00) + digit));
        redrawCursorCell(editor, io);
        key = editor.lastArrowKey;
    }

    if (key == kKeyEnter) {
        do {
            printAt(io, kTextColumn, kPromptRow, rtStrLiteral("地上キャラのセット(0～9キー)"));
            drawBox(io, cursorX(editor), cursorY(editor), kRed);
            key = rt::rtStrAsc(io.inputKey());
            printAt(io, kTextColumn, kPromptRow, blanks(kPromptBlanks));
        } while (!isKeypadDigit(key));
        editCursorCell(editor, static_cast<int16_t>(((key - kKeyNumpad0) * 256) | (editor.cursorCell() & 0xFF)));
        printAt(io, kTextColumn, kPatternRow, patternLine(editor.cursorCell()));
        redrawCursorCell(editor, io);
    }
    if (key == kKeyTab) {
        editCursorCell(editor, static_cast<int16_t>((editor.cursorCell() & 0x0FFF) | 0x1000));
        printAt(io, kTextColumn, kPatternRow, patternLine(editor.cursorCell()));
        redrawCursorCell(editor, io);
    }
    if (key == kKeyDelete) {
        editCursorCell(editor, static_cast<int16_t>(editor.cursorCell() & 0xFF));
        printAt(io, kTextColumn, kPatternRow, patternLine(editor.cursorCell()));
        redrawCursorCell(editor, io);
    }
    if (key == kKeyEscape) return askToQuit(editor, io) ? KeyOutcome::Saved : KeyOutcome::Editing;

    drawBox(io, cursorX(editor), cursorY(editor), kYellow);
    printAt(io, kTextColumn, kStatusRow, statusLine(editor.cursorColumn, editor.cursorRow, key));
    printAt(io, kTextColumn, kPatternRow, patternLine(editor.cursorCell()));
    return KeyOutcome::Editing;
}

void runEditor(Editor& editor, EditorIo& io) {
    while (handleKey(editor, io, io.inputKey()) != KeyOutcome::Saved) {
    }
}

} // namespace mapedit
