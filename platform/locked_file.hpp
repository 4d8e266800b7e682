#pragma once
// A file that one process at a time works on: opened (made if missing, never through a symbolic
// link) and locked while it is held, so that a second process finds it busy and goes elsewhere.
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

class LockedFile {
  public:
    enum class Opened { Ok, Busy, Failed };
    // Opens and locks path. Busy: another process holds it. Failed: why says why (UTF-8).
    static Opened open(const std::string& path, LockedFile& out, std::string& why);

    LockedFile() = default;
    LockedFile(LockedFile&& other) noexcept;
    LockedFile& operator=(LockedFile&& other) noexcept;
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    ~LockedFile();

    bool isOpen() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    // The whole file, when it holds at most cap bytes.
    bool readAll(std::string& out, size_t cap, std::string& why);
    // The file becomes its first `offset` bytes followed by data, flushed to disk. On failure the
    // file is cut back to its first `offset` bytes (what a short write left is not kept).
    bool writeFrom(uint64_t offset, std::string_view data, std::string& why);
    // Removes the file's name, then lets go of it.
    void remove();
    void close();

  private:
    int fd_ = -1;
    std::string path_;
};

} // namespace platform
