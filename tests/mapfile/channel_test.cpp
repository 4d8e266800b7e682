#include "mapfile/channel.hpp"
#include "mapfile/fileops.hpp"
#include "platform/cp932.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace {

using namespace mapfile;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;
namespace fs = std::filesystem;

TEST(FileChannel, ModesOpenCreateTruncateAndAppend) {
    struct Row {
        int mode;
        bool exists;
        bool opens, prints;
        const char* after; // nullptr: no file afterwards
    } rows[] = {
        {0, true, true, true, "XYcdef"},   {0, false, true, true, "XY"}, {1, true, true, false, "abcdef"},
        {1, false, false, false, nullptr}, {2, true, true, true, "XY"},  {2, false, true, true, "XY"},
        {3, true, true, true, "abcdefXY"}, {3, false, true, true, "XY"},
    };
    for (const Row& r : rows) {
        TempDir dir;
        const std::string path = (dir / "f.txt").string();
        if (r.exists) writeFile(path, "abcdef");
        const std::string where = "mode " + std::to_string(r.mode) + (r.exists ? ", existing" : ", missing");
        EXPECT_EQ(openChannel(path, r.mode, 1), r.opens) << where;
        EXPECT_EQ(channelIsOpen(1), r.opens) << where;
        EXPECT_EQ(printChannel(1, rt::rtStrLiteral("XY")), r.prints) << where;
        EXPECT_TRUE(closeChannel(1)) << where;
        EXPECT_FALSE(channelIsOpen(1)) << where;
        if (r.after)
            EXPECT_EQ(readFile(path), r.after) << where;
        else
            EXPECT_FALSE(fs::exists(path)) << where;
    }
}

TEST(FileChannel, PrintWritesTheBytesAsTheyAreAndConsumesTheText) {
    TempDir dir;
    const std::string path = (dir / "f.txt").string();
    ASSERT_TRUE(openChannel(path, 2, 1));
    const int32_t before = rt::rtStrRegistryCount();
    EXPECT_TRUE(printChannel(1, rt::rtStrFromBytes(std::string("a\0b", 3))));
    EXPECT_TRUE(printChannel(1, rt::rtStrLiteral("マップ\r\n")));
    EXPECT_FALSE(printChannel(2, rt::rtStrLiteral("nowhere"))) << "an empty channel";
    EXPECT_FALSE(printChannel(0, rt::rtStrLiteral("nowhere"))) << "no such channel";
    EXPECT_EQ(rt::rtStrRegistryCount(), before) << "texts not consumed";
    closeChannel(1);
    EXPECT_EQ(readFile(path), std::string("a\0b", 3) + "\x83\x7d\x83\x62\x83\x76\r\n");
}

TEST(FileChannel, AFileIsNotShared) {
    TempDir dir;
    const std::string path = (dir / "f.txt").string();
    writeFile(path, "keep");
    ASSERT_TRUE(openChannel(path, 1, 1));
    EXPECT_FALSE(openChannel(path, 2, 2)) << "a second open of a held file";
    EXPECT_FALSE(channelIsOpen(2));
    EXPECT_EQ(readFile(path), "keep") << "the refused open truncated the file";
    // Opening another file on a busy channel closes the first one, which is then free again.
    ASSERT_TRUE(openChannel((dir / "g.txt").string(), 2, 1));
    EXPECT_TRUE(openChannel(path, 2, 2));
    closeChannel(1);
    closeChannel(2);
}

TEST(FileChannel, ChannelNumbersAndNames) {
    TempDir dir;
    EXPECT_TRUE(closeChannel(3)) << "an empty slot is left alone";
    EXPECT_FALSE(openChannel((dir / "f.txt").string(), 2, 0));
    EXPECT_FALSE(openChannel((dir / "f.txt").string(), 2, kChannelCount + 1));
    EXPECT_FALSE(openChannel((dir / "f.txt").string(), 4, 1)) << "no mode 4";
    EXPECT_FALSE(fs::exists(dir / "f.txt"));
    // Only regular files: a FIFO nobody opens at the other end is refused at once in every mode.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    for (int mode = 0; mode <= 3; ++mode) EXPECT_FALSE(openChannel((dir / "fifo").string(), mode, 1)) << mode;

    fs::create_directory(dir / "sub");
    const std::string cp932Name = (dir / "sub").string() + "\\" + platform::cp932::fromUtf8("マップ.csv");
    ASSERT_TRUE(openChannel(cp932Name, 2, kChannelCount));
    EXPECT_TRUE(printChannel(kChannelCount, rt::rtStrLiteral("1")));
    closeChannel(kChannelCount);
    EXPECT_EQ(readFile(dir / "sub" / "マップ.csv"), "1");
}

ssize_t failingWrite(int, const void*, size_t) {
    errno = ENOSPC;
    return -1;
}

TEST(FileChannel, AFailedWriteIsReported) {
    TempDir dir;
    ASSERT_TRUE(openChannel((dir / "f.txt").string(), 2, 1));
    FileOps ops = systemFileOps();
    ops.write = failingWrite;
    {
        ScopedFileOps faults(ops);
        EXPECT_FALSE(printChannel(1, rt::rtStrLiteral("XY")));
    }
    EXPECT_TRUE(printChannel(1, rt::rtStrLiteral("XY")));
    closeChannel(1);
}

} // namespace
