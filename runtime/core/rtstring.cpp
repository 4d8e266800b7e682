#include "runtime/core/rtstring.hpp"

#include "platform/cp932.hpp"
#include "platform/system.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>

namespace rt {

namespace {

constexpr size_t kHeaderBytes = 4;

// The registry: every live string in order of allocation. Removal closes the gap, so the order
// stays the order of allocation.
struct StringRegistry {
    std::mutex lock;
    std::vector<char*> items;
};

StringRegistry& registry() {
    // Never destroyed: strings may still be freed while static destructors run.
    static StringRegistry* r = new StringRegistry;
    return *r;
}

char* blockOf(const char* s) {
    return const_cast<char*>(s) - kHeaderBytes;
}

} // namespace

[[noreturn]] void rtHeapExhausted(size_t bytes) {
    std::fprintf(stderr, "out of memory: a block of %zu bytes could not be allocated; the program stops.\n",
                 bytes);
    platform::exitProcess(kExitHeapExhausted);
}

RtString rtStrAlloc(int32_t n) {
    // A negative length has no meaning; it becomes an empty string rather than a wild block.
    const size_t len = n > 0 ? static_cast<size_t>(n) : 0;
    const size_t bytes = len + kHeaderBytes + 1;
    char* block = static_cast<char*>(std::calloc(bytes, 1));
    if (!block) rtHeapExhausted(bytes);
    const int32_t stored = static_cast<int32_t>(len);
    std::memcpy(block, &stored, sizeof stored);
    char* p = block + kHeaderBytes;
    StringRegistry& r = registry();
    {
        std::lock_guard guard(r.lock);
        try {
            r.items.push_back(p);
        } catch (const std::bad_alloc&) {
            rtHeapExhausted((r.items.size() + 1) * sizeof(char*));
        }
    }
    return p;
}

void rtStrFree(RtString p) {
    if (!p) return;
    StringRegistry& r = registry();
    {
        std::lock_guard guard(r.lock);
        auto it = std::find(r.items.begin(), r.items.end(), p);
        if (it != r.items.end()) {
            r.items.erase(it);
            std::free(blockOf(p));
            return;
        }
    }
    // Not ours (freed twice, a literal, a stray pointer): report it and leave the memory alone.
    static const std::string message =
        platform::cp932::fromUtf8("未知の文字列が解放されようとしました。\r\n");
    platform::debugOutput(message);
}

int32_t rtStrLen(const char* s) {
    if (!s) return 0;
    int32_t n;
    std::memcpy(&n, blockOf(s), sizeof n);
    return n;
}

RtString rtStrFromBytes(std::string_view bytes) {
    if (bytes.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max() - 8))
        rtHeapExhausted(bytes.size());
    RtString s = rtStrAlloc(static_cast<int32_t>(bytes.size()));
    if (!bytes.empty()) std::memcpy(s, bytes.data(), bytes.size());
    return s;
}

RtString rtStrFromCString(const char* s) {
    return rtStrFromBytes(s ? std::string_view(s) : std::string_view());
}

RtString rtStrLiteral(std::string_view utf8) {
    const std::string cp932 = platform::cp932::fromUtf8(utf8);
    // The literal is copied up to its first zero byte, as a C string would be.
    return rtStrFromCString(cp932.c_str());
}

RtString rtStrCopy(const char* s) {
    if (!s) return rtStrAlloc(0);
    return rtStrFromBytes(std::string_view(s, static_cast<size_t>(rtStrLen(s))));
}

RtString rtStrConcat(RtString left, RtString right) {
    const int64_t ln = rtStrLen(left), rn = rtStrLen(right);
    if (ln + rn > std::numeric_limits<int32_t>::max() - 8) rtHeapExhausted(static_cast<size_t>(ln + rn));
    RtString s = rtStrAlloc(static_cast<int32_t>(ln + rn));
    if (ln) std::memcpy(s, left, static_cast<size_t>(ln));
    if (rn) std::memcpy(s + ln, right, static_cast<size_t>(rn));
    rtStrFree(left);
    rtStrFree(right);
    return s;
}

int32_t rtStrAsc(RtString s) {
    // An empty string reads its terminator: 0.
    const int32_t v = s ? static_cast<unsigned char>(s[0]) : 0;
    rtStrFree(s);
    return v;
}

RtString rtStrChr(int32_t byte) {
    RtString s = rtStrAlloc(1);
    s[0] = static_cast<char>(byte & 0xFF);
    return s;
}

int32_t rtStrCompare(RtString left, RtString right) {
    // Byte-wise over the CP932 bytes (unsigned), embedded zeros included; a proper prefix is less.
    const int32_t ln = rtStrLen(left), rn = rtStrLen(right);
    const int32_t common = std::min(ln, rn);
    int c = common > 0 ? std::memcmp(left, right, static_cast<size_t>(common)) : 0;
    if (c == 0) c = ln < rn ? -1 : ln > rn ? 1 : 0;
    rtStrFree(left);
    rtStrFree(right);
    return c < 0 ? 1 : c > 0 ? 3 : 2;
}

RtString rtStrLeft(RtString s, int32_t n) {
    const int32_t len = rtStrLen(s);
    const int32_t count = std::clamp(n, 0, len);
    RtString r = rtStrAlloc(count);
    if (count) std::memcpy(r, s, static_cast<size_t>(count));
    rtStrFree(s);
    return r;
}

std::string_view rtStrView(const char* s) {
    return s ? std::string_view(s, static_cast<size_t>(rtStrLen(s))) : std::string_view();
}

int32_t rtStrRegistryCount() {
    StringRegistry& r = registry();
    std::lock_guard guard(r.lock);
    return static_cast<int32_t>(r.items.size());
}

std::vector<const char*> rtStrRegistrySnapshot() {
    StringRegistry& r = registry();
    std::lock_guard guard(r.lock);
    return {r.items.begin(), r.items.end()};
}

} // namespace rt
