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
    std::condition_variable wake;
    std::map<int32_t, Shown> shown;
    platform::window::Area changed; // where overlays came or went since the window last asked
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

// The place of an overlay joins what the window must present anew.
void touch(Overlays& o, const Shown& s) {
    const platform::window::Area a{s.x, s.y, s.x + s.picture.width, s.y + s.picture.height};
    if (a.empty()) return;
    platform::window::Area& c = o.changed;
    c = c.empty() ? a
                  : platform::window::Area{std::min(c.x0, a.x0), std::min(c.y0, a.y0), std::max(c.x1, a.x1),
                                           std::max(c.y1, a.y1)};
}

void dropExpired(Overlays& o, Clock::time_point now) {
    for (auto it = o.shown.begin(); it != o.shown.end();) {
        if (it->second.until && *it->second.until <= now) {
            touch(o, it->second);
            it = o.shown.erase(it);
        } else {
            ++it;
        }
    }
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
            o.wake.wait(lock);
            continue;
        }
        if (Clock::now() < *next) {
            o.wake.wait_until(lock, *next);
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
        const auto before = o.shown.find(slot);
        if (before != o.shown.end()) touch(o, before->second);
        touch(o, s);
        o.shown[slot] = std::move(s);
        o.wake.notify_all();
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
        const auto before = o.shown.find(slot);
        if (before == o.shown.end()) return;
        touch(o, before->second);
        o.shown.erase(before);
        o.wake.notify_all();
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

void drawOverlays(uint32_t* destination, int32_t pitch, platform::window::Area area,
                  platform::pixels::Order order) {
    Overlays& o = overlays();
    std::lock_guard lock(o.mutex);
    // An overlay whose time is up stays until the expiry thread takes it off and asks for the
    // present that wipes it: taken off here, it would leave its pixels outside this area.
    for (const auto& [slot, s] : o.shown) {
        const int32_t x0 = std::max(s.x, area.x0), x1 = std::min(s.x + s.picture.width, area.x1);
        const int32_t y0 = std::max(s.y, area.y0), y1 = std::min(s.y + s.picture.height, area.y1);
        for (int32_t y = y0; y < y1; ++y) {
            const Colour* in = s.picture.row(y - s.y);
            uint32_t* out = destination + static_cast<size_t>(y - area.y0) * static_cast<size_t>(pitch);
            for (int32_t x = x0; x < x1; ++x)
                if (in[x - s.x] != kClear)
                    platform::pixels::copyRow(out + (x - area.x0), &in[x - s.x], 1, order);
        }
    }
}

platform::window::Area takeOverlayChanges() {
    Overlays& o = overlays();
    std::lock_guard lock(o.mutex);
    const platform::window::Area a = o.changed;
    o.changed = {};
    return a;
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
