#include "save_fixture.hpp"

#include "runtime/core/process.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using namespace mapfile;
using namespace mapfile_test;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

int writeCalls = 0;
ssize_t writeFailsNoSpace(int, const void*, size_t) {
    errno = ENOSPC;
    return -1;
}
ssize_t writeHalfThenNoSpace(int fd, const void* data, size_t size) {
    if (writeCalls++ == 0) return ::write(fd, data, size / 2);
    errno = ENOSPC;
    return -1;
}
ssize_t writeReturnsZero(int, const void*, size_t) {
    return 0;
}
int fsyncFailsIo(int) {
    errno = EIO;
    return -1;
}
int closeFailsIo(int fd) {
    ::close(fd);
    errno = EIO;
    return -1;
}
int fsyncFailsOnFolders(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EIO;
        return -1;
    }
    return ::fsync(fd);
}

int flockNeverGranted(int, int) {
    errno = EWOULDBLOCK;
    return -1;
}

TEST(MapSave, InjectedFailuresLeaveTheOldMapUntouched) {
    struct Row {
        const char* name;
        FileOps ops;
        const char* reasonPart;
    } rows[] = {
        {"write fails", withOps(writeFailsNoSpace), "No space left on device"},
        {"write stops half way", withOps(writeHalfThenNoSpace), "No space left on device"},
        {"write makes no progress", withOps(writeReturnsZero), "No space left on device"},
        {"fsync fails", withOps(nullptr, fsyncFailsIo), "Input/output error"},
        {"close fails", withOps(nullptr, nullptr, closeFailsIo), "Input/output error"},
        {"rename fails", withOps(nullptr, nullptr, nullptr, renameFails<EIO>), "Input/output error"},
        // A lock a stuck file server never grants fails the save after a short wait.
        {"the lock is never granted", withOps(nullptr, nullptr, nullptr, nullptr, flockNeverGranted),
         "within 2 s: Resource temporarily unavailable"},
    };
    for (const Row& r : rows) {
        OldMap old;
        writeCalls = 0;
        WriteResult result;
        {
            ScopedFileOps faults(r.ops);
            result = writeMapFile(mapWithRows(200, 7), {}, old.path);
        }
        EXPECT_FALSE(result.ok) << r.name << ": a failed save reported success";
        EXPECT_NE(result.reason.find(r.reasonPart), std::string::npos)
            << r.name << ": reason \"" << result.reason << "\"";
        EXPECT_NE(result.reason.find("AREA1.csv was left as it was"), std::string::npos) << result.reason;
        old.expectUntouched(r.name);

        // The real operations are back: the next save goes through.
        EXPECT_TRUE(writeMapFile(mapWithRows(200, 7), {}, old.path).ok) << r.name;
        EXPECT_EQ(readFile(old.path), formatMapText(mapWithRows(200, 7))) << r.name;
    }
}

TEST(MapSave, AFolderThatCannotBeFlushedIsReportedAfterTheReplace) {
    OldMap old;
    WriteResult result;
    {
        ScopedFileOps faults(withOps(nullptr, fsyncFailsOnFolders));
        result = writeMapFile(mapWithRows(2, 1), {}, old.path);
    }
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.reason.find("was replaced"), std::string::npos) << result.reason;
    EXPECT_EQ(readFile(old.path), formatMapText(mapWithRows(2, 1)));
}

TEST(MapSave, AFileSizeLimitLeavesTheOldMapUntouched) {
    OldMap old;
    const int code = inChild([&] {
        rt::rtRuntimeInit(); // as each program starts: a write over the limit is an error, not a signal
        rlimit limit{};
        limit.rlim_cur = limit.rlim_max = 4096;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
        const WriteResult r = writeMapFile(mapWithRows(500, 9), {}, old.path);
        if (r.ok) return 1;
        return r.reason.find("File too large") != std::string::npos ? 0 : 2;
    });
    EXPECT_EQ(code, 0) << "1: reported success, 2: the reason does not name the cause, 3: no limit";
    old.expectUntouched("file size limit");
}

TEST(MapSave, AnUnwritableFolderLeavesTheOldMapUntouched) {
    OldMap old;
    if (::geteuid() == 0) {
        // As root every folder is writable: drop to nobody in a child, in a root-owned 0755 folder.
        fs::permissions(old.dir.path(), fs::perms(0755));
        fs::permissions(old.path, fs::perms(0644));
        const int code = inChild([&] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) return 3;
            if (::access(old.dir.path().c_str(), W_OK) == 0) return 4;
            const WriteResult r = writeMapFile(mapWithRows(5, 1), {}, old.path);
            if (r.ok) return 1;
            return r.reason.find("Permission denied") != std::string::npos ? 0 : 2;
        });
        EXPECT_EQ(code, 0) << "1: reported success, 2: the reason does not name the cause, 3: privileges "
                              "not dropped, 4: folder still writable";
    } else {
        fs::permissions(old.dir.path(), fs::perms(0555));
        if (::access(old.dir.path().c_str(), W_OK) == 0) {
            fs::permissions(old.dir.path(), fs::perms(0755));
            GTEST_SKIP() << "this user can write into a read-only folder";
        }
        const WriteResult r = writeMapFile(mapWithRows(5, 1), {}, old.path);
        fs::permissions(old.dir.path(), fs::perms(0755));
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.reason.find("Permission denied"), std::string::npos) << r.reason;
    }
    old.expectUntouched("unwritable folder");
}

TEST(MapSave, KeepsPermissionsAndLinks) {
    {
        OldMap old;
        fs::permissions(old.path, fs::perms(0640));
        ASSERT_TRUE(writeMapFile(mapWithRows(2, 0), {}, old.path).ok);
        EXPECT_EQ(static_cast<int>(fs::status(old.path).permissions()), 0640);
    }
    {
        TempDir dir;
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ASSERT_TRUE(writeMapFile(mapWithRows(2, 0), {}, (dir / "AREA1.csv").string()).ok);
        EXPECT_EQ(static_cast<mode_t>(fs::status(dir / "AREA1.csv").permissions()), 0666 & ~mask)
            << "a new map gets the permissions of any new file";
    }
}

TEST(MapSave, LinksStayLinksAlsoWhenTheirTargetIsNotThereYet) {
    for (const std::string kind : {"to a file", "dangling", "loop"}) {
        TempDir dir;
        const bool loop = kind == "loop";
        fs::create_symlink(loop ? "b.csv" : "real.csv", dir / "AREA1.csv");
        if (loop) fs::create_symlink("AREA1.csv", dir / "b.csv");
        if (kind == "to a file") writeFile(dir / "real.csv", "old");
        const WriteResult result = writeMapFile(mapWithRows(2, 0), {}, (dir / "AREA1.csv").string());
        EXPECT_TRUE(fs::is_symlink(dir / "AREA1.csv")) << kind << ": the link was replaced by a file";
        EXPECT_EQ(result.ok, !loop) << kind << ": " << result.reason;
        if (!loop) {
            EXPECT_EQ(readFile(dir / "real.csv"), formatMapText(mapWithRows(2, 0))) << kind;
        }
    }
}

// Where writing the old file in place would fail, or what a read could not take in cannot be kept,
// the save fails and leaves the file alone. Run as an ordinary user (as root, as nobody).
TEST(MapSave, AMapThatMustNotBeReplacedIsLeftAsItWas) {
    struct Row {
        const char* name;
        void (*setup)(const std::string& path);
        const char* reasonPart;
    } rows[] = {
        {"read-only map", [](const std::string& p) { fs::permissions(p, fs::perms(0444)); },
         "Permission denied"},
        {"unreadable map", [](const std::string& p) { fs::permissions(p, fs::perms(0200)); },
         "Permission denied"},
        {"a FIFO as the map", [](const std::string& p) { fs::remove(p), ::mkfifo(p.c_str(), 0666); },
         "not a regular file"},
    };
    for (const Row& r : rows) {
        OldMap old;
        r.setup(old.path);
        const bool root = ::geteuid() == 0;
        if (root) {
            for (const std::string& p : {old.dir.path().string(), old.path})
                ASSERT_EQ(::lchown(p.c_str(), 65534, 65534), 0);
        }
        const int code = inChild([&] {
            if (root && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                return 3;
            EditorMap read, map = mapWithRows(5, 1);
            readMapFile(read, old.path);
            map.stop = read.stop; // what the read could not take in goes into the save
            map.origin = read.origin;
            const WriteResult w = writeMapFile(map, {}, old.path);
            if (w.ok) return 1;
            return w.reason.find(r.reasonPart) != std::string::npos ? 0 : 2;
        });
        EXPECT_EQ(code, 0)
            << r.name
            << ": 1 reported success, 2 the reason does not name the cause, 3 privileges not dropped";
        struct stat st {};
        ASSERT_EQ(::lstat(old.path.c_str(), &st), 0) << r.name;
        if (S_ISREG(st.st_mode)) {
            EXPECT_EQ(readFile(old.path), old.bytes) << r.name << ": the old map changed";
        } else {
            EXPECT_TRUE(S_ISFIFO(st.st_mode)) << r.name << ": the FIFO was replaced";
        }
        EXPECT_EQ(folderEntries(old.dir.path()), std::set<std::string>{"AREA1.csv"})
            << r.name << ": files left behind";
    }
}

TEST(MapSave, ReportsEachRowOnceAndUsesTheCurrentFolderByDefault) {
    TempDir dir;
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    std::vector<int> rows;
    const WriteResult result = writeMapFile(mapWithRows(4, 3), [&](int16_t row) { rows.push_back(row); });
    EditorMap back;
    const ReadStatus status = readMapFile(back);
    fs::current_path(before);
    EXPECT_TRUE(result.ok) << result.reason;
    EXPECT_TRUE(result.reason.empty());
    EXPECT_EQ(rows, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(status, ReadStatus::Complete);
    EXPECT_EQ(back.cells, mapWithRows(4, 3).cells);
    EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"AREA1.csv"});
}

TEST(MapSave, TemporaryNames) {
    struct Row {
        const char* name;
        bool matches;
    } rows[] = {
        {".AREA1.csv.saving-abc123XYZ789", true},
        {".AREA1.csv.saving-abc123XYZ78", false},
        {".AREA1.csv.saving-abc123XYZ7890", false},
        {".AREA1.csv.saving-abc123XYZ_89", false},
        {"AREA1.csv.saving-abc123XYZ789", false},
        {"AREA1.csv.save-backup", false},
        {"AREA1.csv.save-abc123", false},
        {".other.csv.saving-abc123XYZ789", false},
        {".AREA1.csv", false},
        {".AREA1.csvXsaving-abc123XYZ789", false},
    };
    for (const Row& r : rows) EXPECT_EQ(isSaveTemporaryName(r.name, "AREA1.csv"), r.matches) << r.name;
}

// At start the editor clears away what an interrupted save left; a save still running holds its
// temporary locked, and whatever else lies beside the map is the user's.
TEST(MapSave, OnlyStaleTemporariesAreRemoved) {
    TempDir dir;
    const std::string stale = ".AREA1.csv.saving-abc123XYZ789", held = ".AREA1.csv.saving-Held00000000";
    for (const std::string& name :
         {std::string("AREA1.csv"), stale, held, std::string("AREA1.csv.save-backup"),
          std::string("AREA1.csv.save-abc123"), std::string(".other.csv.saving-abc123XYZ789")})
        writeFile(dir / name, "x");
    fs::create_directory(dir / ".AREA1.csv.saving-Folder000000");
    const int holder = ::open((dir / held).c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    EXPECT_EQ(removeStaleSaveFiles((dir / "AREA1.csv").string()), 1);
    ::close(holder);
    EXPECT_EQ(folderEntries(dir.path()),
              (std::set<std::string>{"AREA1.csv", held, "AREA1.csv.save-backup", "AREA1.csv.save-abc123",
                                     ".other.csv.saving-abc123XYZ789", ".AREA1.csv.saving-Folder000000"}));
    EXPECT_EQ(removeStaleSaveFiles((dir / "missing" / "AREA1.csv").string()), 0);
}

} // namespace
