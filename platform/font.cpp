#include "platform/font.hpp"

#include "platform/cp932.hpp"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace platform::font {

namespace {

// What a character looks like once rendered; kept for the life of the font.
struct Glyph {
    enum class Kind { Outline, Blank, Replacement } kind = Kind::Blank;
    int32_t advance = 0;
    int32_t left = 0, top = 0; // bitmap origin relative to the pen on the baseline
    int32_t width = 0, rows = 0;
    std::vector<uint8_t> ink; // one byte per pixel, 1 = ink
};

struct Match {
    std::string file, family;
    int index = 0;
};

// Asks fontconfig for the family and language; accepts only a face that really holds Japanese
// kana and Latin letters, so that a family fontconfig does not know is not silently replaced by a
// face without Japanese.
bool findFace(const char* family, std::string_view language, Match& out) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return false;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    const std::string lang(language);
    if (!lang.empty()) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang.c_str()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    bool ok = false;
    FcChar8* file = nullptr;
    FcCharSet* chars = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
        FcPatternGetCharSet(match, FC_CHARSET, 0, &chars) == FcResultMatch &&
        FcCharSetHasChar(chars, 0x3042) && FcCharSetHasChar(chars, 'A')) {
        out.file = reinterpret_cast<const char*>(file);
        FcChar8* name = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
            out.family = reinterpret_cast<const char*>(name);
        int index = 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) out.index = index;
        ok = true;
    }
    FcPatternDestroy(match);
    return ok;
}

uint32_t cacheKey(std::string_view ch) {
    const auto b0 = static_cast<uint8_t>(ch[0]);
    if (ch.size() >= 2) return 0x10000u | uint32_t{b0} << 8 | static_cast<uint8_t>(ch[1]);
    return b0;
}

} // namespace

struct Font::Impl {
    mutable std::mutex mutex; // FreeType and the glyph cache are used from the main and window threads
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    Match match;
    CellSize cell{8, 16};
    int32_t ascent = 14;
    mutable std::unordered_map<uint32_t, Glyph> cache;

    ~Impl() {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }

    Glyph render(std::string_view ch) const {
        Glyph g;
        const size_t length = ch.size();
        const auto b0 = static_cast<uint8_t>(ch[0]);
        // Control bytes (a lone CR or LF kept in a row) take one blank cell.
        if (length == 1 && (b0 < 0x20 || b0 == 0x7F)) {
            g.advance = cell.width;
            return g;
        }
        const char32_t code = cp932::decodeChar(ch);
        const FT_UInt index = (face && code != 0xFFFD) ? FT_Get_Char_Index(face, code) : 0;
        if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0 ||
            face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
            g.kind = Glyph::Kind::Replacement;
            g.advance = cell.width * static_cast<int32_t>(length);
            return g;
        }
        const FT_GlyphSlot slot = face->glyph;
        g.kind = Glyph::Kind::Outline;
        g.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int32_t>(slot->bitmap.width);
        g.rows = static_cast<int32_t>(slot->bitmap.rows);
        g.ink.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows));
        for (int32_t r = 0; r < g.rows; ++r) {
            const unsigned char* src = slot->bitmap.buffer + r * slot->bitmap.pitch;
            for (int32_t c = 0; c < g.width; ++c)
                g.ink[static_cast<size_t>(r * g.width + c)] = (src[c >> 3] >> (7 - (c & 7))) & 1;
        }
        return g;
    }

    const Glyph& glyph(std::string_view ch) const {
        const uint32_t key = cacheKey(ch);
        auto it = cache.find(key);
        if (it == cache.end()) it = cache.emplace(key, render(ch)).first;
        return it->second;
    }
};

Font::Font(std::string_view family, std::string_view language, int32_t pixelEm)
    : impl_(std::make_unique<Impl>()) {
    Impl& f = *impl_;
    if (FcInit()) {
        const std::string asked(family);
        for (const char* candidate : {asked.c_str(), "IPAGothic", "monospace"})
            if (findFace(candidate, language, f.match)) break;
    }
    if (f.match.file.empty()) {
        std::fprintf(stderr, "No Japanese font was found for \"%s\"; install fonts-ipafont-gothic.\n",
                     std::string(family).c_str());
        return;
    }
    if (FT_Init_FreeType(&f.library) != 0) return;
    if (FT_New_Face(f.library, f.match.file.c_str(), f.match.index, &f.face) != 0 ||
        FT_Set_Pixel_Sizes(f.face, 0, static_cast<FT_UInt>(pixelEm)) != 0) {
        std::fprintf(stderr, "The font file %s cannot be read.\n", f.match.file.c_str());
        if (f.face) FT_Done_Face(f.face);
        f.face = nullptr;
        return;
    }
    const FT_Size_Metrics& m = f.face->size->metrics;
    f.ascent = static_cast<int32_t>((m.ascender + 32) >> 6);
    f.cell.height = static_cast<int32_t>((m.height + 32) >> 6);
    const Glyph& space = f.glyph(" ");
    if (space.advance > 0) f.cell.width = space.advance;
}

Font::~Font() = default;

bool Font::loaded() const {
    return impl_->face != nullptr;
}
std::string Font::familyName() const {
    return impl_->match.family;
}
std::string Font::filePath() const {
    return impl_->match.file;
}
CellSize Font::cellSize() const {
    return impl_->cell;
}
int32_t Font::ascent() const {
    return impl_->ascent;
}

size_t Font::charLength(std::string_view cp932) {
    if (cp932.empty()) return 0;
    return (cp932.size() >= 2 && cp932::isLeadByte(static_cast<uint8_t>(cp932[0]))) ? 2 : 1;
}

int32_t Font::extent(std::string_view cp932) const {
    std::lock_guard lock(impl_->mutex);
    int32_t width = 0;
    while (!cp932.empty()) {
        const size_t n = charLength(cp932);
        width += impl_->glyph(cp932.substr(0, n)).advance;
        cp932.remove_prefix(n);
    }
    return width;
}

int32_t Font::drawChar(pixels::Bitmap& target, int32_t x, int32_t y, std::string_view character,
                       pixels::Colour foreground, Background mode, pixels::Colour background) const {
    if (character.empty()) return 0;
    std::lock_guard lock(impl_->mutex);
    const Glyph& g = impl_->glyph(character.substr(0, charLength(character)));
    const int32_t cellHeight = impl_->cell.height;
    auto plot = [&](int32_t px, int32_t py, pixels::Colour c) {
        if (target.contains(px, py)) target.at(px, py) = c;
    };
    if (mode == Background::Opaque) {
        const int32_t x0 = std::max(x, 0), x1 = std::min(x + g.advance, target.width);
        const int32_t y0 = std::max(y, 0), y1 = std::min(y + cellHeight, target.height);
        for (int32_t py = y0; py < y1; ++py)
            std::fill(target.row(py) + x0, target.row(py) + std::max(x0, x1), background);
    }
    switch (g.kind) {
    case Glyph::Kind::Blank:
        break;
    case Glyph::Kind::Replacement: {
        // A hollow box inside the cells, one pixel in from the sides and two from top and bottom.
        const int32_t left = x + 1, right = x + g.advance - 2, top = y + 2, bottom = y + cellHeight - 3;
        for (int32_t px = left; px <= right; ++px) {
            plot(px, top, foreground);
            plot(px, bottom, foreground);
        }
        for (int32_t py = top; py <= bottom; ++py) {
            plot(left, py, foreground);
            plot(right, py, foreground);
        }
        break;
    }
    case Glyph::Kind::Outline: {
        const int32_t ox = x + g.left, oy = y + impl_->ascent - g.top;
        for (int32_t r = 0; r < g.rows; ++r) {
            const int32_t py = oy + r;
            if (py < 0 || py >= target.height) continue;
            pixels::Colour* row = target.row(py);
            const uint8_t* ink = g.ink.data() + static_cast<size_t>(r * g.width);
            for (int32_t c = 0; c < g.width; ++c) {
                const int32_t px = ox + c;
                if (ink[c] && px >= 0 && px < target.width) row[px] = foreground;
            }
        }
        break;
    }
    }
    return g.advance;
}

Font& consoleFont() {
    // Never destroyed: the window thread may still draw while the process exits.
    static Font* font = new Font("ＭＳ ゴシック", "ja", 16);
    return *font;
}

} // namespace platform::font
