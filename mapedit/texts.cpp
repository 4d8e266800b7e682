#include "mapedit/editor_parts.hpp"

#include "platform/cp932.hpp"
#include "platform/system.hpp"
#include "runtime/core/numconv.hpp"

namespace mapedit {

using rt::rtStrConcat;
using rt::RtString;
using rt::rtStrLiteral;

namespace parts {

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

RtString blanks(int32_t n) {
    return rtStrLiteral(std::string(static_cast<size_t>(n), ' '));
}

void printPlain(EditorIo& io, int32_t column, int32_t row, RtString text) {
    io.locate(column, row);
    io.print(text);
}

void printReason(EditorIo& io, const std::string& utf8) {
    RtString text = rtStrLiteral(utf8);
    int32_t at = 0;
    for (int32_t row = kReasonRow; row < kScreenRows && at < rt::rtStrLen(text); ++row) {
        const int32_t cut = fittingBytes(text, at, kScreenColumns);
        printPlain(io, 0, row,
                   rt::rtStrFromBytes(
                       rt::rtStrView(text).substr(static_cast<size_t>(at), static_cast<size_t>(cut - at))));
        at = cut;
    }
    rt::rtStrFree(text);
}

void clearRows(EditorIo& io, int32_t first, int32_t last) {
    for (int32_t row = first; row <= last; ++row) printPlain(io, 0, row, blanks(kScreenColumns));
}

void showNotice(EditorIo& io, const std::vector<std::string>& lines) {
    clearRows(io, kNoticeRow, kScreenRows - 1);
    int32_t row = kNoticeRow;
    for (const std::string& line : lines) {
        if (row >= kScreenRows) break;
        RtString text = rtStrLiteral(line);
        const int32_t cut = fittingBytes(text, 0, kScreenColumns);
        printPlain(io, 0, row++, rt::rtStrLeft(text, cut));
    }
}

void drawSaveState(const Editor& editor, EditorIo& io) {
    io.locate(kTextColumn, kSaveStateRow);
    io.print(blanks(kMessageWidth));
    printPlain(io, kTextColumn, kSaveStateRow,
               rtStrLiteral(saveStateLine(editor.unsaved(), editor.lastSave)));
}

void tellDebugOutput(const std::string& utf8) {
    platform::debugOutput(platform::cp932::fromUtf8(utf8 + "\n"));
}

} // namespace parts

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

std::string saveStateLine(bool unsaved, std::time_t lastSave) {
    std::string line = unsaved ? "未保存の変更あり" : "未保存の変更なし";
    if (lastSave != 0) {
        std::tm local{};
        ::localtime_r(&lastSave, &local);
        char time[16];
        std::strftime(time, sizeof time, "%H:%M:%S", &local);
        line += std::string(" 保存 ") + time;
    }
    return line;
}

RtString fitText(const std::string& utf8, int32_t width) {
    std::string text = utf8;
    const size_t colon = text.rfind(": ");
    if (platform::cp932::fromUtf8(text).size() > static_cast<size_t>(width) && colon != std::string::npos) {
        text = text.substr(colon + 2);
        text = text.substr(0, text.find("; "));
    }
    RtString full = rtStrLiteral(text);
    const int32_t cut = parts::fittingBytes(full, 0, width);
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

std::vector<std::string> keptNotice(const std::string& keptPath, bool ending) {
    const std::string file = mapfile::kMapFileName;
    return {file + "は読み込んだ後に変更されていました。その内容は次のファイルに残しました:", keptPath,
            "編集した地図は" + file + "に保存しました。" + (ending ? "何かキーを押すと終了します。" : "")};
}

void printAt(EditorIo& io, int32_t column, int32_t row, RtString text) {
    io.locate(column, row);
    io.print(rtStrConcat(text, rtStrLiteral("\r\n")));
}

} // namespace mapedit
