#include "platform/screenshot.hpp"

#include "platform/png_writer.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace platform::screenshot {

namespace {

// user-dirs.dirs is a few lines; anything far longer is not one.
constexpr size_t kMaxUserDirsBytes = 64 * 1024;
// Names tried for pictures taken within one second.
constexpr int kNameAttempts = 1000;

bool absolute(const std::optional<std::string>& path) {
    return path && !path->empty() && path->front() == '/';
}

std::string homeFolder(const Environment& environment) {
    if (std::optional<std::string> home = environment("HOME"); absolute(home)) return *home;
    // Without HOME, as a login without one would have it: the user's entry.
    std::string home;
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        home = found->pw_dir;
    return home;
}

// A value of XDG_PICTURES_DIR as the file writes it, the quotes taken off: "$HOME" or "$HOME/..."
// lies in the home folder, "/..." is taken as it is, anything else is passed over. Trailing
// slashes go.
std::optional<std::string> expandFolder(std::string_view value, const std::string& home) {
    std::string folder;
    if (value.substr(0, 5) == "$HOME") {
        value.remove_prefix(5);
        if (!value.empty() && value.front() != '/') return std::nullopt; // "$HOMEWORK" is no home
        if (home.empty()) return std::nullopt;
        folder = home + std::string(value);
    } else if (!value.empty() && value.front() == '/') {
        folder = value;
    } else {
        return std::nullopt;
    }
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// The value of the last line XDG_PICTURES_DIR="..." that gives a usable folder. Inside the quotes
// a backslash takes the next character as it is.
std::optional<std::string> fromUserDirs(std::string_view text, const std::string& home) {
    std::optional<std::string> folder;
    constexpr std::string_view kName = "XDG_PICTURES_DIR";
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const auto skipBlanks = [&line] {
            while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
        };
        skipBlanks();
        if (line.substr(0, kName.size()) != kName) continue;
        line.remove_prefix(kName.size());
        skipBlanks();
        if (line.empty() || line.front() != '=') continue;
        line.remove_prefix(1);
        skipBlanks();
        if (line.empty() || line.front() != '"') continue;
        line.remove_prefix(1);
        std::string value;
        bool closed = false;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value += line[i];
            }
        }
        if (!closed) continue;
        if (std::optional<std::string> expanded = expandFolder(value, home)) folder = std::move(expanded);
    }
    return folder;
}

std::string errorText(int err) {
    return std::strerror(err);
}

} // namespace

std::optional<std::string> processEnvironment(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

std::string picturesFolder(const Environment& environment) {
    const std::string home = homeFolder(environment);
    std::optional<std::string> config = environment("XDG_CONFIG_HOME");
    const std::string configFolder = absolute(config) ? *config : home.empty() ? "" : home + "/.config";
    if (!configFolder.empty()) {
        if (const auto bytes = files::readFile(configFolder + "/user-dirs.dirs", kMaxUserDirsBytes)) {
            const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
            if (std::optional<std::string> folder = fromUserDirs(text, home)) return *folder;
        }
    }
    if (const std::optional<std::string> variable = environment("XDG_PICTURES_DIR"))
        if (std::optional<std::string> folder = expandFolder(*variable, home)) return *folder;
    return home.empty() ? std::string() : home + "/Pictures";
}

std::string pictureStem(std::string_view program, const std::tm& local) {
    char time[32];
    std::strftime(time, sizeof time, "%Y-%m-%d_%H-%M-%S", &local);
    return std::string(program) + "-" + time;
}

Saved savePicture(const pixels::Bitmap& picture, std::string_view program, const std::string& folder,
                  std::time_t when, files::WriteCall write) {
    Saved saved;
    if (folder.empty()) {
        saved.error = "there is no home folder to keep pictures in";
        return saved;
    }
    const std::string into = folder + "/" + std::string(program);
    if (!files::makeFolders(into, 0777)) {
        saved.error = "cannot make the folder " + into + ": " + errorText(errno);
        return saved;
    }
    std::tm local{};
    ::localtime_r(&when, &local);
    const std::string base = into + "/" + pictureStem(program, local);
    std::string path;
    const auto suffix = [](int n) {
        std::string s = n == 1 ? "" : std::to_string(n);
        if (n != 1) s.insert(s.begin(), '-');
        return s.append(".png");
    };
    const int fd = files::createUnique(base, suffix, kNameAttempts, path);
    if (fd < 0) {
        saved.error = "cannot create " + path + ": " + errorText(errno);
        return saved;
    }
    const std::vector<uint8_t> png = encodePng(picture);
    const bool written =
        files::writeAll(fd, std::string_view(reinterpret_cast<const char*>(png.data()), png.size()), write);
    int err = errno;
    const bool closed = ::close(fd) == 0;
    if (written && !closed) err = errno;
    if (!written || !closed) {
        // Half a picture is no picture: the name is free again.
        ::unlink(path.c_str());
        saved.error = "cannot write " + path + ": " + errorText(err);
        return saved;
    }
    saved.ok = true;
    saved.path = path;
    return saved;
}

std::string outcomeLine(std::string_view program, const Saved& saved) {
    std::string line(program);
    if (saved.ok)
        line.append(": the window's picture is saved as ").append(saved.path);
    else
        line.append(": the window's picture is not saved: ").append(saved.error);
    return line;
}

} // namespace platform::screenshot
