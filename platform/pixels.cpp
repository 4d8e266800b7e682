#include "platform/pixels.hpp"

#include <algorithm>
#include <cstring>

namespace platform::pixels {

namespace {

constexpr Colour kRgbMask = 0x00FFFFFF;

enum class Op { Copy, And, Paint };

std::optional<Op> opFor(uint32_t rop) {
    switch (rop) {
    case 0:
    case kSrcCopy:
        return Op::Copy;
    case kSrcAnd:
        return Op::And;
    case kSrcPaint:
        return Op::Paint;
    default:
        return std::nullopt;
    }
}

// Wider vector units where the processor has them (chosen once at load time); the sanitizer
// builds keep one plain version.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__) &&     \
    !defined(__SANITIZE_THREAD__)
#define PIXELS_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define PIXELS_VECTOR_CLONES
#endif

// Eight pixels at a time in the compiler's own vector type, whatever the optimisation level and
// its cost model make of a plain loop (-O2 leaves loops of unknown length alone): two SSE2
// registers on every x86-64, one in the AVX2 clones. Vectors only live inside the loops (never
// passed to a function, whose ABI would differ between the clones); loads and stores go through
// memcpy, so rows need no alignment.
typedef Colour Pixels8 __attribute__((vector_size(32)));
constexpr size_t kVector = sizeof(Pixels8) / sizeof(Colour);

enum class Bitwise { And, Or };

template <Bitwise B> inline void combineRow(Colour* __restrict d, const Colour* __restrict s, size_t n) {
    size_t k = 0;
    for (; k + kVector <= n; k += kVector) {
        Pixels8 a, b;
        std::memcpy(&a, d + k, sizeof a);
        std::memcpy(&b, s + k, sizeof b);
        if constexpr (B == Bitwise::And)
            a &= b;
        else
            a |= b;
        std::memcpy(d + k, &a, sizeof a);
    }
    for (; k < n; ++k) d[k] = B == Bitwise::And ? d[k] & s[k] : d[k] | s[k];
}

// One run of a natural-size blit. d and s never overlap here (the caller routes same-row
// overlaps through a copy).
PIXELS_VECTOR_CLONES
void rowOp(Op op, Colour* __restrict d, const Colour* __restrict s, size_t n) {
    switch (op) {
    case Op::Copy:
        std::memcpy(d, s, n * sizeof(Colour));
        break;
    case Op::And:
        combineRow<Bitwise::And>(d, s, n);
        break;
    case Op::Paint:
        combineRow<Bitwise::Or>(d, s, n);
        break;
    }
}

// Rows of (d AND m) OR s, n pixels each, the rows of each pitch pixels apart: the loop over the
// rows inside the one function, whose version is chosen once for all of them.
PIXELS_VECTOR_CLONES
void maskedRows(Colour* __restrict d, size_t dPitch, const Colour* __restrict m, const Colour* __restrict s,
                size_t pitch, size_t n, size_t rows) {
    for (size_t r = 0; r < rows; ++r, d += dPitch, m += pitch, s += pitch) {
        size_t k = 0;
        for (; k + kVector <= n; k += kVector) {
            Pixels8 a, b, c;
            std::memcpy(&a, d + k, sizeof a);
            std::memcpy(&b, m + k, sizeof b);
            std::memcpy(&c, s + k, sizeof c);
            a = (a & b) | c;
            std::memcpy(d + k, &a, sizeof a);
        }
        for (; k < n; ++k) d[k] = (d[k] & m[k]) | s[k];
    }
}

// Red (bits 0-7) and blue (bits 16-23) exchanged, green and the high byte kept.
PIXELS_VECTOR_CLONES
void exchangeRedBlue(Colour* __restrict d, const Colour* __restrict s, size_t n) {
    size_t k = 0;
    for (; k + kVector <= n; k += kVector) {
        Pixels8 c;
        std::memcpy(&c, s + k, sizeof c);
        c = ((c & 0xFFu) << 16) | (c & 0xFF00FF00u) | ((c >> 16) & 0xFFu);
        std::memcpy(d + k, &c, sizeof c);
    }
    for (; k < n; ++k) d[k] = ((s[k] & 0xFFu) << 16) | (s[k] & 0xFF00FF00u) | ((s[k] >> 16) & 0xFFu);
}

// Each pixel twice: eight pixels in, sixteen out.
PIXELS_VECTOR_CLONES
void doubleRow(Colour* __restrict d, const Colour* __restrict s, size_t n) {
    size_t k = 0;
    for (; k + kVector <= n; k += kVector) {
        Pixels8 c;
        std::memcpy(&c, s + k, sizeof c);
        const Pixels8 low = __builtin_shufflevector(c, c, 0, 0, 1, 1, 2, 2, 3, 3);
        const Pixels8 high = __builtin_shufflevector(c, c, 4, 4, 5, 5, 6, 6, 7, 7);
        std::memcpy(d + 2 * k, &low, sizeof low);
        std::memcpy(d + 2 * k + kVector, &high, sizeof high);
    }
    for (; k < n; ++k) d[2 * k] = d[2 * k + 1] = s[k];
}

// The clipped range of i in [0, n) for which both a + i lies in [0, aLimit) and b + i in [0, bLimit).
struct Span {
    int64_t first;
    int64_t last; // exclusive
    bool empty() const { return first >= last; }
};

Span clipSpan(int64_t n, int64_t a, int64_t aLimit, int64_t b, int64_t bLimit) {
    const int64_t first = std::max({int64_t{0}, -a, -b});
    const int64_t last = std::min({n, aLimit - a, bLimit - b});
    return {first, last};
}

bool blitSame(Bitmap& dst, int32_t x, int32_t y, int32_t w, int32_t h, const Bitmap& src, int32_t sx,
              int32_t sy, Op op) {
    const Span cols = clipSpan(w, x, dst.width, sx, src.width);
    const Span rows = clipSpan(h, y, dst.height, sy, src.height);
    if (cols.empty() || rows.empty()) return true;
    const size_t n = static_cast<size_t>(cols.last - cols.first);
    const bool same = &dst == &src;
    const auto dstRow = [&](int64_t j) { return dst.row(static_cast<int32_t>(y + j)) + (x + cols.first); };
    const auto srcRow = [&](int64_t j) { return src.row(static_cast<int32_t>(sy + j)) + (sx + cols.first); };

    if (!same) {
        if (n == static_cast<size_t>(dst.width) && n == static_cast<size_t>(src.width)) {
            // Whole rows of both bitmaps: the rows are one contiguous run.
            rowOp(op, dstRow(rows.first), srcRow(rows.first),
                  n * static_cast<size_t>(rows.last - rows.first));
            return true;
        }
        for (int64_t j = rows.first; j < rows.last; ++j) rowOp(op, dstRow(j), srcRow(j), n);
        return true;
    }
    if (y == sy) {
        // Rows map onto themselves: go through a row copy so the overlap reads the old pixels.
        if (x == sx && op != Op::Copy) {
            // d AND d and d OR d leave every pixel as it is.
            return true;
        }
        std::vector<Colour> tmp(n);
        for (int64_t j = rows.first; j < rows.last; ++j) {
            std::memcpy(tmp.data(), srcRow(j), n * sizeof(Colour));
            rowOp(op, dstRow(j), tmp.data(), n);
        }
        return true;
    }
    // Different rows never overlap; walk away from the rows still to be read.
    if (y > sy) {
        for (int64_t j = rows.last - 1; j >= rows.first; --j) rowOp(op, dstRow(j), srcRow(j), n);
    } else {
        for (int64_t j = rows.first; j < rows.last; ++j) rowOp(op, dstRow(j), srcRow(j), n);
    }
    return true;
}

// Source index along one axis for every destination index of the clipped range; trimmed so that
// every source index lies inside the source. Nearest neighbour: i * sn / n, integer division.
std::vector<int32_t> sampleMap(int64_t n, int64_t origin, int64_t limit, int64_t sOrigin, int64_t sn,
                               int64_t sLimit, int64_t& firstOut) {
    int64_t first = std::max<int64_t>(0, -origin);
    int64_t last = std::min<int64_t>(n, limit - origin);
    // The source index grows with i, so the valid part is one run: trim both ends (at most the
    // destination's width of steps, as the range is already cut to the destination).
    const auto srcAt = [&](int64_t i) { return sOrigin + i * sn / n; };
    while (first < last && srcAt(first) < 0) ++first;
    while (first < last && srcAt(last - 1) >= sLimit) --last;
    std::vector<int32_t> map;
    if (first >= last) return map;
    map.reserve(static_cast<size_t>(last - first));
    for (int64_t i = first; i < last; ++i) map.push_back(static_cast<int32_t>(srcAt(i)));
    firstOut = first;
    return map;
}

} // namespace

bool stretchBlit(Bitmap& dst, int32_t x, int32_t y, int32_t w, int32_t h, const Bitmap& src, int32_t sx,
                 int32_t sy, int32_t sw, int32_t sh, uint32_t rop) {
    const std::optional<Op> op = opFor(rop);
    if (!op) return false;
    if (w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || dst.empty() || src.empty()) return true;
    if (w == sw && h == sh) return blitSame(dst, x, y, w, h, src, sx, sy, *op);

    int64_t colFirst = 0;
    int64_t rowFirst = 0;
    const std::vector<int32_t> colMap = sampleMap(w, x, dst.width, sx, sw, src.width, colFirst);
    const std::vector<int32_t> rowMap = sampleMap(h, y, dst.height, sy, sh, src.height, rowFirst);
    if (colMap.empty() || rowMap.empty()) return true;

    // Reading from the bitmap being drawn on: take the source as it was before.
    Bitmap copy;
    const Bitmap* from = &src;
    if (&dst == &src) {
        copy = src;
        from = &copy;
    }
    const size_t n = colMap.size();
    for (size_t j = 0; j < rowMap.size(); ++j) {
        Colour* d = dst.row(static_cast<int32_t>(y + rowFirst + static_cast<int64_t>(j))) + (x + colFirst);
        const Colour* s = from->row(rowMap[j]);
        switch (*op) {
        case Op::Copy:
            for (size_t k = 0; k < n; ++k) d[k] = s[colMap[k]];
            break;
        case Op::And:
            for (size_t k = 0; k < n; ++k) d[k] &= s[colMap[k]];
            break;
        case Op::Paint:
            for (size_t k = 0; k < n; ++k) d[k] |= s[colMap[k]];
            break;
        }
    }
    return true;
}

bool blit(Bitmap& dst, int32_t x, int32_t y, int32_t w, int32_t h, const Bitmap& src, int32_t sx, int32_t sy,
          uint32_t rop) {
    const std::optional<Op> op = opFor(rop);
    if (!op) return false;
    if (w <= 0 || h <= 0 || dst.empty() || src.empty()) return true;
    return blitSame(dst, x, y, w, h, src, sx, sy, *op);
}

bool maskedBlit(Bitmap& dst, int32_t x, int32_t y, const Bitmap& mask, const Bitmap& sprite, int32_t bandTop,
                int32_t bandBottom) {
    if (mask.width != sprite.width || mask.height != sprite.height || &dst == &mask || &dst == &sprite)
        return false;
    if (dst.empty() || mask.empty()) return true;
    const Span cols = clipSpan(mask.width, x, dst.width, 0, mask.width);
    Span rows = clipSpan(mask.height, y, dst.height, 0, mask.height);
    rows.first = std::max<int64_t>(rows.first, int64_t{bandTop} - y);
    rows.last = std::min<int64_t>(rows.last, int64_t{bandBottom} - y);
    if (cols.empty() || rows.empty()) return true;
    const auto first = static_cast<int32_t>(rows.first);
    maskedRows(dst.row(static_cast<int32_t>(y + rows.first)) + (x + cols.first), static_cast<size_t>(dst.width),
               mask.row(first) + cols.first, sprite.row(first) + cols.first, static_cast<size_t>(mask.width),
               static_cast<size_t>(cols.last - cols.first), static_cast<size_t>(rows.last - rows.first));
    return true;
}

void copyRow(Colour* dst, const Colour* src, size_t n, Order order) {
    if (order == Order::Xbgr)
        std::memcpy(dst, src, n * sizeof(Colour));
    else
        exchangeRedBlue(dst, src, n);
}

void enlargeRow(Colour* dst, const Colour* src, size_t n, int32_t factor) {
    if (factor == 1) {
        std::memcpy(dst, src, n * sizeof(Colour));
    } else if (factor == 2) {
        doubleRow(dst, src, n);
    } else {
        for (size_t k = 0; k < n; ++k) std::fill_n(dst + k * static_cast<size_t>(factor), factor, src[k]);
    }
}

namespace {

// Fills the half-open rectangle [x0, x1) x [y0, y1), clipped.
void fillClipped(Bitmap& dst, int64_t x0, int64_t y0, int64_t x1, int64_t y1, Colour colour) {
    x0 = std::max<int64_t>(x0, 0);
    y0 = std::max<int64_t>(y0, 0);
    x1 = std::min<int64_t>(x1, dst.width);
    y1 = std::min<int64_t>(y1, dst.height);
    if (x0 >= x1 || y0 >= y1) return;
    for (int64_t yy = y0; yy < y1; ++yy) {
        Colour* r = dst.row(static_cast<int32_t>(yy));
        std::fill(r + x0, r + x1, colour & kRgbMask);
    }
}

} // namespace

void fillRect(Bitmap& dst, int32_t x, int32_t y, int32_t w, int32_t h, Colour colour) {
    if (w <= 0 || h <= 0) return;
    fillClipped(dst, x, y, int64_t{x} + w, int64_t{y} + h, colour);
}

void rectangle(Bitmap& dst, int32_t left, int32_t top, int32_t right, int32_t bottom, Colour pen,
               std::optional<Colour> fill) {
    const int64_t l = std::min(left, right);
    const int64_t r = std::max(left, right);
    const int64_t t = std::min(top, bottom);
    const int64_t b = std::max(top, bottom);
    if (l >= r || t >= b) return;
    if (fill) fillClipped(dst, l + 1, t + 1, r - 1, b - 1, *fill);
    fillClipped(dst, l, t, r, t + 1, pen);
    fillClipped(dst, l, b - 1, r, b, pen);
    fillClipped(dst, l, t, l + 1, b, pen);
    fillClipped(dst, r - 1, t, r, b, pen);
}

void line(Bitmap& dst, int32_t x1, int32_t y1, int32_t x2, int32_t y2, Colour pen) {
    const int64_t dx = int64_t{x2} - x1;
    const int64_t dy = int64_t{y2} - y1;
    const int64_t adx = dx < 0 ? -dx : dx;
    const int64_t ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0) return;
    const bool xMajor = adx >= ady;
    const int64_t major = xMajor ? adx : ady;
    const int64_t minor = xMajor ? ady : adx;
    const int64_t majorStart = xMajor ? x1 : y1;
    const int64_t minorStart = xMajor ? y1 : x1;
    const int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
    const int64_t minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
    const int64_t majorLimit = xMajor ? dst.width : dst.height;

    // Steps k = 0 .. major - 1 (the end point is left out); only those landing inside the bitmap
    // along the major axis are walked, so a line far outside costs nothing.
    int64_t kFirst = 0;
    int64_t kLast = major; // exclusive
    if (majorStep > 0) {
        kFirst = std::max(kFirst, -majorStart);
        kLast = std::min(kLast, majorLimit - majorStart);
    } else {
        kFirst = std::max(kFirst, majorStart - (majorLimit - 1));
        kLast = std::min(kLast, majorStart + 1);
    }
    for (int64_t k = kFirst; k < kLast; ++k) {
        // The exact minor offset k * minor / major, rounded half up; 128-bit since the product
        // of two 32-bit spans does not fit 64 bits doubled.
        const auto offset =
            static_cast<int64_t>((static_cast<__int128>(2) * k * minor + major) / (2 * major));
        const int64_t a = majorStart + majorStep * k;
        const int64_t m = minorStart + minorStep * offset;
        const int64_t px = xMajor ? a : m;
        const int64_t py = xMajor ? m : a;
        if (px >= 0 && py >= 0 && px < dst.width && py < dst.height)
            dst.at(static_cast<int32_t>(px), static_cast<int32_t>(py)) = pen & kRgbMask;
    }
}

void setPixel(Bitmap& dst, int32_t x, int32_t y, Colour colour) {
    if (dst.contains(x, y)) dst.at(x, y) = colour & kRgbMask;
}

Colour getPixel(const Bitmap& src, int32_t x, int32_t y) {
    return src.contains(x, y) ? src.at(x, y) : kInvalidColour;
}

} // namespace platform::pixels
