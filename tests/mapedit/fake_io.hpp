#pragma once
// A stand-in for the window, keyboard and map file of the editor: draws into a bitmap of its own
// (a tile is a flat square of its own colour), keeps the printed text in a grid, hands out keys
// from a script and records every save.
#include "mapedit/editor.hpp"
#include "platform/pixels.hpp"

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace mapedit_test {

inline platform::pixels::Colour tileColour(int tile) {
    return platform::pixels::rgb(10 + 20 * tile, 200 - 15 * tile, 7 * tile);
}

inline platform::pixels::Colour colourNumber(int32_t n) {
    static const platform::pixels::Colour table[8] = {0x000000, 0xFF0000, 0x0000FF, 0xFF00FF,
                                                      0x00FF00, 0xFFFF00, 0x00FFFF, 0xFFFFFF};
    return n >= 0 && n < 8 ? table[n] : 0;
}

// A key typed with modifiers: the key code plus these.
inline constexpr int kWithCtrl = 0x100, kWithShift = 0x200;
// Events in a script of keys that are no keys; kPointer takes the next of FakeIo::pointers.
inline constexpr int kCloseRequest = 0x1000, kTick = 0x2000, kPointer = 0x4000;

struct KeysExhausted : std::runtime_error {
    KeysExhausted() : std::runtime_error("the editor asked for more keys than the script holds") {}
};

class FakeIo : public mapedit::EditorIo {
  public:
    platform::pixels::Bitmap screen{800, 480, 0x123456};
    std::vector<std::string> text = std::vector<std::string>(30);
    std::deque<int> keys;
    std::vector<bool> tileLoaded = std::vector<bool>(10, true);
    // Results the next saves give; when empty a save succeeds.
    std::deque<mapedit::SaveResult> saveResults;
    // Results of the next copies; when empty a copy succeeds as "AREA1.csv.recovered-1".
    std::deque<mapedit::SaveResult> copyResults;
    std::vector<std::vector<int16_t>> copiedRows;
    // The journal: every change recorded since it was last emptied, and how often it was emptied.
    std::vector<mapedit::Change> journal;
    // The pointer events of the script (with their modifiers), taken at each kPointer.
    std::deque<std::pair<mapedit::Pointer, uint8_t>> pointers;
    // The desktop's clipboard; clipboardTakes false: it refuses text.
    std::optional<std::string> clipboardHolds;
    bool clipboardTakes = true;
    // The colour of the text printed last on each row (drawLine's numbers).
    std::vector<int32_t> rowColour = std::vector<int32_t>(30, 7);
    int journalClears = 0;
    // What the next look at the map file finds changed.
    std::optional<mapfile::EditorMap> changedMap;
    std::vector<std::vector<int16_t>> savedRows; // per save: the cells of rows 0..lastRow, row after row
    std::vector<int16_t> savedRowNumbers;
    // The rows the game was started from, and why the next starts fail (empty: they succeed).
    std::vector<int16_t> gameStarts;
    std::deque<std::string> gameStartErrors;
    int keysRead = 0;

    void putTile(int tile, int32_t x, int32_t y) override {
        if (tile < 0 || tile > 9 || !tileLoaded[static_cast<size_t>(tile)]) return;
        fill(x, y, x + 15, y + 15, tileColour(tile));
    }
    void drawLine(int32_t x1, int32_t y1, int32_t relative, int32_t x2, int32_t y2, int32_t colour,
                  int32_t mode, int32_t fillColour) override {
        if (relative || mode == 0) throw std::logic_error("the editor draws absolute boxes only");
        if (mode == 2) fill(x1, y1, x2, y2, colourNumber(fillColour));
        const platform::pixels::Colour c = colourNumber(colour);
        for (int32_t x = x1; x <= x2; ++x) set(x, y1, c), set(x, y2, c);
        for (int32_t y = y1; y <= y2; ++y) set(x1, y, c), set(x2, y, c);
    }
    void captureView(int32_t x, int32_t y, int32_t w, int32_t h) override {
        captured = platform::pixels::Bitmap(w, h);
        for (int32_t j = 0; j < h; ++j)
            for (int32_t i = 0; i < w; ++i) captured.at(i, j) = screen.at(x + i, y + j);
    }
    void putView(int32_t x, int32_t y) override {
        for (int32_t j = 0; j < captured.height; ++j)
            for (int32_t i = 0; i < captured.width; ++i) set(x + i, y + j, captured.at(i, j));
    }
    void locate(int32_t column, int32_t row) override {
        col = column;
        line = row;
        if (static_cast<int32_t>(text[static_cast<size_t>(line)].size()) < column)
            text[static_cast<size_t>(line)].resize(static_cast<size_t>(column), ' ');
    }
    void print(rt::RtString s) override {
        std::string bytes(s, static_cast<size_t>(rt::rtStrLen(s)));
        rt::rtStrFree(s);
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
                ++i, ++line, col = 0;
                continue;
            }
            std::string& row = text[static_cast<size_t>(line)];
            rowColour[static_cast<size_t>(line)] = colourNow;
            if (row.size() <= static_cast<size_t>(col)) row.resize(static_cast<size_t>(col) + 1, ' ');
            row[static_cast<size_t>(col++)] = bytes[i];
        }
    }
    mapedit::Event nextEvent(int32_t) override {
        using Kind = mapedit::Event::Kind;
        if (keys.empty()) throw KeysExhausted();
        const int k = keys.front();
        keys.pop_front();
        if (k == kCloseRequest) return {Kind::Close};
        if (k == kTick) return {Kind::Tick};
        if (k == kPointer) {
            const auto [pointer, modifiers] = pointers.front();
            pointers.pop_front();
            mapedit::Event e{Kind::Pointer, 0, modifiers};
            e.pointer = pointer;
            return e;
        }
        ++keysRead;
        return {Kind::Key, k & 0xFF,
                static_cast<uint8_t>(((k & kWithCtrl) != 0 ? platform::keys::kModifierCtrl : 0) |
                                     ((k & kWithShift) != 0 ? platform::keys::kModifierShift : 0))};
    }
    void pause(int32_t) override {}
    std::time_t now() override { return 1'765'272'900; } // 2025-12-09 09:35 UTC
    mapedit::SaveResult saveMap(const mapfile::EditorMap& map,
                                const std::function<void(int16_t)>& beforeRow) override {
        std::vector<int16_t> rows;
        for (int16_t r = 0; r <= map.lastRow; ++r) {
            beforeRow(r);
            savedRowNumbers.push_back(r);
            for (int c = 0; c < mapedit::kMapColumns; ++c) rows.push_back(map.at(c, r));
        }
        savedRows.push_back(rows);
        if (saveResults.empty()) return {true, {}, {}};
        mapedit::SaveResult r = saveResults.front();
        saveResults.pop_front();
        return r;
    }
    void recordEdit(const mapfile::EditorMap&, const mapedit::Change& change) override {
        journal.push_back(change);
    }
    void flushJournal() override {}
    void clearJournal() override {
        journal.clear();
        ++journalClears;
    }
    std::string startGame(int16_t row) override {
        gameStarts.push_back(row);
        if (gameStartErrors.empty()) return {};
        std::string why = gameStartErrors.front();
        gameStartErrors.pop_front();
        return why;
    }
    mapedit::SaveResult keepCopy(const mapfile::EditorMap& map, const std::string& tag) override {
        std::vector<int16_t> rows;
        for (int16_t r = 0; r <= map.lastRow; ++r)
            for (int c = 0; c < mapedit::kMapColumns; ++c) rows.push_back(map.at(c, r));
        copiedRows.push_back(rows);
        if (copyResults.empty()) return {true, {}, "AREA1.csv." + tag + "-1"};
        mapedit::SaveResult r = copyResults.front();
        copyResults.pop_front();
        return r;
    }
    std::optional<mapfile::EditorMap> changedMapFile(const mapfile::EditorMap&) override {
        return std::exchange(changedMap, std::nullopt);
    }
    void textColour(int32_t colour) override { colourNow = colour; }
    bool setClipboard(const std::string& text) override {
        if (clipboardTakes) clipboardHolds = text;
        return clipboardTakes;
    }
    std::optional<std::string> clipboard() override { return clipboardHolds; }

    // The text of a row from column 65, the editor's text area.
    std::string area(int row) const {
        const std::string& r = text[static_cast<size_t>(row)];
        return r.size() > 65 ? r.substr(65) : std::string();
    }

  private:
    platform::pixels::Bitmap captured;
    int32_t col = 0, line = 0;
    int32_t colourNow = 7;

    void set(int32_t x, int32_t y, platform::pixels::Colour c) {
        if (screen.contains(x, y)) screen.at(x, y) = c;
    }
    void fill(int32_t x1, int32_t y1, int32_t x2, int32_t y2, platform::pixels::Colour c) {
        for (int32_t y = y1; y <= y2; ++y)
            for (int32_t x = x1; x <= x2; ++x) set(x, y, c);
    }
};

} // namespace mapedit_test
