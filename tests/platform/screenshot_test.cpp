// Where F12's pictures go (the desktop's pictures folder as xdg-user-dir finds it), how they are
// named, and that they never replace a file.
#include "platform/png_writer.hpp"
#include "platform/screenshot.hpp"
#include "tests/support/testing.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <pwd.h>
#include <unistd.h>

namespace {

namespace shot = platform::screenshot;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

std::string passwordHome() {
    const struct passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

// Each case lays out a home folder (H below) with an optional user-dirs.dirs and sets variables;
// "{H}" in a value stands for that home.
TEST(PicturesFolder, FoundAsTheDesktopFindsIt) {
    struct Case {
        const char* what;
        std::map<std::string, std::string> env; // HOME is H unless given (and "-" leaves it unset)
        const char* userDirsAt;                 // where user-dirs.dirs lies below H, or nullptr
        const char* userDirs;
        std::string expected; // "{H}" for the home, "{P}" for the password entry's
    };
    const Case cases[] = {
        {"nothing set", {}, nullptr, "", "{H}/Pictures"},
        {"the desktop's own folder", {}, ".config", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "{H}/Bilder"},
        {"an absolute folder", {}, ".config", "XDG_PICTURES_DIR=\"/srv/pictures\"\n", "/srv/pictures"},
        {"among comments and other folders",
         {},
         ".config",
         "# written by the desktop\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n  XDG_PICTURES_DIR = "
         "\"$HOME/Fotos\"\r\n"
         "XDG_VIDEOS_DIR=\"$HOME/Videos\"\n",
         "{H}/Fotos"},
        {"the last line counts",
         {},
         ".config",
         "XDG_PICTURES_DIR=\"$HOME/a\"\nXDG_PICTURES_DIR=\"$HOME/b\"\n",
         "{H}/b"},
        {"the home itself", {}, ".config", "XDG_PICTURES_DIR=\"$HOME\"\n", "{H}"},
        {"trailing slashes go", {}, ".config", "XDG_PICTURES_DIR=\"$HOME/Pics//\"\n", "{H}/Pics"},
        {"an escaped quote",
         {},
         ".config",
         "XDG_PICTURES_DIR=\"$HOME/My \\\"Pics\\\"\"\n",
         "{H}/My \"Pics\""},
        {"a relative value is passed over",
         {},
         ".config",
         "XDG_PICTURES_DIR=\"Pictures2\"\n",
         "{H}/Pictures"},
        {"not the home variable", {}, ".config", "XDG_PICTURES_DIR=\"$HOMEWORK/x\"\n", "{H}/Pictures"},
        {"no closing quote", {}, ".config", "XDG_PICTURES_DIR=\"$HOME/open\n", "{H}/Pictures"},
        {"another folder's name only", {}, ".config", "XDG_PICTURES_DIRS=\"$HOME/no\"\n", "{H}/Pictures"},
        {"XDG_CONFIG_HOME is read",
         {{"XDG_CONFIG_HOME", "{H}/conf"}},
         "conf",
         "XDG_PICTURES_DIR=\"$HOME/c\"\n",
         "{H}/c"},
        {"instead of ~/.config",
         {{"XDG_CONFIG_HOME", "{H}/conf"}},
         ".config",
         "XDG_PICTURES_DIR=\"$HOME/c\"\n",
         "{H}/Pictures"},
        {"a relative XDG_CONFIG_HOME counts for nothing",
         {{"XDG_CONFIG_HOME", "conf"}},
         ".config",
         "XDG_PICTURES_DIR=\"$HOME/d\"\n",
         "{H}/d"},
        {"the variable where the file has none", {{"XDG_PICTURES_DIR", "$HOME/Env"}}, nullptr, "", "{H}/Env"},
        {"the file before the variable",
         {{"XDG_PICTURES_DIR", "/env"}},
         ".config",
         "XDG_PICTURES_DIR=\"$HOME/File\"\n",
         "{H}/File"},
        {"an absolute variable", {{"XDG_PICTURES_DIR", "/env/pics/"}}, nullptr, "", "/env/pics"},
        {"a relative variable is passed over", {{"XDG_PICTURES_DIR", "pics"}}, nullptr, "", "{H}/Pictures"},
        {"a folder in the file's place", {}, ".config/user-dirs.dirs", nullptr, "{H}/Pictures"},
        {"without HOME, the user's entry", {{"HOME", "-"}}, nullptr, "", "{P}/Pictures"},
        {"a relative HOME, the user's entry", {{"HOME", "home"}}, nullptr, "", "{P}/Pictures"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string home = dir.path().string();
        const auto fill = [&](std::string v) {
            for (const auto& [from, to] :
                 {std::pair<std::string, std::string>{"{H}", home}, {"{P}", passwordHome()}})
                if (v.rfind(from, 0) == 0) v = to + v.substr(from.size());
            return v;
        };
        std::map<std::string, std::string> env = {{"HOME", home}};
        for (const auto& [name, value] : c.env) env[name] = fill(value);
        if (env["HOME"] == "-") env.erase("HOME");
        if (c.userDirsAt) {
            const std::filesystem::path at = dir / c.userDirsAt;
            std::filesystem::create_directories(at);
            if (c.userDirs) writeFile(at / "user-dirs.dirs", c.userDirs);
        }
        const auto lookUp = [&env](const char* name) -> std::optional<std::string> {
            const auto it = env.find(name);
            if (it == env.end()) return std::nullopt;
            return it->second;
        };
        EXPECT_EQ(shot::picturesFolder(lookUp), fill(c.expected)) << c.what;
    }
}

TEST(PictureName, DateAndTimeWithLeadingZeros) {
    std::tm t{};
    t.tm_year = 2026 - 1900, t.tm_mon = 11, t.tm_mday = 9, t.tm_hour = 10, t.tm_min = 15, t.tm_sec = 30;
    EXPECT_EQ(shot::pictureStem("shooter", t), "shooter-2026-12-09_10-15-30");
    t.tm_year = 2027 - 1900, t.tm_mon = 0, t.tm_mday = 1, t.tm_hour = 0, t.tm_min = 0, t.tm_sec = 5;
    EXPECT_EQ(shot::pictureStem("mapedit", t), "mapedit-2027-01-01_00-00-05");
}

std::string pngOf(const platform::pixels::Bitmap& picture) {
    const std::vector<uint8_t> bytes = platform::encodePng(picture);
    return std::string(bytes.begin(), bytes.end());
}

// Pictures taken within one second: the first takes the plain name, the next ones -2, -3 ...; a
// file or a symbolic link that has a name already is left as it is, and the folders are made.
TEST(SavePicture, NeverOverAnExistingFile) {
    TempDir dir;
    const std::time_t when = 1'800'000'000;
    std::tm local{};
    ::localtime_r(&when, &local);
    const std::string folder = (dir / "Pictures").string();
    const std::string stem = folder + "/shooter/" + shot::pictureStem("shooter", local);
    const platform::pixels::Bitmap picture(640, 490, 0x336699);

    const shot::Saved first = shot::savePicture(picture, "shooter", folder, when);
    ASSERT_TRUE(first.ok) << first.error;
    EXPECT_EQ(first.path, stem + ".png");
    EXPECT_EQ(readFile(first.path), pngOf(picture));

    writeFile(stem + "-2.png", "someone else's");
    std::filesystem::create_symlink(dir / "elsewhere", stem + "-3.png");
    const platform::pixels::Bitmap other(640, 490, 0x112233);
    const shot::Saved next = shot::savePicture(other, "shooter", folder, when);
    ASSERT_TRUE(next.ok) << next.error;
    EXPECT_EQ(next.path, stem + "-4.png");
    EXPECT_EQ(readFile(next.path), pngOf(other));
    EXPECT_EQ(readFile(first.path), pngOf(picture));
    EXPECT_EQ(readFile(stem + "-2.png"), "someone else's");
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere")) << "the link was followed";
}

// A picture that cannot be written says why and leaves nothing behind.
TEST(SavePicture, FailuresAreToldAndLeaveNoFile) {
    TempDir dir;
    writeFile(dir / "file", "x");
    const platform::pixels::Bitmap picture(8, 8, 0xFFFFFF);
    const auto full = [](int, const void*, size_t) -> ssize_t {
        errno = ENOSPC;
        return -1;
    };
    const struct {
        const char* what;
        std::string folder;
        platform::files::WriteCall write;
        const char* says;
    } cases[] = {
        {"a file in the folder's way", (dir / "file").string(), nullptr, "cannot make the folder"},
        {"a full disk", (dir / "pics").string(), full, "No space left on device"},
        {"no home folder", "", nullptr, "no home folder"},
    };
    for (const auto& c : cases) {
        const shot::Saved saved = shot::savePicture(picture, "mapedit", c.folder, 1'800'000'000, c.write);
        EXPECT_FALSE(saved.ok) << c.what;
        EXPECT_NE(saved.error.find(c.says), std::string::npos) << c.what << ": " << saved.error;
        EXPECT_NE(shot::outcomeLine("mapedit", saved).find("mapedit: the window's picture is not saved: "),
                  std::string::npos);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir / "pics" / "mapedit")) << "a broken picture was left behind";
}

} // namespace
