#pragma once
// Picture: a Surface that loads image files (BMP, JPEG, GIF; the format is told by the first
// bytes, never by the name) and keeps a table of all its pixel colours, filled by a scan thread
// after every load.
#include "runtime/picture/surface.hpp"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

namespace picture {

enum class ImageFormat : int32_t { Unrecognised = 0, Bmp = 1, Jpeg = 2, Gif = 3, Png = 4 };

// The format told by the first bytes, in the order BMP, GIF, JPEG, PNG (the first match wins).
ImageFormat detectFormat(const uint8_t* firstBytes, size_t count);

// The loader: opens a file and describes it. After a successful open it holds the decoded bitmap
// until the Picture takes it over; afterwards it only describes it (size and format).
class ImageFile {
  public:
    // 1 on success. A file that cannot be opened leaves everything as it was; otherwise the old
    // image is cleared first. A PNG file answers 0 but leaves its size in width and height.
    int32_t openImage(std::string_view path);
    // The decoded bitmap not yet taken over, or null.
    platform::pixels::Bitmap* imageBitmap() const { return bitmap_.get(); }
    std::unique_ptr<platform::pixels::Bitmap> takeBitmap() { return std::move(bitmap_); }
    void clearImage();

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    ImageFormat format() const { return format_; }

  private:
    int32_t width_ = 0;
    int32_t height_ = 0;
    ImageFormat format_ = ImageFormat::Unrecognised;
    std::unique_ptr<platform::pixels::Bitmap> bitmap_;
};

class Picture : public Surface {
  public:
    Picture() = default;
    ~Picture() override; // stops and joins a running scan before anything is freed

    // 1 on success: the new image replaces the old one and a pixel scan starts (unless the scan
    // delay is negative). 0 on failure: bitmap, table and ready flag stay as they were.
    int32_t loadPicture(std::string_view path);

    // Starts a scan of a private copy of `source` (width() x height() pixels) into the pixel table,
    // stopping a running one first. Nothing when the scan delay is negative. A null source shows
    // the "エラー" message and scans an empty (black) copy.
    void startPixelScan(const platform::pixels::Bitmap* source);
    // Clears ready, stops a running scan (returns only when the thread no longer touches the
    // table), frees the table and releases the bitmap.
    void stopPixelInfo();
    // Waits until a running scan has ended (woken by its completion, not by polling), then answers
    // 1 when the table is complete for the current bitmap. Returns at once when no scan runs, so
    // it never waits for a table that will not come (scanning off, or the scan stopped).
    int32_t waitPixelInfo() const;
    // The table's colour at (x, y); 0 when not ready or outside the bitmap.
    platform::pixels::Colour pixelAt(int32_t x, int32_t y) const;
    // Milliseconds to pause after each scanned row (negative: no scans). 1 when set, 0 while a scan
    // is running (the value is then left as it was).
    int32_t setScanDelay(int32_t ms);
    int32_t scanDelay() const { return scanDelay_; }

    const ImageFile& imageFile() const { return imageFile_; }

  private:
    void stopScanThread();
    bool scanRunning() const;
    void scanRows(std::unique_ptr<platform::pixels::Bitmap> copy, platform::pixels::Colour* table,
                  int32_t delay);

    ImageFile imageFile_;
    int32_t scanDelay_ = 0;
    std::vector<platform::pixels::Colour> pixelTable_;
    int32_t tableWidth_ = 0;
    int32_t tableHeight_ = 0;
    // lock_ guards ready_ and scanFinished_; the scan thread sleeps on wake_ so that a stop request
    // ends its pause at once.
    mutable std::mutex lock_;
    mutable std::condition_variable wake_;
    int32_t ready_ = 0;
    bool scanFinished_ = true;
    std::atomic<bool> stopRequested_{false};
    std::thread scanThread_;
};

} // namespace picture
