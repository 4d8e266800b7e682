// Image decoding on arbitrary bytes: every decoder either refuses or yields a bitmap of a size
// within the bounds whose pixels keep their high byte 0.
#include "platform/image.hpp"

#include <cstddef>
#include <cstdint>
#include <span>

namespace {

void check(const std::optional<platform::pixels::Bitmap>& decoded) {
    if (!decoded) return;
    const platform::pixels::Bitmap& b = *decoded;
    if (!platform::imageSizeAllowed(b.width, b.height)) __builtin_trap();
    if (b.pixels.size() != static_cast<size_t>(b.width) * static_cast<size_t>(b.height)) __builtin_trap();
    for (platform::pixels::Colour c : b.pixels)
        if (c >> 24) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    check(platform::decodeBmp(file));
    check(platform::decodeJpeg(file));
    check(platform::decodeGif(file));
    return 0;
}
