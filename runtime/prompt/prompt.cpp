#include "runtime/prompt/prompt.hpp"

#include "platform/keys.hpp"
#include "platform/system.hpp"
#include "platform/window.hpp"
#include "runtime/prompt/overlay.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

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
    namespace keys = platform::keys;
    // The key-state table already holds every earlier key event: what it says now is what was
    // held when this key went down.
    const uint8_t modifiers =
        static_cast<uint8_t>((keys::isKeyDown(keys::kControl) ? keys::kModifierCtrl : 0) |
                             (keys::isKeyDown(keys::kShift) ? keys::kModifierShift : 0));
    modifiersAtKeyDown[static_cast<size_t>(vk & 0xFF)].store(modifiers);
    keyLatch.store(static_cast<uint8_t>(vk & 0xFF));
}

void onPictureSaved(const platform::screenshot::Saved& saved) {
    promptShowNotice(pictureNotice(saved));
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
        // The window shows the program's picture with what is laid over it for the moment; F12
        // takes the program's picture alone.
        win::start(
            {onCreated, onPaint, onKeyDown, onCloseRequested, copyWindowTo, onPictureSaved},
            [](uint32_t* destination, int32_t width, int32_t height, int32_t pitch) {
                copyWindowTo(destination, width, height, pitch);
                drawOverlays(destination, width, height, pitch);
            },
            setup);
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

uint8_t lastKeyModifiers() {
    return lastTakenModifiers;
}

} // namespace prompt
