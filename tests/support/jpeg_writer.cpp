#include "tests/support/jpeg_writer.hpp"

#include <memory>
#include <turbojpeg.h>

namespace testing_support {

namespace {
struct TjCloser {
    void operator()(void* handle) const { tjDestroy(handle); }
};
} // namespace

std::vector<uint8_t> encodeJpeg(const platform::pixels::Bitmap& bitmap, int quality) {
    if (bitmap.empty()) return {};
    const std::unique_ptr<void, TjCloser> handle(tjInitCompress());
    if (!handle) return {};
    unsigned char* out = nullptr;
    unsigned long size = 0;
    // RGBX in memory is the byte order of a 0x00BBGGRR value on this little-endian machine.
    const auto* src = reinterpret_cast<const unsigned char*>(bitmap.pixels.data());
    if (tjCompress2(handle.get(), src, bitmap.width, bitmap.width * 4, bitmap.height, TJPF_RGBX, &out, &size,
                    TJSAMP_444, quality, 0) != 0) {
        tjFree(out);
        return {};
    }
    std::vector<uint8_t> bytes(out, out + size);
    tjFree(out);
    return bytes;
}

} // namespace testing_support
