#pragma once
// What the save tests share: maps made in memory, a folder holding an old map, the system's file
// operations with some replaced, and a child process to drop privileges or set limits in.
#include "mapfile/fileops.hpp"
#include "mapfile/mapfile.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace mapfile_test {

inline mapfile::EditorMap mapWithRows(int rows, mapfile::MapCell base) {
    mapfile::EditorMap map;
    map.lastRow = static_cast<int16_t>(rows - 1);
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < mapfile::kEditorColumns; ++column)
            map.at(column, row) = static_cast<mapfile::MapCell>(base + row * 32 + column);
    return map;
}

inline std::set<std::string> folderEntries(const std::filesystem::path& dir) {
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

// A folder holding an old map that a failed save must leave exactly as it was.
struct OldMap {
    testing_support::TempDir dir;
    std::string path = (dir / "AREA1.csv").string();
    std::string bytes = mapfile::formatMapText(mapWithRows(3, 100));
    OldMap() { testing_support::writeFile(path, bytes); }
    void expectUntouched(const std::string& what) const {
        EXPECT_EQ(testing_support::readFile(path), bytes) << what << ": the old map changed";
        EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"AREA1.csv"})
            << what << ": files left behind";
    }
};

// The system's operations with some of them replaced.
inline mapfile::FileOps withOps(ssize_t (*write)(int, const void*, size_t) = nullptr,
                                int (*fsync)(int) = nullptr, int (*close)(int) = nullptr,
                                int (*rename)(const char*, const char*) = nullptr,
                                int (*flock)(int, int) = nullptr) {
    mapfile::FileOps ops = mapfile::systemFileOps();
    if (write) ops.write = write;
    if (fsync) ops.fsync = fsync;
    if (close) ops.close = close;
    if (rename) ops.rename = rename;
    if (flock) ops.flock = flock;
    return ops;
}

// A rename that fails with the given error, as a file system or a mount would make it.
template <int Err> int renameFails(const char*, const char*) {
    errno = Err;
    return -1;
}

// Runs fn in a child process and returns its exit code (or 128 + signal).
template <class Fn> int inChild(Fn fn) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(fn());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace mapfile_test
