#include "mapedit/program.hpp"

#include "assets/icons.hpp"
#include "mapedit/editor_parts.hpp"
#include "mapedit/journal_file.hpp"
#include "mapedit/play.hpp"
#include "mapedit/watch.hpp"
#include "mapfile/mapfile.hpp"
#include "platform/cp932.hpp"
#include "platform/signals.hpp"
#include "platform/system.hpp"
#include "runtime/core/process.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/picture/line.hpp"
#include "runtime/picture/picture.hpp"
#include "runtime/prompt/overlay.hpp"
#include "runtime/prompt/prompt.hpp"

#include <array>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <utility>

namespace mapedit {

namespace {

std::atomic<int64_t> keyRequests{0};

Event pointerEvent(const prompt::PromptEvent& e) {
    using Kind = prompt::PromptEvent::Kind;
    Event out{Event::Kind::Pointer, 0, e.modifiers};
    Pointer& p = out.pointer;
    p.action = e.kind == Kind::PointerDown ? Pointer::Action::Press
               : e.kind == Kind::PointerUp ? Pointer::Action::Release
               : e.kind == Kind::Wheel     ? Pointer::Action::Wheel
                                           : Pointer::Action::Move;
    p.button = e.button == 1   ? Pointer::Button::Left
               : e.button == 2 ? Pointer::Button::Middle
               : e.button == 3 ? Pointer::Button::Right
                               : Pointer::Button::None;
    p.x = e.x;
    p.y = e.y;
    p.wheel = e.wheel;
    return out;
}

// The editor's 11 Pictures: the ten tiles and the scrollPicture that moves the view by a row.
struct EditorPictures {
    std::array<std::unique_ptr<picture::Picture>, 10> tilePicture;
    std::unique_ptr<picture::Picture> scrollPicture;
};

// The editor on the prompt window, with its journal and the watch on the map file.
class WindowIo : public EditorIo {
  public:
    WindowIo(EditorPictures& pictures, JournalFile& journal, MapWatch& watch)
        : pictures_(pictures), journal_(journal), watch_(watch) {}

    void putTile(int tile, int32_t x, int32_t y) override {
        pictures_.tilePicture[static_cast<size_t>(tile)]->putAt(x, y, 0);
    }
    void drawLine(int32_t x1, int32_t y1, int32_t relative, int32_t x2, int32_t y2, int32_t colour,
                  int32_t mode, int32_t fillColour) override {
        picture::drawLine(x1, y1, relative, x2, y2, colour, mode, fillColour);
    }
    void captureView(int32_t x, int32_t y, int32_t w, int32_t h) override {
        pictures_.scrollPicture->captureWindow(x, y, w, h);
    }
    void putView(int32_t x, int32_t y) override { pictures_.scrollPicture->putAt(x, y, 0); }
    void locate(int32_t column, int32_t row) override { prompt::rtLocate(column, row); }
    void print(rt::RtString text) override { prompt::rtPrint(text); }
    Event nextEvent(int32_t waitMs) override {
        // Ticks do not count: the count tells drivers that the editor has finished with what they
        // sent and waits again.
        if (!lastWasTick_) keyRequests.fetch_add(1);
        lastWasTick_ = false;
        for (;;) {
            if (platform::signals::pendingEndSignal() != 0) return {Event::Kind::Signal};
            // A tick comes every waitMs also while keys keep coming: the journal is written out
            // within a second whatever the user does.
            const int64_t now = platform::monotonicNs();
            if (now - lastTickNs_ >= int64_t{waitMs} * 1'000'000) {
                lastTickNs_ = now;
                lastWasTick_ = true;
                return {Event::Kind::Tick};
            }
            const prompt::PromptEvent e = prompt::promptWaitEvent(kSignalLookMs);
            if (e.kind == prompt::PromptEvent::Kind::Key) {
                return {Event::Kind::Key, e.key, e.modifiers};
            }
            if (e.kind == prompt::PromptEvent::Kind::Close) return {Event::Kind::Close};
            if (e.kind != prompt::PromptEvent::Kind::None) return pointerEvent(e);
        }
    }
    void pause(int32_t ms) override { platform::sleepMs(ms); }
    std::time_t now() override { return std::time(nullptr); }
    SaveResult saveMap(const mapfile::EditorMap& map,
                       const std::function<void(int16_t)>& beforeRow) override {
        const mapfile::WriteResult result = mapfile::writeMapFile(map, beforeRow);
        return {result.ok, result.reason, result.keptChanged};
    }
    void recordEdit(const mapfile::EditorMap& map, const Change& edit) override {
        journal_.record(map, edit, std::time(nullptr));
    }
    void flushJournal() override { tell(journal_.flush()); }
    void clearJournal() override { tell(journal_.clear()); }
    SaveResult keepCopy(const mapfile::EditorMap& map, const std::string& tag) override {
        const mapfile::WriteResult result = mapfile::writeMapCopy(map, tag);
        return {result.ok, result.reason, result.keptChanged};
    }
    std::optional<mapfile::EditorMap> changedMapFile(const mapfile::EditorMap& map) override {
        return watch_.changed(map);
    }
    std::string startGame(int16_t row) override {
        return mapedit::startGame(gameCandidates(platform::ownProgramFolder(), std::getenv("PATH")), row)
            .error;
    }

    void textColour(int32_t colour) override {
        prompt::promptSetTextColours(picture::colourNumberToRgb(colour), 0);
    }
    bool setClipboard(const std::string& text) override { return prompt::promptSetClipboard(text); }
    std::optional<std::string> clipboard() override { return prompt::promptClipboard(); }

  private:
    // How often the wait for a key looks for an end signal.
    static constexpr int32_t kSignalLookMs = 20;

    // A journal that cannot be written is said once, on the debug output and below the view.
    void tell(const std::string& why) {
        if (why.empty() || why == told_) return;
        told_ = why;
        const std::string line = "作業記録を書けません(" + journal_.path() + "): " + why;
        platform::debugOutput(platform::cp932::fromUtf8(line + "\n"));
        // The last text row, without a line end (which would scroll the text).
        prompt::rtLocate(0, 29);
        prompt::rtPrint(rt::rtStrLiteral(std::string(100, ' ')));
        prompt::rtLocate(0, 29);
        prompt::rtPrint(fitText(line, 100));
    }

    EditorPictures& pictures_;
    JournalFile& journal_;
    MapWatch& watch_;
    bool lastWasTick_ = false;
    int64_t lastTickNs_ = platform::monotonicNs();
    std::string told_;
};

} // namespace

int64_t keyRequestCount() {
    return keyRequests.load();
}

void runMapedit(int32_t scale, bool vsync) {
    rt::rtRuntimeInit();
    prompt::promptStart({"mapedit", scale, vsync});
    rt::RtString title = rt::rtStrLiteral("スクロール背景作成ツール");
    prompt::promptConfigure(rt::rtStrView(title), assets::windowIcons(assets::mapeditIcon()), 800, 480);
    rt::rtStrFree(title);
    // The window's notices (F12's saved picture) go right of the view, between the info lines and
    // the prompt, where the editor writes nothing.
    const platform::font::CellSize cell = prompt::cellSize();
    constexpr int32_t kFirstNoticeRow = parts::kWordRow + 2; // below the word's two rows
    prompt::promptSetNoticeArea(cell.width * kTextColumn, cell.height * kFirstNoticeRow,
                                parts::kScreenColumns - kTextColumn, parts::kPromptRow - 1 - kFirstNoticeRow);

    // The pictures are the program's globals: released in storage order by the clean-up.
    static EditorPictures pictures;
    for (auto& tile : pictures.tilePicture) tile = std::make_unique<picture::Picture>();
    pictures.scrollPicture = std::make_unique<picture::Picture>();
    for (auto& tile : pictures.tilePicture) rt::rtRegisterGlobal([&tile] { tile.reset(); });
    rt::rtRegisterGlobal([] { pictures.scrollPicture.reset(); });

    // Scanning is off before anything is loaded: the editor never asks for pixel colours.
    pictures.scrollPicture->setScanDelay(-1);
    picture::promptBindPicture(*pictures.scrollPicture);
    for (int i = 0; i <= 9; ++i) {
        picture::Picture& tile = *pictures.tilePicture[static_cast<size_t>(i)];
        tile.setScanDelay(-1);
        picture::promptBindPicture(tile);
        tile.loadPicture("bmp\\" + std::to_string(i) + ".bmp"); // a missing tile just stays empty
    }

    static Editor editor;
    // A save cut short by a crash or a power loss leaves a temporary beside the map: not ours to
    // keep, unless a save still holds it.
    mapfile::removeStaleSaveFiles();
    mapfile::readMapFile(editor.map);
    openBlankWhenEmpty(editor.map);

    // From here on a close request, a logout or a closed terminal no longer ends the editor at
    // once: it writes its journal out first, or asks.
    platform::signals::catchEndSignals();
    prompt::promptTakeCloseRequests();
    prompt::promptTakePointerEvents();
    static JournalFile journal;
    journal.open(mapfile::realMapPath(), mapfile::userStateFolder());
    editor.startNotices = journal.notices();
    editor.recovery = journal::recoveryFrom(journal.found(), editor.map);
    // A journal whose edits change nothing holds nothing to recover.
    if (!editor.recovery && !journal.found().edits.empty()) journal.clear();
    MapWatch watch;

    WindowIo io(pictures, journal, watch);
    drawStartScreen(editor, io);
    const Outcome outcome = runEditor(editor, io);
    journal.finish(keepsJournal(editor, outcome));
    if (outcome == Outcome::Signalled) platform::signals::endBySignal(platform::signals::pendingEndSignal());
    rt::rtProgramEnd();
}

} // namespace mapedit
