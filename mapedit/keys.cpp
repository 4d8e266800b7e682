#include "mapedit/editor_parts.hpp"
#include "mapedit/play.hpp"

namespace mapedit {

using rt::rtStrLiteral;
using namespace parts;

namespace parts {

void wipeMessages(Editor& editor, EditorIo& io) {
    if (editor.saveMessageShown) {
        io.locate(kTextColumn, kStatusRow);
        io.print(blanks(kMessageWidth));
        io.locate(kTextColumn, kPatternRow);
        io.print(blanks(kMessageWidth));
        clearRows(io, kReasonRow, kScreenRows - 1);
        editor.saveMessageShown = false;
    }
    wipeWord(editor, io);
}

} // namespace parts

namespace {

int32_t digitOf(int32_t key) {
    if (key >= keys::kNumpad0 && key <= keys::kNumpad0 + 9) return key - keys::kNumpad0;
    if (key >= keys::kDigit0 && key <= keys::kDigit0 + 9) return key - keys::kDigit0;
    return -1;
}

bool isKeypadDigit(int32_t key) {
    return key >= keys::kNumpad0 && key <= keys::kNumpad0 + 9;
}

void showGroundPrompt(Editor& editor, EditorIo& io) {
    printAt(io, kTextColumn, kPromptRow, rtStrLiteral("地上キャラのセット(0～9キー)"));
    drawBox(io, cursorX(editor), cursorY(editor), kRed);
}

void setPattern(Editor& editor, EditorIo& io, int16_t value) {
    editCell(editor, io, editor.cursorColumn, editor.cursorRow, value);
    printAt(io, kTextColumn, kPatternRow, patternLine(editor.cursorCell()));
    redrawCursorCell(editor, io);
}

// Ctrl+S: the save of Esc then Enter, and editing goes on.
void saveAndGoOn(Editor& editor, EditorIo& io) {
    const SaveEnd end = saveWithMessages(editor, io, false);
    drawBox(io, cursorX(editor), cursorY(editor), kYellow);
    if (end == SaveEnd::Failed) return;
    if (end == SaveEnd::Saved) {
        printPlain(io, kTextColumn, kStatusRow, blanks(kMessageWidth));
        printAt(io, kTextColumn, kStatusRow, rtStrLiteral("データ書き込み完了   "));
    }
    printAt(io, kTextColumn, kPatternRow, patternLine(editor.cursorCell()));
    editor.saveMessageShown = true;
}

// One pass of the main loop, up to the key that asks something (Enter, Esc).
Outcome editingKey(Editor& editor, EditorIo& io, int32_t key, uint8_t modifiers) {
    wipeMessages(editor, io);

    redrawCursorCell(editor, io); // wipes the cursor frame
    io.pause(1);

    // Z, Y and S typed with Ctrl take edits back, make them again and save; without Ctrl they mean
    // nothing, as before. Undo and redo then end like any other key: frame, status line, pattern line.
    const bool ctrl = (modifiers & keys::kModifierCtrl) != 0;
    if (ctrl && key == keys::letter('S')) {
        saveAndGoOn(editor, io);
        return Outcome::Editing;
    }
    if (key == keys::functionKey(5)) { // the save of Ctrl+S, then the game from the cursor's row
        const uint64_t saves = editor.saves;
        saveAndGoOn(editor, io);
        if (editor.saves != saves) playFromCursor(editor, io);
        return Outcome::Editing;
    }
    // Insert and Ctrl+Delete: rows; G: the kinds of ground objects.
    if (key == keys::kInsert || (ctrl && key == keys::kDelete) || (!ctrl && key == keys::letter('G'))) {
        if (key == keys::kInsert) insertRow(editor, io);
        if (key == keys::kDelete) removeRow(editor, io);
        if (key == keys::letter('G')) toggleKinds(editor, io);
        finishKey(editor, io, key);
        return Outcome::Editing;
    }
    if (ctrl && (key == keys::letter('Z') || key == keys::letter('Y'))) {
        unmark(editor, io);
        undoOrRedo(editor, io, key == keys::letter('Y') || (modifiers & keys::kModifierShift) != 0);
    }
    if (blockKey(editor, io, key, modifiers)) return Outcome::Editing;

    // A digit sets the tile and then repeats the last arrow key.
    for (;;) {
        moveCursorVertically(editor, io, key);
        moveCursorSideways(editor, io, key);
        const int32_t digit = digitOf(key);
        if (digit < 0) break;
        editCell(editor, io, editor.cursorColumn, editor.cursorRow,
                 static_cast<int16_t>((editor.cursorCell() & ~mapfile::kTileCodeMask) + digit));
        redrawCursorCell(editor, io);
        key = editor.lastArrowKey;
    }

    if (key == keys::kReturn) {
        showGroundPrompt(editor, io);
        editor.mode = Mode::GroundObject;
        return Outcome::Editing;
    }
    if (key == keys::kTab)
        setPattern(editor, io,
                   static_cast<int16_t>((editor.cursorCell() & ~mapfile::kPathMask) | mapfile::kPathFlag));
    if (key == keys::kDelete)
        setPattern(editor, io, static_cast<int16_t>(mapfile::tileCode(editor.cursorCell())));
    if (key == keys::kEscape) {
        printAt(io, kTextColumn, kStatusRow, rtStrLiteral("終了する?(Enter or N)"));
        editor.mode = Mode::QuitQuestion;
        return Outcome::Editing;
    }
    finishKey(editor, io, key);
    return Outcome::Editing;
}

// The ground-object prompt takes keypad digits only; every other key asks again.
void groundObjectKey(Editor& editor, EditorIo& io, int32_t key) {
    printAt(io, kTextColumn, kPromptRow, blanks(kPromptBlanks));
    if (!isKeypadDigit(key)) {
        showGroundPrompt(editor, io);
        return;
    }
    editor.mode = Mode::Editing;
    // The ground object is set and the path mark cleared.
    setPattern(editor, io,
               static_cast<int16_t>(((key - keys::kNumpad0) * 256) | mapfile::tileCode(editor.cursorCell())));
    finishKey(editor, io, key);
}

Outcome onKey(Editor& editor, EditorIo& io, int32_t key, uint8_t modifiers) {
    switch (editor.mode) {
    case Mode::Editing:
        return editingKey(editor, io, key, modifiers);
    case Mode::GroundObject:
        groundObjectKey(editor, io, key);
        return Outcome::Editing;
    case Mode::QuitQuestion:
        return answerQuitQuestion(editor, io, key);
    case Mode::CloseQuestion:
        return answerCloseQuestion(editor, io, key);
    case Mode::Recovery:
        answerRecovery(editor, io, key);
        return Outcome::Editing;
    case Mode::SavedNotice:
        return Outcome::Saved;
    }
    return Outcome::Editing;
}

Outcome onClose(Editor& editor, EditorIo& io) {
    // Nothing to lose: the window closes at once, as it always did. The journal at start is not
    // this session's edits, and stays for the next.
    if (!editor.unsaved() || editor.mode == Mode::Recovery) return Outcome::Closed;
    if (editor.mode == Mode::SavedNotice) return Outcome::Saved;
    if (editor.mode != Mode::CloseQuestion) askToClose(editor, io);
    return Outcome::Editing;
}

} // namespace

Outcome handleEvent(Editor& editor, EditorIo& io, const Event& event) {
    Outcome outcome = Outcome::Editing;
    switch (event.kind) {
    case Event::Kind::Key: {
        // A key in the middle of a drag is a step of its own; the drag goes on in a new one.
        History& h = editor.history;
        const bool inStep = h.stepOpen;
        h.stepOpen = h.stepBegun = false;
        outcome = onKey(editor, io, event.key & 0xFF, event.modifiers);
        h.stepOpen = inStep;
        break;
    }
    case Event::Kind::Pointer:
        onPointer(editor, io, event.pointer, event.modifiers);
        break;
    case Event::Kind::Close:
        outcome = onClose(editor, io);
        break;
    case Event::Kind::Tick:
        onTick(editor, io);
        return Outcome::Editing;
    case Event::Kind::Signal:
        return Outcome::Signalled;
    }
    if (outcome == Outcome::Editing) {
        drawSaveState(editor, io);
        drawInfo(editor, io);
    }
    return outcome;
}

Outcome handleKey(Editor& editor, EditorIo& io, int32_t key, uint8_t modifiers) {
    return handleEvent(editor, io, {Event::Kind::Key, key, modifiers});
}

Outcome runEditor(Editor& editor, EditorIo& io) {
    for (;;) {
        const Outcome outcome = handleEvent(editor, io, io.nextEvent(kTickMs));
        if (outcome != Outcome::Editing) return outcome;
    }
}

bool keepsJournal(const Editor& editor, Outcome outcome) {
    if (outcome == Outcome::Discarded || outcome == Outcome::Saved) return false;
    return editor.unsaved() || editor.mode == Mode::Recovery;
}

} // namespace mapedit
