#include "platform/image.hpp"

#include <gif_lib.h>
#include <turbojpeg.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

namespace platform {

bool imageSizeAllowed(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels;
}

namespace {

using pixels::Bitmap;
using pixels::Colour;

// Little-endian reads, each checked against the end of the file (64-bit offsets, no wrap).
class Bytes {
  public:
    explicit Bytes(std::span<const uint8_t> data) : data_(data) {}
    uint64_t size() const { return data_.size(); }
    bool has(uint64_t offset, uint64_t count) const {
        return offset <= data_.size() && count <= data_.size() - offset;
    }
    uint8_t u8(uint64_t at) const { return data_[at]; }
    uint16_t u16(uint64_t at) const { return static_cast<uint16_t>(data_[at] | data_[at + 1] << 8); }
    uint32_t u32(uint64_t at) const {
        return uint32_t{data_[at]} | uint32_t{data_[at + 1]} << 8 | uint32_t{data_[at + 2]} << 16 |
               uint32_t{data_[at + 3]} << 24;
    }
    const uint8_t* at(uint64_t offset) const { return data_.data() + offset; }

  private:
    std::span<const uint8_t> data_;
};

// ---- BMP ----

constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

// One colour channel given by a bit mask, widened or narrowed to 8 bits (narrow channels repeat
// their bits downward, so the largest value becomes 255).
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    static std::optional<Channel> of(uint32_t mask) {
        Channel c;
        c.mask = mask;
        if (mask == 0) return c;
        c.shift = std::countr_zero(mask);
        const uint32_t run = mask >> c.shift;
        if ((run & (run + 1)) != 0) return std::nullopt; // the bits must be one run
        c.bits = std::popcount(run);
        return c;
    }
    uint32_t value(uint32_t pixel) const {
        if (bits == 0) return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8) return v >> (bits - 8);
        uint32_t r = 0;
        for (int pos = 8 - bits;; pos -= bits) {
            r |= pos >= 0 ? v << pos : v >> -pos;
            if (pos <= 0) break;
        }
        return r & 0xFF;
    }
};

struct Masks {
    Channel r, g, b;
    Colour colour(uint32_t pixel) const {
        return pixels::rgb(static_cast<uint8_t>(r.value(pixel)), static_cast<uint8_t>(g.value(pixel)),
                           static_cast<uint8_t>(b.value(pixel)));
    }
};

struct BmpInfo {
    int64_t width = 0;
    int64_t height = 0;
    bool topDown = false;
    uint32_t bpp = 0;
    uint32_t compression = kBiRgb;
    uint64_t paletteStart = 0;
    uint64_t paletteEntry = 4;
    uint64_t paletteCount = 0;
    uint64_t dataOffset = 0;
    std::array<uint32_t, 3> masks{}; // red, green, blue
};

std::optional<BmpInfo> readBmpHeader(const Bytes& in) {
    if (!in.has(0, 18) || in.u8(0) != 'B' || in.u8(1) != 'M') return std::nullopt;
    BmpInfo info;
    info.dataOffset = in.u32(10);
    const uint32_t headerSize = in.u32(14);
    if (!in.has(14, headerSize)) return std::nullopt;
    bool os2 = false;
    if (headerSize == 12) {
        // The oldest header: 16-bit unsigned sizes, bottom-up only, 3-byte palette entries.
        info.width = in.u16(18);
        info.height = in.u16(20);
        info.bpp = in.u16(24);
        info.paletteEntry = 3;
        if (info.bpp != 1 && info.bpp != 4 && info.bpp != 8 && info.bpp != 24) return std::nullopt;
    } else if (headerSize == 16 || headerSize == 40 || headerSize == 52 || headerSize == 56 ||
               headerSize == 64 || headerSize == 108 || headerSize == 124) {
        os2 = headerSize == 16 || headerSize == 64;
        info.width = static_cast<int32_t>(in.u32(18));
        info.height = static_cast<int32_t>(in.u32(22));
        info.bpp = in.u16(28);
        if (headerSize >= 40) {
            info.compression = in.u32(30);
            const uint32_t used = in.u32(46);
            if (info.bpp <= 8 && used != 0)
                info.paletteCount = std::min<uint64_t>(used, uint64_t{1} << info.bpp);
        }
        if (info.height < 0) {
            info.topDown = true;
            info.height = -info.height;
        }
    } else {
        return std::nullopt;
    }
    if (!imageSizeAllowed(info.width, info.height)) return std::nullopt;

    const bool bitfields = info.compression == kBiBitfields || info.compression == kBiAlphaBitfields;
    if (os2 && info.compression > kBiRle4) return std::nullopt; // its 3 and 4 are other codings
    switch (info.compression) {
    case kBiRgb:
        if (info.bpp != 1 && info.bpp != 4 && info.bpp != 8 && info.bpp != 16 && info.bpp != 24 &&
            info.bpp != 32)
            return std::nullopt;
        break;
    case kBiRle8:
        if (info.bpp != 8 || info.topDown) return std::nullopt;
        break;
    case kBiRle4:
        if (info.bpp != 4 || info.topDown) return std::nullopt;
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (info.bpp != 16 && info.bpp != 32) return std::nullopt;
        break;
    default:
        return std::nullopt;
    }

    info.paletteStart = 14 + uint64_t{headerSize};
    if (bitfields) {
        uint64_t at = 14 + 40;
        if (headerSize == 40) {
            // The masks follow the header (three, or four with alpha).
            const uint64_t count = info.compression == kBiAlphaBitfields ? 16 : 12;
            if (!in.has(at, count)) return std::nullopt;
            info.paletteStart += count;
        }
        for (auto& mask : info.masks) {
            mask = in.u32(at);
            at += 4;
        }
    } else if (info.bpp == 16) {
        info.masks = {0x7C00, 0x03E0, 0x001F};
    } else if (info.bpp == 32) {
        info.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }

    if (info.bpp <= 8) {
        if (info.paletteCount == 0) info.paletteCount = uint64_t{1} << info.bpp;
        // Entries end at the pixel data when it follows them, else at the end of the file.
        const uint64_t end =
            info.dataOffset >= info.paletteStart ? std::min<uint64_t>(info.dataOffset, in.size()) : in.size();
        const uint64_t room = end > info.paletteStart ? (end - info.paletteStart) / info.paletteEntry : 0;
        info.paletteCount = std::min(info.paletteCount, room);
    }
    if (info.dataOffset < 14 + uint64_t{headerSize} || info.dataOffset > in.size()) return std::nullopt;
    return info;
}

std::vector<Colour> readPalette(const Bytes& in, const BmpInfo& info) {
    std::vector<Colour> palette(static_cast<size_t>(info.paletteCount));
    for (uint64_t i = 0; i < info.paletteCount; ++i) {
        const uint64_t at = info.paletteStart + i * info.paletteEntry;
        palette[static_cast<size_t>(i)] =
            pixels::rgb(in.u8(at + 2), in.u8(at + 1), in.u8(at)); // B, G, R order
    }
    return palette;
}

std::optional<Bitmap> decodeBmpRows(const Bytes& in, const BmpInfo& info,
                                    const std::vector<Colour>& palette) {
    const uint64_t w = static_cast<uint64_t>(info.width);
    const uint64_t h = static_cast<uint64_t>(info.height);
    const uint64_t stride = (w * info.bpp + 31) / 32 * 4;
    // The last row may come without its padding.
    const uint64_t lastRow = (w * info.bpp + 7) / 8;
    if (!in.has(info.dataOffset, stride * (h - 1) + lastRow)) return std::nullopt;

    Masks masks;
    if (info.bpp == 16 || info.bpp == 32) {
        const auto r = Channel::of(info.masks[0]);
        const auto g = Channel::of(info.masks[1]);
        const auto b = Channel::of(info.masks[2]);
        if (!r || !g || !b) return std::nullopt;
        masks = {*r, *g, *b};
    }
    const auto paletteColour = [&](uint32_t index) {
        return index < palette.size() ? palette[index] : Colour{0};
    };

    Bitmap out(static_cast<int32_t>(w), static_cast<int32_t>(h), 0);
    for (uint64_t r = 0; r < h; ++r) {
        const uint8_t* src = in.at(info.dataOffset + r * stride);
        Colour* dst = out.row(static_cast<int32_t>(info.topDown ? r : h - 1 - r));
        for (uint64_t x = 0; x < w; ++x) {
            switch (info.bpp) {
            case 1:
                dst[x] = paletteColour((src[x >> 3] >> (7 - (x & 7))) & 1);
                break;
            case 4:
                dst[x] = paletteColour((src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
                break;
            case 8:
                dst[x] = paletteColour(src[x]);
                break;
            case 16:
                dst[x] = masks.colour(static_cast<uint32_t>(src[2 * x] | src[2 * x + 1] << 8));
                break;
            case 24:
                dst[x] = pixels::rgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            case 32: {
                const uint8_t* p = src + 4 * x;
                dst[x] = masks.colour(uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 |
                                      uint32_t{p[3]} << 24);
                break;
            }
            default:
                return std::nullopt;
            }
        }
    }
    return out;
}

// Run-length coded 8- or 4-bit rows (always bottom-up). Pixels the coding skips stay black. The
// data must end with its end-of-bitmap mark or fill every row; otherwise it is truncated.
std::optional<Bitmap> decodeBmpRle(const Bytes& in, const BmpInfo& info, const std::vector<Colour>& palette) {
    const int64_t w = info.width;
    const int64_t h = info.height;
    const bool four = info.compression == kBiRle4;
    const auto paletteColour = [&](uint32_t index) {
        return index < palette.size() ? palette[index] : Colour{0};
    };
    Bitmap out(static_cast<int32_t>(w), static_cast<int32_t>(h), 0);
    int64_t x = 0;
    int64_t r = 0; // file row, 0 = bottom
    const auto put = [&](uint32_t index) {
        if (x >= 0 && x < w && r >= 0 && r < h)
            out.at(static_cast<int32_t>(x), static_cast<int32_t>(h - 1 - r)) = paletteColour(index);
        ++x;
    };
    uint64_t pos = info.dataOffset;
    while (r < h) {
        if (!in.has(pos, 2)) return std::nullopt;
        const uint8_t count = in.u8(pos);
        const uint8_t code = in.u8(pos + 1);
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) put(four ? (i % 2 == 0 ? code >> 4 : code & 0xF) : code);
            continue;
        }
        switch (code) {
        case 0: // end of line
            x = 0;
            ++r;
            break;
        case 1: // end of bitmap
            return out;
        case 2: // move right and up
            if (!in.has(pos, 2)) return std::nullopt;
            x += in.u8(pos);
            r += in.u8(pos + 1);
            pos += 2;
            break;
        default: { // `code` pixels given one by one, padded to a 16-bit boundary
            const uint64_t bytes = four ? (code + 1u) / 2 : code;
            const uint64_t padded = (bytes + 1) & ~uint64_t{1};
            if (!in.has(pos, padded)) return std::nullopt;
            for (int i = 0; i < code; ++i) {
                const uint8_t b =
                    in.u8(pos + (four ? static_cast<uint64_t>(i / 2) : static_cast<uint64_t>(i)));
                put(four ? (i % 2 == 0 ? b >> 4 : b & 0xF) : b);
            }
            pos += padded;
            break;
        }
        }
    }
    return out;
}

// ---- GIF ----

struct GifSource {
    std::span<const uint8_t> data;
    size_t pos = 0;
};

int readGif(GifFileType* gif, GifByteType* buffer, int length) {
    auto* src = static_cast<GifSource*>(gif->UserData);
    if (length <= 0) return 0;
    const size_t n = std::min(static_cast<size_t>(length), src->data.size() - src->pos);
    std::memcpy(buffer, src->data.data() + src->pos, n);
    src->pos += n;
    return static_cast<int>(n);
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

struct TjCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};

} // namespace

std::optional<Bitmap> decodeBmp(std::span<const uint8_t> file) {
    const Bytes in(file);
    const std::optional<BmpInfo> info = readBmpHeader(in);
    if (!info) return std::nullopt;
    const std::vector<Colour> palette = readPalette(in, *info);
    if (info->compression == kBiRle8 || info->compression == kBiRle4) return decodeBmpRle(in, *info, palette);
    return decodeBmpRows(in, *info, palette);
}

std::optional<Bitmap> decodeJpeg(std::span<const uint8_t> file) {
    if (file.empty()) return std::nullopt;
    const std::unique_ptr<void, TjCloser> handle(tjInitDecompress());
    if (!handle) return std::nullopt;
    int width = 0;
    int height = 0;
    int subsampling = 0;
    int colourspace = 0;
    auto* data = const_cast<unsigned char*>(file.data()); // the old API is not const-correct; it only reads
    if (tjDecompressHeader3(handle.get(), data, file.size(), &width, &height, &subsampling, &colourspace) !=
        0)
        return std::nullopt;
    if (!imageSizeAllowed(width, height)) return std::nullopt;
    Bitmap out(width, height, 0);
    // RGBX in memory is the byte order of a 0x00BBGGRR value on this little-endian machine.
    if (tjDecompress2(handle.get(), data, file.size(), reinterpret_cast<unsigned char*>(out.pixels.data()),
                      width, width * 4, height, TJPF_RGBX, TJFLAG_STOPONWARNING | TJFLAG_LIMITSCANS) != 0)
        return std::nullopt;
    for (Colour& c : out.pixels) c &= 0x00FFFFFF;
    return out;
}

std::optional<Bitmap> decodeGif(std::span<const uint8_t> file) {
    GifSource source{file, 0};
    int error = 0;
    const std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, readGif, &error));
    if (!gif) return std::nullopt;
    const int screenW = gif->SWidth;
    const int screenH = gif->SHeight;
    if (!imageSizeAllowed(screenW, screenH)) return std::nullopt;

    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) != GIF_OK) return std::nullopt;
        if (type == TERMINATE_RECORD_TYPE) return std::nullopt; // no image at all
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) != GIF_OK) return std::nullopt;
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4)
                transparent = (block[1] & 1) ? block[4] : -1;
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) != GIF_OK) return std::nullopt;
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) continue;

        if (DGifGetImageDesc(gif.get()) != GIF_OK) return std::nullopt;
        const GifImageDesc& desc = gif->Image;
        const int64_t frameW = desc.Width;
        const int64_t frameH = desc.Height;
        if (frameW < 1 || frameH < 1 || frameW * frameH > kMaxImagePixels) return std::nullopt;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map || !map->Colors) return std::nullopt;

        Bitmap out(screenW, screenH, 0);
        std::vector<GifPixelType> line(static_cast<size_t>(frameW));
        const auto storeRow = [&](int64_t row) {
            const int64_t y = desc.Top + row;
            if (y < 0 || y >= screenH) return;
            Colour* dst = out.row(static_cast<int32_t>(y));
            for (int64_t i = 0; i < frameW; ++i) {
                const int64_t x = desc.Left + i;
                if (x >= screenW) break;
                const int index = line[static_cast<size_t>(i)];
                if (index == transparent || index >= map->ColorCount) continue; // stays black
                const GifColorType& c = map->Colors[index];
                dst[x] = pixels::rgb(c.Red, c.Green, c.Blue);
            }
        };
        const auto readRow = [&](int64_t row) {
            if (DGifGetLine(gif.get(), line.data(), static_cast<int>(frameW)) != GIF_OK) return false;
            storeRow(row);
            return true;
        };
        if (desc.Interlace) {
            static constexpr std::array<int64_t, 4> kStart = {0, 4, 2, 1};
            static constexpr std::array<int64_t, 4> kStep = {8, 8, 4, 2};
            for (size_t pass = 0; pass < 4; ++pass)
                for (int64_t row = kStart[pass]; row < frameH; row += kStep[pass])
                    if (!readRow(row)) return std::nullopt;
        } else {
            for (int64_t row = 0; row < frameH; ++row)
                if (!readRow(row)) return std::nullopt;
        }
        return out;
    }
}

} // namespace platform
