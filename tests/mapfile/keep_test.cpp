// Nothing of anybody's map is lost: a map changed on disk while the editor had it open keeps its
// other version, a map that cannot be replaced by a rename is rewritten in place with a copy first,
// and a shared map keeps its group and attributes.
#include "save_fixture.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace mapfile;
using namespace mapfile_test;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

// Whether name is base.tag-YYYYMMDD-HHMMSS, possibly followed by -N.
bool isNewNamed(const std::string& name, const std::string& base, const std::string& tag) {
    const std::string prefix = base + "." + tag + "-";
    if (name.rfind(prefix, 0) != 0) return false;
    const std::string stamp = name.substr(prefix.size());
    const auto digits = [](const std::string& s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (stamp.size() < 15 || stamp[8] != '-' || !digits(stamp.substr(0, 8)) || !digits(stamp.substr(9, 6)))
        return false;
    return stamp.size() == 15 || (stamp[15] == '-' && digits(stamp.substr(16)));
}

// The file in dir whose name is base + tag and a time stamp, or "" when there is none.
std::string newNamed(const fs::path& dir, const std::string& base, const std::string& tag) {
    for (const auto& e : fs::directory_iterator(dir))
        if (isNewNamed(e.path().filename().string(), base, tag)) return e.path().filename().string();
    return {};
}

TEST(MapSave, AMapChangedOnDiskKeepsBothVersions) {
    const std::string a = formatMapText(mapWithRows(3, 100)), b = formatMapText(mapWithRows(4, 7));
    const std::string partRows = formatMapText(mapWithRows(2, 1)), partRest = "1,2\n3,4\r\n\0tail";
    struct Case {
        const char* name;
        std::string initial; // what the editor reads; no file when it is "missing"
        // Changes the folder meanwhile; returns the version on disk that must be kept ("" none).
        std::function<std::string(const fs::path& dir)> change;
        bool link = false; // AREA1.csv links to a.csv
    } cases[] = {
        {"unchanged", a, [](const fs::path&) { return std::string(); }},
        {"replaced by a rename (a text editor's save)", a,
         [&](const fs::path& d) {
             writeFile(d / "other.tmp", b);
             fs::rename(d / "other.tmp", d / "AREA1.csv");
             return b;
         }},
        {"rewritten in place, longer (a copy put over it)", a,
         [&](const fs::path& d) {
             writeFile(d / "AREA1.csv", b);
             return b;
         }},
        {"rewritten in place, same size", a,
         [&](const fs::path& d) {
             std::string same = a;
             same[0] = '9';
             writeFile(d / "AREA1.csv", same);
             return same;
         }},
        {"a second editor saved first", a,
         [&](const fs::path& d) {
             EditorMap second;
             readMapFile(second, (d / "AREA1.csv").string());
             second.at(5, 1) = 5;
             EXPECT_TRUE(writeMapFile(second, {}, (d / "AREA1.csv").string()).ok);
             return readFile(d / "AREA1.csv");
         }},
        {"the link pointed elsewhere", a,
         [&](const fs::path& d) {
             writeFile(d / "b.csv", b);
             fs::remove(d / "AREA1.csv");
             fs::create_symlink("b.csv", d / "AREA1.csv");
             return b;
         },
         true},
        {"a map appeared", "missing",
         [&](const fs::path& d) {
             writeFile(d / "AREA1.csv", b);
             return b;
         }},
        {"the map was removed", a,
         [](const fs::path& d) {
             fs::remove(d / "AREA1.csv");
             return std::string();
         }},
        {"partly read, then rewritten shorter", partRows + partRest,
         [&](const fs::path& d) {
             writeFile(d / "AREA1.csv", "5,5\r\n");
             return std::string("5,5\r\n");
         }},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = (dir / "AREA1.csv").string();
        if (c.link) {
            writeFile(dir / "a.csv", c.initial);
            fs::create_symlink("a.csv", path);
        } else if (c.initial != "missing") {
            writeFile(path, c.initial);
        }
        EditorMap map;
        readMapFile(map, path);
        map.at(0, 0) = 42;
        const std::string expected = formatMapText(map) + std::string(map.rest());
        const std::string other = c.change(dir.path());
        const std::set<std::string> before = folderEntries(dir.path());

        const WriteResult result = writeMapFile(map, {}, path);
        EXPECT_TRUE(result.ok) << c.name << ": " << result.reason;
        EXPECT_EQ(readFile(path), expected) << c.name << ": the edited map";
        const std::string target = c.link ? "b.csv" : "AREA1.csv";
        const std::string kept = newNamed(dir.path(), target, "changed");
        std::set<std::string> after = before;
        if (!other.empty()) {
            ASSERT_FALSE(kept.empty()) << c.name << ": the other version was not kept";
            EXPECT_EQ(result.keptChanged, (dir / kept).string()) << c.name;
            EXPECT_EQ(readFile(dir / kept), other) << c.name << ": the kept version";
            after.insert(kept);
        } else {
            EXPECT_EQ(result.keptChanged, "") << c.name;
        }
        after.insert("AREA1.csv");
        EXPECT_EQ(folderEntries(dir.path()), after) << c.name << ": files made or lost";
        if (c.link) {
            EXPECT_TRUE(fs::is_symlink(path)) << c.name;
            EXPECT_EQ(readFile(dir / "a.csv"), a) << c.name << ": the link's old target";
        }
    }
}

TEST(MapSave, AKeptVersionNeverReplacesAFile) {
    TempDir dir;
    const std::string path = (dir / "AREA1.csv").string();
    writeFile(path, "1\r\n");
    EditorMap first, second;
    readMapFile(first, path);
    readMapFile(second, path);
    writeFile(path, "2\r\n");
    const WriteResult one = writeMapFile(first, {}, path);
    writeFile(path, "3\r\n");
    const WriteResult two = writeMapFile(second, {}, path); // within the same second, as it happens
    ASSERT_TRUE(one.ok && two.ok);
    EXPECT_NE(one.keptChanged, two.keptChanged);
    EXPECT_EQ(readFile(one.keptChanged), "2\r\n");
    EXPECT_EQ(readFile(two.keptChanged), "3\r\n");
}

ino_t mapInode = 0;
int mapWritesLeft = 0; // writes to the map that succeed before they fail
bool isMap(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_ino == mapInode;
}
// The map takes half of the first write, then nothing more: it is left damaged.
ssize_t writeHalfThenFailsOnTheMap(int fd, const void* data, size_t size) {
    if (!isMap(fd)) return ::write(fd, data, size);
    if (mapWritesLeft-- > 0) return ::write(fd, data, size / 2);
    errno = ENOSPC;
    return -1;
}
ssize_t writeFailsOnceOnTheMap(int fd, const void* data, size_t size) {
    if (isMap(fd) && mapWritesLeft-- == 0) {
        errno = ENOSPC;
        return -1;
    }
    return ::write(fd, data, size);
}

// A map that cannot be replaced by a rename (mounted on its own, someone else's in a sticky folder)
// is rewritten in place once the new text is whole on disk beside it.
TEST(MapSave, AMapThatCannotBeRenamedOverIsRewrittenInPlace) {
    struct Case {
        const char* name;
        FileOps ops;
        int writesBeforeFailing; // -1: none fails
        bool ok;
        const char* reasonPart;
        bool oldWhole;
    } cases[] = {
        {"a file mounted on its own", withOps(nullptr, nullptr, nullptr, renameFails<EXDEV>), -1, true, "",
         false},
        {"a busy mount point", withOps(nullptr, nullptr, nullptr, renameFails<EBUSY>), -1, true, "", false},
        {"a sticky folder", withOps(nullptr, nullptr, nullptr, renameFails<EPERM>), -1, true, "", false},
        {"the rewrite fails, the old text goes back",
         withOps(writeFailsOnceOnTheMap, nullptr, nullptr, renameFails<EXDEV>), 0, false,
         "AREA1.csv was left as it was, the new map is in ", true},
        {"the rewrite and the way back fail",
         withOps(writeHalfThenFailsOnTheMap, nullptr, nullptr, renameFails<EXDEV>), 1, false,
         "may be damaged; the whole new map is in ", false},
    };
    for (const Case& c : cases) {
        OldMap old;
        const EditorMap map = mapWithRows(300, 3); // longer than the old map
        struct stat before {};
        ASSERT_EQ(::stat(old.path.c_str(), &before), 0);
        mapInode = before.st_ino;
        mapWritesLeft = c.writesBeforeFailing < 0 ? 1 << 30 : c.writesBeforeFailing;
        WriteResult result;
        {
            ScopedFileOps faults(c.ops);
            result = writeMapFile(map, {}, old.path);
        }
        struct stat after {};
        ASSERT_EQ(::stat(old.path.c_str(), &after), 0);
        EXPECT_EQ(after.st_ino, before.st_ino) << c.name << ": the map was replaced, not rewritten";
        EXPECT_EQ(result.ok, c.ok) << c.name << ": " << result.reason;
        if (c.ok) {
            EXPECT_EQ(readFile(old.path), formatMapText(map)) << c.name;
            EXPECT_EQ(folderEntries(old.dir.path()), std::set<std::string>{"AREA1.csv"}) << c.name;
            continue;
        }
        EXPECT_NE(result.reason.find(c.reasonPart), std::string::npos) << c.name << ": " << result.reason;
        EXPECT_NE(result.reason.find("No space left on device"), std::string::npos) << c.name;
        if (c.oldWhole) {
            EXPECT_EQ(readFile(old.path), old.bytes) << c.name << ": the old text";
        }
        const std::string copy = newNamed(old.dir.path(), "AREA1.csv", "new");
        ASSERT_FALSE(copy.empty()) << c.name << ": no copy of the new map";
        EXPECT_NE(result.reason.find(copy), std::string::npos) << c.name << ": the copy is not named";
        EXPECT_EQ(readFile(old.dir / copy), formatMapText(map)) << c.name << ": the copy";
        EXPECT_EQ(folderEntries(old.dir.path()), (std::set<std::string>{"AREA1.csv", copy})) << c.name;
    }
}

bool dropTo(uid_t uid, gid_t gid, const std::vector<gid_t>& groups) {
    return ::setgroups(groups.size(), groups.data()) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0;
}

// Folders the user may not write into, as an ordinary user meets them; the map stays writable.
TEST(MapSave, FoldersThatTakeNoNewFileAreSavedInPlaceAsAnOrdinaryUser) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make folders and maps of other users";
    struct Case {
        const char* name;
        mode_t folderMode;
        uid_t mapOwner;
    } cases[] = {
        {"a sticky folder, the map someone else's", 01777, 0},
        {"a folder of someone else's", 0755, 65534},
    };
    for (const Case& c : cases) {
        TempDir dir, state;
        const std::string path = (dir / "AREA1.csv").string();
        const std::string old = formatMapText(mapWithRows(2, 9));
        writeFile(path, old);
        ASSERT_EQ(::chown(path.c_str(), c.mapOwner, c.mapOwner), 0);
        ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), c.folderMode), 0);
        ASSERT_EQ(::chown(state.path().c_str(), 65534, 65534), 0);
        const EditorMap map = mapWithRows(40, 1);
        const int code = inChild([&] {
            ::setenv("XDG_STATE_HOME", state.path().c_str(), 1);
            if (!dropTo(65534, 65534, {})) return 3;
            EditorMap read;
            readMapFile(read, path);
            EditorMap edited = map;
            edited.origin = read.origin;
            const WriteResult r = writeMapFile(edited, {}, path);
            return r.ok ? 0 : 1;
        });
        EXPECT_EQ(code, 0) << c.name << ": 1 the save failed, 3 privileges not dropped";
        EXPECT_EQ(readFile(path), formatMapText(map)) << c.name;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, c.mapOwner) << c.name << ": rewritten in place, the owner stays";
        EXPECT_EQ(folderEntries(dir.path()), std::set<std::string>{"AREA1.csv"}) << c.name;
        if (fs::exists(state / "mapedit")) {
            EXPECT_TRUE(fs::is_empty(state / "mapedit")) << c.name << ": the copy was not removed";
        }
        ::chmod(dir.path().c_str(), 0755);
    }
}

// An access list as the kernel keeps it: version 2, then (tag, permissions, id) entries.
std::string accessList(uint32_t namedUser) {
    std::string blob;
    auto u16 = [&](uint16_t v) { blob += char(v & 0xFF), blob += char(v >> 8); };
    auto u32 = [&](uint32_t v) {
        u16(static_cast<uint16_t>(v & 0xFFFF)), u16(static_cast<uint16_t>(v >> 16));
    };
    u32(2);
    const struct {
        uint16_t tag, perm;
        uint32_t id;
    } entries[] = {{0x01, 6, ~0u}, {0x02, 6, namedUser}, {0x04, 6, ~0u}, {0x10, 6, ~0u}, {0x20, 4, ~0u}};
    for (const auto& e : entries) u16(e.tag), u16(e.perm), u32(e.id);
    return blob;
}

std::string attribute(const std::string& path, const char* name) {
    std::string value(256, '\0');
    const ssize_t n = ::getxattr(path.c_str(), name, value.data(), value.size());
    return n < 0 ? "(none)" : value.substr(0, static_cast<size_t>(n));
}

// A map of a shared group saved by another member of the group: the owner cannot be kept by an
// ordinary user, the group can, and so can its access list and other attributes.
TEST(MapSave, ASharedMapKeepsItsGroupAndAttributesWhenAnotherMemberSaves) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a map of another user's";
    constexpr uid_t kOwner = 65534, kMember = 65533;
    constexpr gid_t kShared = 100;
    TempDir dir;
    ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
    const std::string path = (dir / "AREA1.csv").string();
    writeFile(path, formatMapText(mapWithRows(2, 9)));
    ASSERT_EQ(::chown(path.c_str(), kOwner, kShared), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
    const std::string acl = accessList(4242);
    const bool attributes =
        ::setxattr(path.c_str(), "user.note", "kept", 4, 0) == 0 &&
        ::setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
    const int code = inChild([&] {
        if (!dropTo(kMember, kMember, {kShared})) return 3;
        return writeMapFile(mapWithRows(5, 1), {}, path).ok ? 0 : 1;
    });
    ASSERT_EQ(code, 0) << "1 the save failed, 3 privileges not dropped";
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, kMember) << "an ordinary user cannot give the file away";
    EXPECT_EQ(st.st_gid, kShared) << "the group was lost";
    EXPECT_EQ(st.st_mode & 07777, 0664u);
    if (!attributes) GTEST_SKIP() << "this file system keeps no extended attributes or access lists";
    EXPECT_EQ(attribute(path, "user.note"), "kept");
    EXPECT_EQ(attribute(path, "system.posix_acl_access"), acl);
}

} // namespace
