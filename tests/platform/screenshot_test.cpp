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

// A line of user-dirs.dirs naming the pictures folder.
std::string line(const std::string& value) {
    return "XDG_PICTURES_DIR=\"" + value + "\"\n";
}

// Each case makes a home folder ({H}) with the user-dirs.dirs given ("": none, "/": a folder in its
// place) in $XDG_CONFIG_HOME when that is absolute, else in {H}/.config; HOME is {H} unless the
// case sets it ("-": unset). {P} is the home of the user's password entry.
TEST(PicturesFolder, FoundAsTheDesktopFindsIt) {
    const struct {
        const char* what;
        std::string file;
        std::map<std::string, std::string> env;
        std::string expected;
    } cases[] = {
        {"nothing set", "", {}, "{H}/Pictures"},
        {"the desktop's own folder", line("$HOME/Bilder"), {}, "{H}/Bilder"},
        {"an absolute folder", line("/srv/pictures"), {}, "/srv/pictures"},
        {"among others", "# x\nXDG_DESKTOP_DIR=\"/d\"\n XDG_PICTURES_DIR = \"$HOME/F\"\r\n", {}, "{H}/F"},
        {"the last line counts", line("$HOME/a") + line("$HOME/b"), {}, "{H}/b"},
        {"an escaped quote", line("$HOME/My \\\"Pics\\\""), {}, "{H}/My \"Pics\""},
        {"a relative value", line("Pictures2"), {}, "{H}/Pictures"},
        {"not the home variable", line("$HOMEWORK/x"), {}, "{H}/Pictures"},
        {"no closing quote", "XDG_PICTURES_DIR=\"$HOME/open\n", {}, "{H}/Pictures"},
        {"XDG_CONFIG_HOME", line("$HOME/c"), {{"XDG_CONFIG_HOME", "{H}/conf"}}, "{H}/c"},
        {"a relative XDG_CONFIG_HOME", line("$HOME/d"), {{"XDG_CONFIG_HOME", "conf"}}, "{H}/d"},
        {"the variable", "", {{"XDG_PICTURES_DIR", "$HOME/Env"}}, "{H}/Env"},
        {"the file before the variable", line("$HOME/File"), {{"XDG_PICTURES_DIR", "/env"}}, "{H}/File"},
        {"an absolute variable", "", {{"XDG_PICTURES_DIR", "/env/pics/"}}, "/env/pics"},
        {"a folder in the file's place", "/", {}, "{H}/Pictures"},
        {"without HOME", "", {{"HOME", "-"}}, "{P}/Pictures"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        const auto fill = [&](std::string v) {
            if (v.rfind("{H}", 0) == 0) v.replace(0, 3, dir.path().string());
            if (v.rfind("{P}", 0) == 0) v.replace(0, 3, passwordHome());
            return v;
        };
        std::map<std::string, std::string> env = {{"HOME", dir.path().string()}};
        for (const auto& [name, value] : c.env) env[name] = fill(value);
        if (env["HOME"] == "-") env.erase("HOME");
        const std::string config = env.count("XDG_CONFIG_HOME") && env["XDG_CONFIG_HOME"][0] == '/'
                                       ? env["XDG_CONFIG_HOME"]
                                       : (dir / ".config").string();
        std::filesystem::create_directories(c.file == "/" ? config + "/user-dirs.dirs" : config);
        if (!c.file.empty() && c.file != "/") writeFile(config + "/user-dirs.dirs", c.file);
        const auto lookUp = [&env](const char* name) -> std::optional<std::string> {
            const auto it = env.find(name);
            if (it == env.end()) return std::nullopt;
            return it->second;
        };
        EXPECT_EQ(shot::picturesFolder(lookUp), fill(c.expected)) << c.what;
    }
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
    };
    for (const auto& c : cases) {
        const shot::Saved saved = shot::savePicture(picture, "mapedit", c.folder, 1'800'000'000, c.write);
        EXPECT_FALSE(saved.ok) << c.what;
        EXPECT_NE(saved.error.find(c.says), std::string::npos) << c.what << ": " << saved.error;
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir / "pics" / "mapedit")) << "a broken picture was left behind";
}

} // namespace
