#include "mapedit/editor_parts.hpp"

#include "runtime/core/numconv.hpp"

namespace mapedit {

using rt::rtStrLiteral;

namespace parts {

namespace {

// The close question fits the text area in two rows.
constexpr const char* kCloseQuestion = "変更を保存しますか?";
constexpr const char* kCloseChoices = "(Enter=保存 N=保存しない Esc=戻る)";

void clearMessageRows(EditorIo& io) {
    printPlain(io, kTextColumn, kStatusRow, blanks(kMessageWidth));
    printPlain(io, kTextColumn, kPatternRow, blanks(kMessageWidth));
}

} // namespace

bool isNoKey(int32_t key) {
    // The quit question compares the key's one-character text with "N" and "n" exactly.
    return key == keys::letter('N') || key == keys::kDecimal;
}

SaveEnd saveWithMessages(Editor& editor, EditorIo& io, bool ending) {
    printAt(io, kTextColumn, kStatusRow, rtStrLiteral("データ書き込み中     "));
    const SaveResult result = io.saveMap(editor.map, [&io](int16_t row) {
        io.locate(kTextColumn, kPatternRow);
        io.print(rt::rtNumToStr(row));
    });
    if (result.ok) {
        mapfile::noteSaved(editor.map);
        markSaved(editor);
        editor.lastSave = io.now();
        ++editor.saves;
        io.clearJournal();
        drawSaveState(editor, io);
        if (result.keptChanged.empty()) return SaveEnd::Saved;
        // Both versions are on disk; the user learns where (before the window goes, when it goes).
        const std::vector<std::string> lines = keptNotice(result.keptChanged, ending);
        std::string all;
        for (const std::string& line : lines) all += (all.empty() ? "" : " ") + line;
        tellDebugOutput(all);
        printAt(io, kTextColumn, kStatusRow, rtStrLiteral("データ書き込み完了   "));
        printPlain(io, kTextColumn, kPatternRow, blanks(kMessageWidth));
        showNotice(io, lines);
        return SaveEnd::SavedKept;
    }

    // The old file is intact and the map is still in memory: say so and go on editing. The full
    // reason goes to the debug output, the screen has room for its gist.
    tellDebugOutput("データ書き込み失敗: " + result.reason);
    printAt(io, kTextColumn, kStatusRow, rtStrLiteral("データ書き込み失敗"));
    io.locate(kTextColumn, kPatternRow);
    io.print(blanks(kMessageWidth));
    printAt(io, kTextColumn, kPatternRow, fitText(result.reason, kMessageWidth));
    printReason(io, result.reason);
    editor.saveMessageShown = true;
    return SaveEnd::Failed;
}

namespace {

// The save that ends the editor: it ends once the map is saved, waits for a key first when a
// version changed on disk was kept, and goes on editing after a failed save.
Outcome saveAndEnd(Editor& editor, EditorIo& io) {
    switch (saveWithMessages(editor, io, true)) {
    case SaveEnd::Saved:
        return Outcome::Saved;
    case SaveEnd::SavedKept:
        editor.mode = Mode::SavedNotice;
        return Outcome::Editing;
    case SaveEnd::Failed:
        break;
    }
    return Outcome::Editing;
}

} // namespace

// Esc asked "終了する?(Enter or N)"; this is the answer.
Outcome answerQuitQuestion(Editor& editor, EditorIo& io, int32_t key) {
    printAt(io, kTextColumn, kStatusRow, blanks(kQuestionBlanks));
    printAt(io, kTextColumn, kPatternRow, blanks(kQuestionBlanks));
    editor.mode = Mode::Editing;
    // N goes back to editing; the cursor frame and the status lines stay erased until the next key.
    if (isNoKey(key)) return Outcome::Editing;
    return saveAndEnd(editor, io);
}

void askToClose(Editor& editor, EditorIo& io) {
    if (editor.mode == Mode::GroundObject) printAt(io, kTextColumn, kPromptRow, blanks(kPromptBlanks));
    clearMessageRows(io);
    printPlain(io, kTextColumn, kStatusRow, rtStrLiteral(kCloseQuestion));
    printPlain(io, kTextColumn, kPatternRow, rtStrLiteral(kCloseChoices));
    editor.mode = Mode::CloseQuestion;
}

Outcome answerCloseQuestion(Editor& editor, EditorIo& io, int32_t key) {
    if (isNoKey(key)) {
        // The edits are thrown away, and so is their journal.
        io.clearJournal();
        return Outcome::Discarded;
    }
    if (key != keys::kReturn && key != keys::kEscape) return Outcome::Editing; // the question stays
    clearMessageRows(io);
    editor.mode = Mode::Editing;
    if (key == keys::kEscape) {
        finishKey(editor, io, key);
        return Outcome::Editing;
    }
    return saveAndEnd(editor, io);
}

} // namespace parts

} // namespace mapedit
