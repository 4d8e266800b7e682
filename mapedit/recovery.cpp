#include "mapedit/editor_parts.hpp"

namespace mapedit {

namespace parts {

namespace {

std::string clock(std::time_t t, const char* format) {
    std::tm local{};
    ::localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

// The journal's own map: its starting map with every edit made.
mapfile::EditorMap journalMap(const Recovery& r) {
    mapfile::EditorMap map = r.base;
    for (const Change& c : r.edits) applyChange(map, c);
    return map;
}

// The journal's steps: a drag, a block or a row counts once.
size_t steps(const Recovery& r) {
    size_t n = 0;
    for (size_t i = 0; i < r.edits.size(); ++i)
        if (i == 0 || !r.edits[i].joined) ++n;
    return n;
}

void finish(Editor& editor, EditorIo& io, std::vector<std::string> lines) {
    for (const std::string& line : lines) tellDebugOutput(line);
    for (const std::string& line : readNotice(editor.map.stop)) lines.push_back(line);
    showNotice(io, lines);
    editor.recovery.reset();
    editor.mode = Mode::Editing;
}

} // namespace

void askAboutRecovery(Editor& editor, EditorIo& io) {
    const Recovery& r = *editor.recovery;
    const std::string file = mapfile::kMapFileName;
    std::vector<std::string> lines = {"前回の編集の記録に、保存していない変更が " + std::to_string(steps(r)) +
                                      " 件あります(" + clock(r.started, "%Y-%m-%d %H:%M") + " から " +
                                      clock(r.lastEdit, "%H:%M:%S") + " まで)。"};
    if (r.mapChanged)
        lines.push_back("記録の後で" + file + "が変わっています。戻す変更は記録の元の地図に載せます。");
    lines.push_back("Enter=変更を戻す  N=戻さない(記録の地図は別の名前で残します)");
    for (const std::string& line : lines) tellDebugOutput(line);
    showNotice(io, lines);
    editor.mode = Mode::Recovery;
}

void answerRecovery(Editor& editor, EditorIo& io, int32_t key) {
    Recovery& r = *editor.recovery;
    if (key == keys::kReturn) {
        // Onto the map the journal began from: the map as read, unless it changed since; then the
        // next save keeps the version on disk under a new name.
        if (r.mapChanged) editor.map = r.base;
        drawView(editor, io);
        // Step by step as they were made, each undoable as it was.
        size_t restored = 0;
        for (size_t i = 0; i < r.edits.size(); ++i) {
            const Change& c = r.edits[i];
            if (i == 0 || !c.joined) {
                endStep(editor);
                beginStep(editor);
                ++restored;
            }
            makeChange(editor, io, c);
        }
        endStep(editor);
        drawView(editor, io);
        finish(editor, io,
               {"記録から " + std::to_string(restored) + " 件の変更を戻しました(まだ保存していません)。"});
        return;
    }
    if (!isNoKey(key)) return;
    const SaveResult kept = io.keepCopy(journalMap(r), "recovered");
    if (!kept.ok) {
        // The journal stays until its map is somewhere: the question stays, with the reason.
        showNotice(io, {"記録の地図を書き出せません: " + kept.reason, "Enter=変更を戻す  N=もう一度試す"});
        tellDebugOutput("記録の地図を書き出せません: " + kept.reason);
        return;
    }
    io.clearJournal();
    finish(editor, io, {"記録の地図は次のファイルに書き出しました:", kept.keptChanged});
}

} // namespace parts

} // namespace mapedit
