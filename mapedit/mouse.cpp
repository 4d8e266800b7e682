// The pointer. A left click on a map cell puts the cursor there, on a palette tile makes it the
// brush; a left drag paints the brush's tile onto every cell it crosses (one step from press to
// release), with Shift it marks a rectangle from the cursor; a right click takes a cell's tile as
// the brush; the wheel scrolls the view a row a notch.
#include "mapedit/editor_parts.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace mapedit {

using namespace parts;

namespace {

constexpr int32_t kViewWidth = kCellPixels * kMapColumns;           // 512
constexpr int32_t kViewHeight = kCellPixels * (kLastScreenRow + 1); // 416
constexpr int32_t kPaletteTiles = 10;

} // namespace

Target targetAt(int32_t x, int32_t y) {
    Target t;
    if (x >= 0 && y >= 0 && x < kViewWidth && y < kViewHeight) {
        t.kind = Target::Kind::MapCell;
        t.column = static_cast<int16_t>(x / kCellPixels);
        t.viewRow = static_cast<int16_t>(y / kCellPixels);
    } else if (x >= kPaletteX && x < kPaletteX + kCellPixels && y >= 0 && y < kCellPixels * kPaletteTiles) {
        t.kind = Target::Kind::Palette;
        t.tile = static_cast<int16_t>(y / kCellPixels);
    }
    return t;
}

namespace parts {

namespace {

struct CellAt {
    int16_t column, row;
    bool operator==(const CellAt&) const = default;
};

// The cells a straight line between two points of the view passes, in order from the first
// point's cell on, each beside the one before (a corner crossed counts the cell beside it), so
// that a fast drag leaves no gap.
std::vector<CellAt> cellsAlong(const Editor& editor, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    const int32_t top = viewTop(editor);
    const auto cellOf = [top](int32_t x, int32_t y) {
        return CellAt{static_cast<int16_t>(x / kCellPixels), static_cast<int16_t>(top + y / kCellPixels)};
    };
    std::vector<CellAt> cells{cellOf(x0, y0)};
    const int32_t dx = x1 - x0, dy = y1 - y0, steps = std::max(std::abs(dx), std::abs(dy));
    for (int32_t i = 1; i <= steps; ++i) {
        const auto x = static_cast<int32_t>(x0 + std::lround(static_cast<double>(dx) * i / steps));
        const auto y = static_cast<int32_t>(y0 + std::lround(static_cast<double>(dy) * i / steps));
        const CellAt next = cellOf(x, y), last = cells.back();
        if (next == last) continue;
        if (next.column != last.column && next.row != last.row) cells.push_back({next.column, last.row});
        cells.push_back(next);
    }
    return cells;
}

// A point of a drag kept on the view's cells of the map's rows.
void clampToMap(const Editor& editor, int32_t& x, int32_t& y) {
    const int32_t lastViewRow = std::clamp(editor.lastRow() - viewTop(editor), 0, int32_t{kLastScreenRow});
    x = std::clamp(x, 0, kViewWidth - 1);
    y = std::clamp(y, 0, kCellPixels * (lastViewRow + 1) - 1);
}

// The cursor to a cell in view, its frame and the status line with it.
void cursorTo(Editor& editor, EditorIo& io, int16_t column, int16_t row, int32_t code) {
    redrawCursorCell(editor, io); // wipes the frame
    moveCursorTo(editor, io, column, row);
    finishKey(editor, io, code);
}

void paint(Editor& editor, EditorIo& io, const CellAt& c) {
    const int16_t value = editor.cell(c.column, c.row);
    editCell(editor, io, c.column, c.row,
             static_cast<int16_t>((value & ~mapfile::kTileCodeMask) + editor.brush));
    drawMapCell(editor, io, editor.cell(c.column, c.row), kCellPixels * c.column,
                kCellPixels * (c.row - viewTop(editor)));
}

void press(Editor& editor, EditorIo& io, const Pointer& p, bool shift) {
    const Target t = targetAt(p.x, p.y);
    if (t.kind == Target::Kind::Palette) {
        if (p.button == Pointer::Button::Left) setBrush(editor, io, t.tile);
        return;
    }
    if (t.kind != Target::Kind::MapCell) return;
    const int32_t row = viewTop(editor) + t.viewRow;
    if (row > editor.lastRow()) return; // shown, but not the map's
    if (p.button == Pointer::Button::Right) {
        const int tile = mapfile::tileCode(editor.cell(t.column, row));
        if (tile <= 9) setBrush(editor, io, static_cast<int16_t>(tile));
        return;
    }
    if (p.button != Pointer::Button::Left) return;
    Editor::Stroke& s = editor.stroke;
    s = {true, shift, false, p.x, p.y};
    if (shift) {
        if (!editor.mark) editor.mark = Editor::Corner{editor.cursorColumn, editor.cursorRow};
        moveCursorTo(editor, io, t.column, static_cast<int16_t>(row));
        drawMarks(editor, io);
        finishKey(editor, io, kLeftButtonCode);
        return;
    }
    if (editor.mark) unmark(editor, io);
    beginStep(editor); // until the release: one step
    cursorTo(editor, io, t.column, static_cast<int16_t>(row), kLeftButtonCode);
}

void dragTo(Editor& editor, EditorIo& io, int32_t x, int32_t y) {
    Editor::Stroke& s = editor.stroke;
    clampToMap(editor, x, y);
    const std::vector<CellAt> cells = cellsAlong(editor, s.x, s.y, x, y);
    s.x = x;
    s.y = y;
    if (cells.size() < 2) return; // still on the same cell
    const CellAt end = cells.back();
    if (s.marking) {
        moveCursorTo(editor, io, end.column, end.row);
        drawMarks(editor, io);
        finishKey(editor, io, kLeftButtonCode);
        return;
    }
    if (editor.brush >= 0) {
        // The cell pressed is painted once the drag leaves it.
        for (size_t i = s.painted ? 1 : 0; i < cells.size(); ++i) paint(editor, io, cells[i]);
        s.painted = true;
    }
    cursorTo(editor, io, end.column, end.row, kLeftButtonCode);
}

void release(Editor& editor, EditorIo& io, const Pointer& p) {
    if (editor.mode == Mode::Editing) dragTo(editor, io, p.x, p.y);
    endStep(editor);
    editor.stroke.active = false;
}

// The view a row a notch towards the map's start (wheel away from the user) or its end; the
// cursor keeps its row while the view shows it.
void scroll(Editor& editor, EditorIo& io, int32_t notches) {
    const int32_t top = viewTop(editor);
    const int32_t lastTop = std::max(0, editor.lastRow() - kLastScreenRow);
    const int32_t newTop = std::clamp(top - notches, 0, lastTop);
    if (newTop == top) return;
    redrawCursorCell(editor, io);
    const int32_t row = std::clamp<int32_t>(editor.cursorRow, newTop, newTop + kLastScreenRow);
    editor.cursorRow = static_cast<int16_t>(std::min<int32_t>(row, std::max<int16_t>(editor.lastRow(), 0)));
    editor.screenRow = static_cast<int16_t>(editor.cursorRow - newTop);
    // A drag goes on where the pointer is: over the rows now in view.
    drawMarks(editor, io);
    finishKey(editor, io, 0);
}

} // namespace

void onPointer(Editor& editor, EditorIo& io, const Pointer& p, uint8_t modifiers) {
    using Action = Pointer::Action;
    const bool left = p.button == Pointer::Button::Left;
    if (editor.mode != Mode::Editing) {
        // Questions and prompts take keys only; a drag they interrupted ends with its release.
        if (p.action == Action::Release && left && editor.stroke.active) release(editor, io, p);
        return;
    }
    if (p.action == Action::Press && left && editor.stroke.active) release(editor, io, p); // a lost release
    wipeMessages(editor, io);
    switch (p.action) {
    case Action::Press:
        press(editor, io, p, (modifiers & keys::kModifierShift) != 0);
        break;
    case Action::Move:
        if (editor.stroke.active) dragTo(editor, io, p.x, p.y);
        break;
    case Action::Release:
        if (left && editor.stroke.active) release(editor, io, p);
        break;
    case Action::Wheel:
        scroll(editor, io, p.wheel);
        break;
    }
}

} // namespace parts

} // namespace mapedit
