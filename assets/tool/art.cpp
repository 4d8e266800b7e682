#include "assets/tool/art.hpp"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace assets {
namespace {

using Palette = std::map<char, platform::pixels::Colour>;

struct Reader {
    std::filesystem::path file;
    std::vector<std::string> lines;
    size_t next = 0;

    [[noreturn]] void fail(const std::string& message) const {
        throw std::runtime_error(file.string() + ":" + std::to_string(next) + ": " + message);
    }
};

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

int number(Reader& r, const std::string& text, int low, int high) {
    size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used, 10);
    } catch (const std::exception&) {
        r.fail("expected a number, got \"" + text + "\"");
    }
    if (used != text.size() || value < low || value > high)
        r.fail("expected a number from " + std::to_string(low) + " to " + std::to_string(high) + ", got \"" +
               text + "\"");
    return value;
}

void readPicture(Reader& r, const std::vector<std::string>& w, const Palette& palette, ArtBook& book) {
    if (w.size() < 4) r.fail("expected: picture NAME WIDTH HEIGHT [mirror-x] [mirror-y]");
    const std::string& name = w[1];
    const int width = number(r, w[2], 1, 1024);
    const int height = number(r, w[3], 1, 1024);
    bool mirrorX = false, mirrorY = false;
    for (size_t i = 4; i < w.size(); ++i) {
        if (w[i] == "mirror-x")
            mirrorX = true;
        else if (w[i] == "mirror-y")
            mirrorY = true;
        else
            r.fail("unknown picture option \"" + w[i] + "\"");
    }
    if ((mirrorX && width % 2) || (mirrorY && height % 2)) r.fail("a mirrored side must be even");
    if (book.pictures.count(name)) r.fail("picture \"" + name + "\" is drawn twice");
    const int rowsGiven = mirrorY ? height / 2 : height;
    const int columnsGiven = mirrorX ? width / 2 : width;
    platform::pixels::Bitmap bitmap(width, height);
    for (int y = 0; y < rowsGiven; ++y) {
        if (r.next >= r.lines.size()) r.fail("picture \"" + name + "\" ends early");
        std::string row = r.lines[r.next++];
        while (!row.empty() && (row.back() == '\r' || row.back() == ' ')) row.pop_back();
        if (static_cast<int>(row.size()) != columnsGiven)
            r.fail("expected a row of " + std::to_string(columnsGiven) + " characters, got " +
                   std::to_string(row.size()));
        for (int x = 0; x < columnsGiven; ++x) {
            auto ink = palette.find(row[static_cast<size_t>(x)]);
            if (ink == palette.end()) r.fail(std::string("no ink for '") + row[static_cast<size_t>(x)] + "'");
            const int ys[2] = {y, height - 1 - y};
            const int xs[2] = {x, width - 1 - x};
            for (int j = 0; j < (mirrorY ? 2 : 1); ++j)
                for (int i = 0; i < (mirrorX ? 2 : 1); ++i) bitmap.at(xs[i], ys[j]) = ink->second;
        }
    }
    book.pictures[name] = std::move(bitmap);
}

// "copy NEW OLD swap ab cd": the old picture with ink a repainted as ink b, c as d.
void readCopy(Reader& r, const std::vector<std::string>& w, const Palette& palette, ArtBook& book) {
    if (w.size() < 3) r.fail("expected: copy NAME FROM [swap XY ...]");
    auto from = book.pictures.find(w[2]);
    if (from == book.pictures.end()) r.fail("no picture \"" + w[2] + "\" drawn before");
    if (book.pictures.count(w[1])) r.fail("picture \"" + w[1] + "\" is drawn twice");
    platform::pixels::Bitmap bitmap = from->second;
    std::vector<std::pair<platform::pixels::Colour, platform::pixels::Colour>> swaps;
    for (size_t i = 3; i < w.size(); ++i) {
        if (w[i] == "swap") continue;
        if (w[i].size() != 2) r.fail("a swap is two ink characters, got \"" + w[i] + "\"");
        auto a = palette.find(w[i][0]);
        auto b = palette.find(w[i][1]);
        if (a == palette.end() || b == palette.end()) r.fail("no ink for the swap \"" + w[i] + "\"");
        swaps.emplace_back(a->second, b->second);
    }
    for (platform::pixels::Colour& c : bitmap.pixels) {
        for (const auto& [old, now] : swaps) {
            if (c == old) {
                c = now;
                break;
            }
        }
    }
    book.pictures[w[1]] = std::move(bitmap);
}

// The unused kinds get a round badge in their own colour with their number on it; the three
// frames differ in the number of pips under the number and in the rim.
void makeSpare(Reader& r, const std::vector<std::string>& w, ArtBook& book) {
    if (w.size() != 5) r.fail("expected: spare KIND RED GREEN BLUE");
    const int kind = number(r, w[1], 1, 30);
    const int red = number(r, w[2], 0, 255), green = number(r, w[3], 0, 255), blue = number(r, w[4], 0, 255);
    auto badge = book.pictures.find("spare-badge");
    if (badge == book.pictures.end()) r.fail("the picture spare-badge must come first");
    auto shade = [&](double f) {
        auto c = [f](int v) { return static_cast<uint8_t>(std::clamp(static_cast<int>(v * f), 8, 255)); };
        return platform::pixels::rgb(c(red), c(green), c(blue));
    };
    const platform::pixels::Colour ink =
        platform::pixels::rgb(16, 16, 20); // near-black: must show, not be see-through
    for (int frame = 1; frame <= 3; ++frame) {
        platform::pixels::Bitmap bitmap = badge->second;
        const platform::pixels::Colour rim = frame == 3 ? platform::pixels::rgb(250, 246, 220) : shade(0.55);
        for (platform::pixels::Colour& c : bitmap.pixels) {
            if (c == platform::pixels::rgb(255, 0, 0))
                c = rim;
            else if (c == platform::pixels::rgb(0, 255, 0))
                c = shade(frame == 2 ? 0.8 : 1.0);
            else if (c == platform::pixels::rgb(0, 0, 255))
                c = shade(1.35);
        }
        char digits[16];
        std::snprintf(digits, sizeof digits, "%02d", kind);
        for (size_t d = 0; d < 2; ++d) {
            auto glyph = book.pictures.find(std::string("digit") + digits[d]);
            if (glyph == book.pictures.end()) r.fail("the pictures digit0..digit9 must come first");
            const int left = 8 + static_cast<int>(d) * 5 - (d == 0 ? 1 : 0);
            for (int y = 0; y < glyph->second.height; ++y)
                for (int x = 0; x < glyph->second.width; ++x)
                    if (glyph->second.at(x, y) != kTransparent) bitmap.at(left + x, 6 + y) = ink;
        }
        for (int pip = 0; pip < frame; ++pip) {
            const int x = 12 - frame * 2 + pip * 4;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) bitmap.at(x + dx, 15 + dy) = ink;
        }
        char name[32];
        std::snprintf(name, sizeof name, "chr%02d-%d", kind, frame);
        if (book.pictures.count(name)) r.fail(std::string("picture \"") + name + "\" is drawn twice");
        book.pictures[name] = std::move(bitmap);
    }
}

void readFile(const std::filesystem::path& path, Palette palette, ArtBook& book, Palette* keep) {
    Reader r{path, {}, 0};
    std::ifstream in(path);
    if (!in) throw std::runtime_error(path.string() + ": cannot be read");
    for (std::string line; std::getline(in, line);) r.lines.push_back(line);
    while (r.next < r.lines.size()) {
        const std::vector<std::string> w = words(r.lines[r.next++]);
        if (w.empty() || w[0][0] == '#') continue;
        if (w[0] == "ink") {
            if (w.size() != 5 || w[1].size() != 1) r.fail("expected: ink CHARACTER RED GREEN BLUE");
            palette[w[1][0]] = platform::pixels::rgb(static_cast<uint8_t>(number(r, w[2], 0, 255)),
                                           static_cast<uint8_t>(number(r, w[3], 0, 255)),
                                           static_cast<uint8_t>(number(r, w[4], 0, 255)));
        } else if (w[0] == "picture") {
            readPicture(r, w, palette, book);
        } else if (w[0] == "copy") {
            readCopy(r, w, palette, book);
        } else if (w[0] == "spare") {
            makeSpare(r, w, book);
        } else {
            r.fail("unknown word \"" + w[0] + "\"");
        }
    }
    if (keep) *keep = palette;
}

} // namespace

ArtBook readArtFolder(const std::filesystem::path& folder) {
    ArtBook book;
    Palette shared;
    readFile(folder / "palette.txt", {}, book, &shared);
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".txt" && entry.path().filename() != "palette.txt")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& file : files) readFile(file, shared, book, nullptr);
    return book;
}

} // namespace assets
