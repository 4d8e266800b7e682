#include "runtime/picture/picture.hpp"

#include "platform/cp932.hpp"
#include "platform/dialog.hpp"
#include "platform/files.hpp"
#include "platform/image.hpp"
#include "platform/system.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <exception>
#include <new>
#include <span>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace picture {

namespace {

// Files larger than this are not read at all: no image within the size bounds needs more.
constexpr int64_t kMaxFileBytes = int64_t{512} * 1024 * 1024;

// How long one attempt to stop a scan waits for the thread to answer; four attempts in all.
constexpr auto kStopAttemptWait = std::chrono::seconds(1);
constexpr int kStopAttempts = 4;

// A scan without pause gives way to other threads this often.
constexpr int64_t kYieldIntervalNs = 1'000'000;

// Where a PNG file keeps its width and height (big-endian, 32 bits each): within its first bytes.
constexpr size_t kPngSizeOffset = 16;
constexpr size_t kHeadBytes = kPngSizeOffset + 8;

struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
};

uint32_t bigEndian32(const uint8_t* b, size_t at) {
    return uint32_t{b[at]} << 24 | uint32_t{b[at + 1]} << 16 | uint32_t{b[at + 2]} << 8 | uint32_t{b[at + 3]};
}

void showError(std::string_view utf8Text) {
    platform::showMessageBox(platform::cp932::fromUtf8(utf8Text), platform::cp932::fromUtf8("エラー"));
}

} // namespace

ImageFormat detectFormat(const uint8_t* firstBytes, size_t count) {
    const auto startsWith = [&](std::initializer_list<uint8_t> sig) {
        return count >= sig.size() && std::equal(sig.begin(), sig.end(), firstBytes);
    };
    if (startsWith({0x42, 0x4D})) return ImageFormat::Bmp;
    if (startsWith({0x47, 0x49, 0x46})) return ImageFormat::Gif;
    if (startsWith({0xFF, 0xD8})) return ImageFormat::Jpeg;
    if (startsWith({0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A})) return ImageFormat::Png;
    return ImageFormat::Unrecognised;
}

void ImageFile::clearImage() {
    bitmap_.reset();
    format_ = ImageFormat::Unrecognised;
    width_ = 0;
    height_ = 0;
}

int32_t ImageFile::openImage(std::string_view path) {
    // Only a regular file opens: a FIFO or device in its place is refused at once.
    const int fd = platform::files::openRegularFile(platform::nativePath(path));
    if (fd < 0) return 0;
    const FdCloser closer{fd};
    clearImage();
    uint8_t head[kHeadBytes];
    const size_t got = static_cast<size_t>(std::max(0L, platform::files::readFully(fd, head, sizeof head)));
    format_ = detectFormat(head, std::min<size_t>(got, 8));

    if (format_ == ImageFormat::Png) {
        // Only the size is known.
        if (got == kHeadBytes) {
            width_ = static_cast<int32_t>(bigEndian32(head, kPngSizeOffset));
            height_ = static_cast<int32_t>(bigEndian32(head, kPngSizeOffset + 4));
        }
        return 0;
    }
    struct stat st {};
    if (format_ == ImageFormat::Unrecognised || ::fstat(fd, &st) != 0 || st.st_size > kMaxFileBytes ||
        ::lseek(fd, 0, SEEK_SET) != 0)
        return 0;
    std::vector<uint8_t> bytes;
    bool more = false;
    if (!platform::files::readUpTo(fd, static_cast<size_t>(kMaxFileBytes), bytes, more) || more) return 0;
    const std::span<const uint8_t> data(bytes);
    std::optional<platform::pixels::Bitmap> decoded;
    switch (format_) {
    case ImageFormat::Bmp:
        decoded = platform::decodeBmp(data);
        break;
    case ImageFormat::Jpeg:
        decoded = platform::decodeJpeg(data);
        break;
    case ImageFormat::Gif:
        decoded = platform::decodeGif(data);
        break;
    default:
        break;
    }
    if (!decoded) return 0;
    width_ = decoded->width;
    height_ = decoded->height;
    bitmap_ = std::make_unique<platform::pixels::Bitmap>(std::move(*decoded));
    return 1;
}

Picture::~Picture() {
    stopScanThread();
}

int32_t Picture::loadPicture(std::string_view path) {
    int32_t result = 0;
    try {
        result = imageFile_.openImage(path);
    } catch (const std::bad_alloc&) {
        // Not enough memory for this image: a failed load like any other.
        imageFile_.clearImage();
        return 0;
    }
    if (result == 1) {
        std::unique_ptr<platform::pixels::Bitmap> newBitmap = imageFile_.takeBitmap();
        stopPixelInfo();
        replaceBitmap(std::move(newBitmap));
        try {
            startPixelScan(bitmap());
        } catch (const std::exception&) {
            // No memory (or thread) for the scan: the load fails, and the old image is gone already.
            stopPixelInfo();
            return 0;
        }
    }
    return result;
}

bool Picture::scanRunning() const {
    if (!scanThread_.joinable()) return false;
    std::lock_guard guard(lock_);
    return !scanFinished_;
}

void Picture::stopScanThread() {
    if (!scanThread_.joinable()) return;
    {
        std::lock_guard guard(lock_);
        stopRequested_ = true;
    }
    wake_.notify_all();
    bool stopped = false;
    for (int attempt = 0; attempt < kStopAttempts && !stopped; ++attempt) {
        std::unique_lock guard(lock_);
        stopped = wake_.wait_for(guard, kStopAttemptWait, [&] { return scanFinished_; });
    }
    if (!stopped) showError("前回のピクセル情報の取得スレッドの停止（破棄）に失敗。");
    // The table must outlive every access of the thread, so the join is not skipped even then.
    scanThread_.join();
}

void Picture::startPixelScan(const platform::pixels::Bitmap* source) {
    stopScanThread();
    if (scanDelay_ < 0) return;
    const int32_t w = width();
    const int32_t h = height();
    auto copy = std::make_unique<platform::pixels::Bitmap>(w, h, 0);
    if (!source) {
        showError("ピクセル情報の取得に失敗。与えられたHBITMAPが新規DCに結合できない。");
    } else {
        platform::pixels::blit(*copy, 0, 0, w, h, *source, 0, 0, kSrcCopy);
    }
    {
        // The table is about to be rewritten: it is not ready until this scan has finished.
        std::lock_guard guard(lock_);
        ready_ = 0;
        scanFinished_ = false;
        stopRequested_ = false;
    }
    pixelTable_.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    tableWidth_ = w;
    tableHeight_ = h;
    scanThread_ = std::thread(&Picture::scanRows, this, std::move(copy), pixelTable_.data(), scanDelay_);
}

void Picture::scanRows(std::unique_ptr<platform::pixels::Bitmap> copy, platform::pixels::Colour* table,
                       int32_t delay) {
    const int32_t w = copy->width;
    const int32_t h = copy->height;
    bool stopped = false;
    int64_t lastYield = platform::monotonicNs();
    for (int32_t y = 0; y < h && !stopped; ++y) {
        std::memcpy(table + static_cast<size_t>(y) * static_cast<size_t>(w), copy->row(y),
                    static_cast<size_t>(w) * sizeof(platform::pixels::Colour));
        if (delay <= 0) {
            // No pause: the scan gives way to other threads, but at most once a millisecond. A
            // yield after every row would hand a busy processor's whole time slice away per row,
            // and the program, waiting for a sprite's table, would wait seconds for microseconds.
            const int64_t now = platform::monotonicNs();
            if (now - lastYield >= kYieldIntervalNs) {
                std::this_thread::yield();
                lastYield = now;
            }
        } else {
            // The pause ends on the system tick, like every sleep of the programs, or at once when
            // a stop is requested.
            const int64_t wake =
                platform::tickBoundaryAtOrAfter(platform::monotonicNs() + int64_t{delay} * 1'000'000);
            const std::chrono::steady_clock::time_point deadline{std::chrono::nanoseconds(wake)};
            std::unique_lock guard(lock_);
            wake_.wait_until(guard, deadline, [&] { return stopRequested_.load(); });
        }
        stopped = stopRequested_.load();
    }
    copy.reset();
    {
        std::lock_guard guard(lock_);
        if (!stopRequested_) ready_ = 1;
        scanFinished_ = true;
    }
    wake_.notify_all();
}

void Picture::stopPixelInfo() {
    {
        std::lock_guard guard(lock_);
        ready_ = 0;
    }
    stopScanThread();
    pixelTable_ = {};
    tableWidth_ = 0;
    tableHeight_ = 0;
    deleteBitmap();
}

int32_t Picture::waitPixelInfo() const {
    std::unique_lock guard(lock_);
    wake_.wait(guard, [&] { return scanFinished_; });
    return ready_;
}

platform::pixels::Colour Picture::pixelAt(int32_t x, int32_t y) const {
    {
        std::lock_guard guard(lock_);
        if (ready_ != 1) return 0;
    }
    // The table was made for the bitmap scanned; a capture since may have changed the bitmap's
    // size, so both bounds hold.
    if (x < 0 || y < 0 || x >= width() || y >= height() || x >= tableWidth_ || y >= tableHeight_) return 0;
    return pixelTable_[static_cast<size_t>(y) * static_cast<size_t>(tableWidth_) + static_cast<size_t>(x)];
}

int32_t Picture::setScanDelay(int32_t ms) {
    if (scanRunning()) return 0;
    scanDelay_ = ms;
    return 1;
}

} // namespace picture
