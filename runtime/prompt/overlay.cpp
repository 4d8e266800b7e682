#include "runtime/prompt/overlay.hpp"

#include "platform/cp932.hpp"
#include "platform/font.hpp"
#include "platform/window.hpp"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace prompt {

namespace {

using Clock = std::chrono::steady_clock;
using platform::pixels::Bitmap;
using platform::pixels::Colour;

// Pixels of an overlay's picture that let the window's picture show through.
constexpr Colour kClear = 0xFFFFFFFFu;
// The slot of the window's own notices, apart from the programs' slots (which are not negative).
constexpr int32_t kNoticeSlot = -1;

struct Shown {
    int32_t x = 0, y = 0;
    Bitmap picture;
    std::optional<Clock::time_point> until;
};

struct NoticeArea {
    int32_t x = 0, y = 0, columns = 80, rows = 4;
};

struct Overlays {
    std::mutex mutex; // guards everything below
    std::condition_variable changed;
    std::map<int32_t, Shown> shown;
    NoticeArea noticeArea;
    bool expiryStarted = false;
};

// Never destroyed: the window thread presents, and the expiry thread waits, while the process exits.
Overlays& overlays() {
    static Overlays* o = new Overlays;
    return *o;
}

Bitmap render(const std::vector<std::string>& lines) {
    const platform::font::Font& font = platform::font::consoleFont();
    const int32_t height = font.cellSize().height;
    int32_t width = 0;
    for (const std::string& line : lines) width = std::max(width, font.extent(line));
    Bitmap picture(width, height * static_cast<int32_t>(lines.size()), kClear);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int32_t y = height * static_cast<int32_t>(i);
        platform::pixels::fillRect(picture, 0, y, font.extent(lines[i]), height, 0);
        int32_t x = 0;
        for (size_t j = 0; j < lines[i].size();) {
            const std::string_view ch = std::string_view(lines[i]).substr(j);
            x += font.drawChar(picture, x, y, ch, 0xFFFFFF, platform::font::Background::Transparent, 0);
            j += platform::font::Font::charLength(ch);
        }
    }
    return picture;
}

void dropExpired(Overlays& o, Clock::time_point now) {
    for (auto it = o.shown.begin(); it != o.shown.end();)
        it = it->second.until && *it->second.until <= now ? o.shown.erase(it) : std::next(it);
}

// Takes each overlay off the window when its time is up, also while nothing else is presented
// (a paused game, an editor waiting for a key).
void expiryLoop() {
    Overlays& o = overlays();
    std::unique_lock lock(o.mutex);
    for (;;) {
        std::optional<Clock::time_point> next;
        for (const auto& [slot, s] : o.shown)
            if (s.until && (!next || *s.until < *next)) next = s.until;
        if (!next) {
            o.changed.wait(lock);
            continue;
        }
        if (Clock::now() < *next) {
            o.changed.wait_until(lock, *next);
            continue;
        }
        dropExpired(o, Clock::now());
        lock.unlock();
        platform::window::requestPresent();
        lock.lock();
    }
}

void show(int32_t slot, int32_t x, int32_t y, const std::vector<std::string>& lines, int32_t ms) {
    Shown s{x, y, render(lines), std::nullopt};
    if (ms > 0) s.until = Clock::now() + std::chrono::milliseconds(ms);
    {
        Overlays& o = overlays();
        std::lock_guard lock(o.mutex);
        if (s.until && !o.expiryStarted) {
            o.expiryStarted = true;
            std::thread(expiryLoop).detach(); // waits for the whole life of the process
        }
        o.shown[slot] = std::move(s);
        o.changed.notify_all();
    }
    platform::window::requestPresent();
}

} // namespace

void promptShowOverlay(int32_t slot, int32_t x, int32_t y, const std::vector<std::string>& cp932Lines,
                       int32_t ms) {
    if (slot < 0) return;
    show(slot, x, y, cp932Lines, ms);
}

void promptHideOverlay(int32_t slot) {
    {
        Overlays& o = overlays();
        std::lock_guard lock(o.mutex);
        if (o.shown.erase(slot) == 0) return;
        o.changed.notify_all();
    }
    platform::window::requestPresent();
}

void promptSetNoticeArea(int32_t x, int32_t y, int32_t columns, int32_t rows) {
    Overlays& o = overlays();
    std::lock_guard lock(o.mutex);
    o.noticeArea = {x, y, std::max(columns, 1), std::max(rows, 1)};
}

void promptShowNotice(const std::vector<std::string>& cp932Lines) {
    NoticeArea area;
    {
        Overlays& o = overlays();
        std::lock_guard lock(o.mutex);
        area = o.noticeArea;
    }
    std::vector<std::string> lines;
    for (const std::string& line : cp932Lines)
        for (std::string& part : wrapText(line, area.columns))
            if (static_cast<int32_t>(lines.size()) < area.rows) lines.push_back(std::move(part));
    show(kNoticeSlot, area.x, area.y, lines, kNoticeMs);
}

std::vector<std::string> pictureNotice(const platform::screenshot::Saved& saved) {
    using platform::cp932::fromUtf8;
    if (saved.ok) {
        // The home folder as "～" (the font draws the ASCII tilde as an overline): the window has
        // room for little.
        std::string path = saved.path;
        const char* home = std::getenv("HOME");
        const size_t length = home ? std::strlen(home) : 0;
        if (length > 1 && path.compare(0, length, home) == 0 && path.size() > length && path[length] == '/')
            path.replace(0, length, "～");
        return {fromUtf8("画面を保存:"), fromUtf8(path)};
    }
    return {fromUtf8("画面を保存できません:"), fromUtf8(saved.error)};
}

void drawOverlays(uint32_t* destination, int32_t width, int32_t height, int32_t pitch) {
    Overlays& o = overlays();
    std::lock_guard lock(o.mutex);
    dropExpired(o, Clock::now());
    for (const auto& [slot, s] : o.shown) {
        const int32_t x0 = std::max(s.x, 0), x1 = std::min(s.x + s.picture.width, width);
        const int32_t y0 = std::max(s.y, 0), y1 = std::min(s.y + s.picture.height, height);
        for (int32_t y = y0; y < y1; ++y) {
            const Colour* in = s.picture.row(y - s.y);
            uint32_t* out = destination + static_cast<size_t>(y) * static_cast<size_t>(pitch);
            for (int32_t x = x0; x < x1; ++x)
                if (in[x - s.x] != kClear) out[x] = in[x - s.x];
        }
    }
}

std::vector<std::string> wrapText(std::string_view cp932, int32_t columns) {
    std::vector<std::string> lines;
    const size_t width = static_cast<size_t>(std::max(columns, 2)); // room for one double-byte character
    while (lines.empty() || !cp932.empty()) {
        // Where the line is full, and the last places after a space or slash, and after a dash or
        // underscore, that would make a shorter line.
        size_t cut = 0, afterSpace = 0, afterDash = 0;
        while (cut < cp932.size()) {
            const size_t step = platform::font::Font::charLength(cp932.substr(cut));
            if (cut + step > width) break;
            if (step == 1 && (cp932[cut] == ' ' || cp932[cut] == '/')) afterSpace = cut + 1;
            if (step == 1 && (cp932[cut] == '-' || cp932[cut] == '_')) afterDash = cut + 1;
            cut += step;
        }
        if (cut < cp932.size()) cut = afterSpace ? afterSpace : afterDash ? afterDash : cut;
        lines.emplace_back(cp932.substr(0, cut));
        cp932.remove_prefix(cut);
    }
    return lines;
}

} // namespace prompt
