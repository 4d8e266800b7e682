#include "platform/cp932.hpp"

#include <cerrno>
#include <iconv.h>

namespace platform::cp932 {

namespace {

// One conversion descriptor per thread and direction: iconv descriptors are not shareable.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (valid()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as possible; on an invalid sequence writes `replacement` and skips
    // `skip` input bytes (one byte, or two where a lead byte starts the bad sequence).
    std::string run(std::string_view in, std::string_view replacement, bool cp932Input) {
        std::string out;
        if (!valid()) return out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = in.size();
        char buffer[256];
        while (srcLeft > 0) {
            char* dst = buffer;
            size_t dstLeft = sizeof buffer;
            size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (r == static_cast<size_t>(-1)) {
                if (errno == E2BIG) continue;
                out.append(replacement);
                size_t skip = 1;
                if (cp932Input) {
                    if (isLeadByte(static_cast<uint8_t>(*src)) && srcLeft >= 2) skip = 2;
                } else {
                    // Skip one whole UTF-8 character.
                    auto lead = static_cast<uint8_t>(*src);
                    skip = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
                    if (skip > srcLeft) skip = srcLeft;
                }
                src += skip;
                srcLeft -= skip;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            }
        }
        char* dst = buffer;
        size_t dstLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        return out;
    }

private:
    iconv_t cd_;
};

} // namespace

std::string toUtf8(std::string_view cp932) {
    thread_local Converter conv("UTF-8", "CP932");
    return conv.run(cp932, "\xEF\xBF\xBD", true);
}

std::string fromUtf8(std::string_view utf8) {
    thread_local Converter conv("CP932", "UTF-8");
    return conv.run(utf8, "?", false);
}

char32_t decodeChar(std::string_view bytes) {
    thread_local Converter conv("UTF-32LE", "CP932");
    if (bytes.empty()) return 0xFFFD;
    std::string u = conv.run(bytes, std::string("\xFD\xFF\0\0", 4), true);
    if (u.size() != 4) return 0xFFFD;
    return static_cast<char32_t>(static_cast<uint8_t>(u[0]) | static_cast<uint8_t>(u[1]) << 8 |
                                 static_cast<uint8_t>(u[2]) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(u[3])) << 24);
}

} // namespace platform::cp932
