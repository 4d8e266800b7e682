#pragma once
// The file operations a save goes through. They are the plain system calls; tests put failing ones
// in their place to show that a failed save leaves the old map intact.
#include <cstddef>
#include <sys/types.h>

namespace mapfile {

struct FileOps {
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*flock)(int fd, int operation);
};

const FileOps& systemFileOps();
const FileOps& fileOps();
// Replaces the operations until the next call; call with systemFileOps() to restore them.
void setFileOps(const FileOps& ops);

// Restores the system operations when it goes.
class ScopedFileOps {
  public:
    explicit ScopedFileOps(const FileOps& ops) { setFileOps(ops); }
    ~ScopedFileOps() { setFileOps(systemFileOps()); }
    ScopedFileOps(const ScopedFileOps&) = delete;
    ScopedFileOps& operator=(const ScopedFileOps&) = delete;
};

} // namespace mapfile
