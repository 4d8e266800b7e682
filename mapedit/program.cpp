#include "mapedit/program.hpp"

#include "assets/icons.hpp"
#include "mapfile/mapfile.hpp"
#include "platform/system.hpp"
#include "runtime/core/process.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/picture/line.hpp"
#include "runtime/picture/picture.hpp"
#include "runtime/prompt/prompt.hpp"

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <utility>

namespace mapedit {

namespace {

static_assert(kMapColumns == mapfile::kEditorColumns && kMapRows == mapfile::kEditorRows,
              "the editor keeps the map file's editor layout");

std::atomic<int64_t> keyRequests{0};

// The editor's 11 Pictures: the ten tiles and the scrollPicture that moves the view by a row.
struct EditorPictures {
    std::array<std::unique_ptr<picture::Picture>, 10> tilePicture;
    std::unique_ptr<picture::Picture> scrollPicture;
};

// The editor on the prompt window.
class WindowIo : public EditorIo {
  public:
    explicit WindowIo(EditorPictures& pictures) : pictures_(pictures) {}

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
    rt::RtString inputKey() override {
        keyRequests.fetch_add(1);
        return prompt::rtInputKeys(1);
    }
    uint8_t keyModifiers() override { return prompt::lastKeyModifiers(); }
    void pause(int32_t ms) override { platform::sleepMs(ms); }
    SaveResult saveMap(const Editor& editor, const std::function<void(int16_t)>& beforeRow) override {
        mapfile::EditorMap map;
        map.cells = editor.editorMap;
        map.lastRow = editor.lastRow;
        map.stop = editor.readStop;
        map.origin = editor.origin;
        const mapfile::WriteResult result = mapfile::writeMapFile(map, beforeRow);
        return {result.ok, result.reason, result.keptChanged};
    }

  private:
    EditorPictures& pictures_;
};

} // namespace

int64_t keyRequestCount() {
    return keyRequests.load();
}

void runMapedit(int32_t scale) {
    rt::rtRuntimeInit();
    prompt::promptStart({"mapedit", scale});
    rt::RtString title = rt::rtStrLiteral("スクロール背景作成ツール");
    prompt::promptConfigure(rt::rtStrView(title), assets::windowIcons(assets::mapeditIcon()), 800, 480);
    rt::rtStrFree(title);

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
    mapfile::EditorMap map;
    const mapfile::ReadStatus status = mapfile::readMapFile(map);
    // A missing or empty file gives a blank map to start from: the editor cannot add rows.
    if (status == mapfile::ReadStatus::Missing ||
        (status == mapfile::ReadStatus::Complete && map.lastRow < 0))
        map.lastRow = mapfile::kBlankMapRows - 1;
    editor.editorMap = std::move(map.cells);
    editor.lastRow = map.lastRow;
    editor.readStop = map.stop;
    editor.origin = map.origin;

    WindowIo io(pictures);
    drawStartScreen(editor, io);
    runEditor(editor, io);
    rt::rtProgramEnd();
}

} // namespace mapedit
