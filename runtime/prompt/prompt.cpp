#include "runtime/prompt/prompt.hpp"

#include "platform/keys.hpp"
#include "platform/system.hpp"
#include "platform/window.hpp"
#include "runtime/prompt/overlay.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>

namespace prompt {

std::atomic<int32_t> promptReady{0};
std::atomic<uint8_t> keyLatch{0};

namespace {

// The modifiers of each key's last key-down, written by the window thread before the key enters
// the latch; the program reads the entry of the key it took.
std::array<std::atomic<uint8_t>, 256> modifiersAtKeyDown{};
// The modifiers of the last key taken (the program's thread only).
uint8_t lastTakenModifiers = 0;
// Whether the program takes close requests itself, and how many it has not taken yet.
std::atomic<bool> closeRequestsTaken{false};
std::atomic<uint32_t> pendingCloseRequests{0};

// Keys and pointer events are numbered in the order the window thread heard them, so that the
// program takes them in that order: the key in the latch carries its number beside it.
std::atomic<uint64_t> heardEvents{0};
std::atomic<uint64_t> latchOrder{0};
// The pointer events not taken yet, oldest first, for a program that takes them.
std::atomic<bool> pointerEventsTaken{false};
struct QueuedPointer {
    uint64_t order;
    PromptEvent event;
};
std::mutex pointerMutex;
std::deque<QueuedPointer> pointerQueue; // guarded by pointerMutex
// A program this many events behind gets the moves that wait one after the other as one.
constexpr size_t kMergeMovesFrom = 32;

uint8_t heldModifiers() {
    namespace keys = platform::keys;
    return static_cast<uint8_t>((keys::isKeyDown(keys::kControl) ? keys::kModifierCtrl : 0) |
                                (keys::isKeyDown(keys::kShift) ? keys::kModifierShift : 0));
}

using platform::font::Background;
using platform::font::consoleFont;

// Copies the back buffer's block (x, y, w, h) to the same place of the target, clipped to both.
void copyFromBack(platform::pixels::Bitmap& target, const platform::pixels::Bitmap& back, int32_t x,
                  int32_t y, int32_t w, int32_t h) {
    const int32_t x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int32_t x1 = std::min({x + w, target.width, back.width});
    const int32_t y1 = std::min({y + h, target.height, back.height});
    for (int32_t py = y0; py < y1; ++py)
        std::copy(back.row(py) + x0, back.row(py) + std::max(x0, x1), target.row(py) + x0);
}

void onCreated(int32_t screenWidth, int32_t screenHeight, int32_t clientWidth, int32_t clientHeight) {
    consoleFont(); // measured once, before the first paint
    createCanvas(screenWidth, screenHeight, clientWidth, clientHeight);
}

void onPaint(int32_t clientWidth, int32_t clientHeight) {
    bool resized = false;
    {
        CanvasLock lock;
        const platform::pixels::Bitmap* w = lock.window();
        resized = w && (w->width != clientWidth || w->height != clientHeight);
    }
    if (resized) resizeClient(clientWidth, clientHeight);
    promptPaint();
}

void onKeyDown(int vk) {
    // The key-state table already holds every earlier key event: what it says now is what was
    // held when this key went down.
    modifiersAtKeyDown[static_cast<size_t>(vk & 0xFF)].store(heldModifiers());
    latchOrder.store(heardEvents.fetch_add(1) + 1);
    keyLatch.store(static_cast<uint8_t>(vk & 0xFF));
}

void onPointer(const platform::window::PointerEvent& p) {
    using PointerKind = platform::window::PointerEvent::Kind;
    if (!pointerEventsTaken.load()) return;
    PromptEvent e;
    switch (p.kind) {
    case PointerKind::Press:
        e.kind = PromptEvent::Kind::PointerDown;
        break;
    case PointerKind::Move:
        e.kind = PromptEvent::Kind::PointerMove;
        break;
    case PointerKind::Release:
        e.kind = PromptEvent::Kind::PointerUp;
        break;
    case PointerKind::Wheel:
        e.kind = PromptEvent::Kind::Wheel;
        break;
    }
    e.modifiers = heldModifiers();
    e.button = p.button;
    e.x = p.x;
    e.y = p.y;
    e.wheel = p.wheel;
    std::lock_guard lock(pointerMutex);
    if (e.kind == PromptEvent::Kind::PointerMove && pointerQueue.size() >= kMergeMovesFrom &&
        pointerQueue.back().event.kind == PromptEvent::Kind::PointerMove) {
        pointerQueue.back().event = e; // it keeps its place
        return;
    }
    pointerQueue.push_back({heardEvents.fetch_add(1) + 1, e});
}

// The oldest pointer event when it came before the key in the latch (or the latch is empty).
bool takePointerBefore(uint64_t keyOrder, bool keyWaits, PromptEvent& out) {
    std::lock_guard lock(pointerMutex);
    if (pointerQueue.empty() || (keyWaits && pointerQueue.front().order > keyOrder)) return false;
    out = pointerQueue.front().event;
    pointerQueue.pop_front();
    return true;
}

void onPictureSaved(const platform::screenshot::Saved& saved) {
    promptShowNotice(pictureNotice(saved));
}

// The program's picture alone, for F12.
void ownPicture(uint32_t* destination, int32_t width, int32_t height, int32_t pitch) {
    copyWindowTo(destination, pitch, {0, 0, width, height}, platform::pixels::Order::Xbgr);
}

// What the window presents anew: what the program drew, and where an overlay came or went.
platform::window::Area takeChanges(bool all) {
    const platform::window::Area drawn = takeWindowChanges(all), laid = takeOverlayChanges();
    if (laid.empty()) return drawn;
    if (drawn.empty()) return laid;
    return {std::min(drawn.x0, laid.x0), std::min(drawn.y0, laid.y0), std::max(drawn.x1, laid.x1),
            std::max(drawn.y1, laid.y1)};
}

void copyWithOverlays(uint32_t* destination, int32_t pitch, platform::window::Area area,
                      platform::pixels::Order order) {
    copyWindowTo(destination, pitch, area, order);
    drawOverlays(destination, pitch, area, order);
}

void onCloseRequested() {
    if (!closeRequestsTaken.load()) platform::exitProcess(0);
    pendingCloseRequests.fetch_add(1);
}

} // namespace

void promptStart(const platform::window::Setup& setup) {
    namespace win = platform::window;
    promptReady.store(0);
    setPresentRequest([] { win::requestPresent(); });
    if (win::state() == win::State::Open) {
        win::requestPaint();
    } else {
        // The window shows the program's picture with what is laid over it for the moment (a
        // pause sign, a notice); F12 takes the program's picture alone.
        win::start({onCreated, onPaint, onKeyDown, onCloseRequested, onPointer, ownPicture, onPictureSaved},
                   {takeChanges, copyWithOverlays}, setup);
    }
    for (;;) {
        platform::sleepMs(20);
        if (promptReady.load() != 0) return;
        // Without a window the first paint never comes: say why instead of waiting for ever.
        if (win::state() == win::State::Failed) {
            std::fprintf(stderr, "The program's window cannot be opened: %s.\n",
                         win::failureReason().c_str());
            platform::exitProcess(1);
        }
    }
}

void promptConfigure(std::string_view titleCp932, const std::vector<platform::pixels::Bitmap>& icons,
                     int32_t clientWidth, int32_t clientHeight) {
    namespace win = platform::window;
    win::setTitle(titleCp932);
    win::setIcons(icons);
    win::setResizable(false);
    win::setClientSize(clientWidth, clientHeight);
    // Moved last, so that no size change can move it away again.
    win::setPosition(0, 0);
}

void promptSetTitle(std::string_view titleCp932) {
    platform::window::setTitle(titleCp932);
}

platform::font::CellSize cellSize() {
    return consoleFont().cellSize();
}

void promptRender(CanvasLock& lock, int32_t first, int32_t last) {
    platform::pixels::Bitmap* target = lock.window();
    const platform::pixels::Bitmap* back = lock.backBuffer();
    if (!target || !back) return;
    TextGrid& grid = lock.textGrid();
    const platform::font::Font& font = consoleFont();
    const platform::font::CellSize cell = font.cellSize();
    const int32_t bottom = target->height;

    // The text scrolls up, the graphics stay, while the cursor row reaches below the client area.
    while ((grid.cursor().row + 1) * cell.height > bottom && grid.cursor().row > 0) {
        grid.scrollUp();
        grid.setCursorRow(grid.cursor().row - 1);
        first = -1;
    }

    for (int32_t i = 0; i * cell.height < bottom && i <= kLastRow; ++i) {
        if (first != -1 && (i < first || i > last)) continue;
        const TextRow& row = grid.row(i);
        const std::string_view text = row.bytes();
        const int32_t y = i * cell.height;
        // Restore the graphics right of the text: it wipes what a longer earlier text left there.
        const int32_t w = font.extent(text);
        copyFromBack(*target, *back, w, y, target->width, cell.height);
        for (size_t j = 0; j < text.size();) {
            const size_t n = platform::font::Font::charLength(text.substr(j));
            const platform::pixels::Colour bg = row.background[j];
            font.drawChar(*target, static_cast<int32_t>(j) * cell.width, y, text.substr(j, n),
                          row.foreground[j],
                          bg == kTransparent ? Background::Transparent : Background::Opaque, bg);
            j += n;
        }
    }
}

void promptPaint() {
    {
        CanvasLock lock;
        platform::pixels::Bitmap* target = lock.window();
        const platform::pixels::Bitmap* back = lock.backBuffer();
        if (target && back) {
            copyFromBack(*target, *back, 0, 0, back->width, back->height);
            promptRender(lock, -1, -1);
        }
    }
    promptReady.store(1);
}

void rtPrint(rt::RtString text) {
    const std::string_view bytes = text ? std::string_view(text, std::strlen(text)) : std::string_view();
    {
        CanvasLock lock;
        TextGrid& grid = lock.textGrid();
        const int32_t first = grid.cursor().row;
        const bool scrolled = grid.print(bytes);
        promptRender(lock, scrolled ? -1 : first, grid.cursor().row);
    }
    rt::rtStrFree(text);
}

void rtLocate(int32_t column, int32_t row) {
    CanvasLock lock;
    lock.textGrid().locate(column, row);
}

void rtCls(int32_t mode) {
    if (mode == 0) mode = 1;
    {
        CanvasLock lock;
        if (mode == 1 || mode == 3) lock.textGrid().clearText();
        if (mode == 2 || mode == 3) {
            if (platform::pixels::Bitmap* back = lock.backBuffer())
                std::fill(back->pixels.begin(), back->pixels.end(), 0);
        }
    }
    platform::window::requestPaint();
}

rt::RtString rtInputKeys(int32_t n) {
    rt::RtString result = rt::rtStrFromCString("");
    if (n <= 0) return result;
    int32_t taken = 0;
    for (;;) {
        // Take the key and empty the latch in one step, so a key arriving in between is not lost.
        const uint8_t key = keyLatch.exchange(0);
        if (key != 0) {
            lastTakenModifiers = modifiersAtKeyDown[key].load();
            result = rt::rtStrConcat(result, rt::rtStrChr(key));
            if (++taken >= n) return result;
        }
        platform::sleepMs(1);
    }
}

void promptTakeCloseRequests() {
    closeRequestsTaken.store(true);
}

PromptEvent promptWaitEvent(int32_t waitMs) {
    const int64_t deadline = platform::monotonicNs() + int64_t{std::max(waitMs, 0)} * 1'000'000;
    for (;;) {
        // The latch's number is stored before its key: a key seen here is never older than the
        // number read after it.
        const uint8_t waiting = keyLatch.load();
        const uint64_t keyOrder = latchOrder.load();
        if (PromptEvent e; takePointerBefore(keyOrder, waiting != 0, e)) return e;
        if (const uint8_t key = keyLatch.exchange(0); key != 0) {
            lastTakenModifiers = modifiersAtKeyDown[key].load();
            return {PromptEvent::Kind::Key, key, lastTakenModifiers};
        }
        uint32_t pending = pendingCloseRequests.load();
        while (pending > 0 && !pendingCloseRequests.compare_exchange_weak(pending, pending - 1)) {
        }
        if (pending > 0) return {PromptEvent::Kind::Close, 0, 0};
        if (platform::monotonicNs() >= deadline) return {};
        platform::sleepMs(1);
    }
}

void promptTakePointerEvents() {
    pointerEventsTaken.store(true);
}

bool promptSetClipboard(const std::string& text) {
    return platform::window::setClipboardText(text);
}

std::optional<std::string> promptClipboard() {
    return platform::window::clipboardText();
}

void promptSetTextColours(platform::pixels::Colour foreground, platform::pixels::Colour background) {
    CanvasLock lock;
    lock.textGrid().foreColour = foreground;
    lock.textGrid().backColour = background;
}

uint8_t lastKeyModifiers() {
    return lastTakenModifiers;
}

} // namespace prompt
