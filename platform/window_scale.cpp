// The window's scale: what the desktop asks for, and what the work area leaves room for.
#include "platform/window_internal.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace platform::window {

namespace {

// The dots per inch at which a desktop draws at its plain size.
constexpr double kPlainDpi = 96.0;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

} // namespace

int32_t desktopScale(std::optional<double> xftDpi, const char* gdkScale) {
    double scale = 1;
    if (xftDpi) {
        scale = std::floor(*xftDpi / kPlainDpi);
    } else if (gdkScale && *gdkScale) {
        int32_t n = 0;
        const char* end = gdkScale + std::strlen(gdkScale);
        const auto [rest, error] = std::from_chars(gdkScale, end, n);
        if (error == std::errc() && rest == end) scale = n;
    }
    return static_cast<int32_t>(std::clamp(scale, 1.0, static_cast<double>(kMaxScale)));
}

int32_t fittingScale(int32_t wanted, int32_t clientWidth, int32_t clientHeight, int32_t workWidth,
                     int32_t workHeight) {
    int32_t scale = std::max(wanted, 1);
    if (workWidth <= 0 || workHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return scale;
    while (scale > 1 &&
           (int64_t{clientWidth} * scale > workWidth || int64_t{clientHeight} * scale > workHeight))
        --scale;
    return scale;
}

std::optional<double> xftDpiFromResources(std::string_view resources) {
    constexpr std::string_view kName = "Xft.dpi";
    std::optional<double> dpi;
    while (!resources.empty()) {
        const size_t end = std::min(resources.find('\n'), resources.size());
        std::string_view line = trim(resources.substr(0, end));
        resources.remove_prefix(std::min(end + 1, resources.size()));
        if (line.substr(0, kName.size()) != kName) continue;
        line = trim(line.substr(kName.size()));
        if (line.empty() || line.front() != ':') continue;
        line = trim(line.substr(1));
        double value = 0;
        const auto [rest, error] = std::from_chars(line.data(), line.data() + line.size(), value);
        // A later line of the same name wins, as in the database itself.
        if (error == std::errc() && rest == line.data() + line.size() && value > 0 && std::isfinite(value))
            dpi = value;
    }
    return dpi;
}

} // namespace platform::window

namespace platform::window::internal {

void workArea(int32_t& width, int32_t& height) {
    SDL_Window* window = local().window;
    const int display = std::max(window ? SDL_GetWindowDisplayIndex(window) : 0, 0);
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(display, &usable) != 0) usable = {};
    // The frame around the client area takes room too, where the desktop has said how much.
    int top = 0, left = 0, bottom = 0, right = 0;
    if (window && SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0)
        top = left = bottom = right = 0;
    width = usable.w > 0 ? std::max(usable.w - left - right, 1) : 0;
    height = usable.h > 0 ? std::max(usable.h - top - bottom, 1) : 0;
}

} // namespace platform::window::internal
