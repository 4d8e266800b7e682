#include "mapedit/editor_parts.hpp"

#include <algorithm>

namespace mapedit {

namespace parts {

namespace {

// Another program wrote the map: read it in where nothing would be lost.
void reload(Editor& editor, EditorIo& io, mapfile::EditorMap&& map) {
    editor.map = std::move(map);
    openBlankWhenEmpty(editor.map);
    // The cursor stays where it was, within the map; the view keeps its place as far as it can.
    const int16_t lastCursorRow = std::max<int16_t>(editor.lastRow(), 0);
    if (editor.cursorRow > lastCursorRow) {
        editor.screenRow =
            static_cast<int16_t>(std::max(0, editor.screenRow - (editor.cursorRow - lastCursorRow)));
        editor.cursorRow = lastCursorRow;
    }
    clearHistory(editor);
    io.clearJournal();
    drawView(editor, io);
    drawBox(io, cursorX(editor), cursorY(editor), kYellow);
    const std::string line = std::string(mapfile::kMapFileName) + "が変更されたので読み込み直しました。";
    tellDebugOutput(line);
    std::vector<std::string> lines = readNotice(editor.map.stop);
    lines.push_back(line);
    showNotice(io, lines);
    drawSaveState(editor, io);
    drawInfo(editor, io);
}

} // namespace

void onTick(Editor& editor, EditorIo& io) {
    io.flushJournal();
    // Questions and prompts wait for their answer; the file is looked at again after it.
    if (editor.mode != Mode::Editing) return;
    std::optional<mapfile::EditorMap> changed = io.changedMapFile(editor.map);
    if (!changed) return;
    if (!editor.unsaved()) {
        reload(editor, io, std::move(*changed));
        return;
    }
    const std::string file = mapfile::kMapFileName;
    const std::vector<std::string> lines = {file + "が他のプログラムで変更されました。",
                                            "保存すると、その内容は別の名前で残し、編集中の地図を" + file +
                                                "に保存します。"};
    for (const std::string& line : lines) tellDebugOutput(line);
    showNotice(io, lines);
}

} // namespace parts

} // namespace mapedit
