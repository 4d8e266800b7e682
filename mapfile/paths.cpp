#include "mapfile/save_steps.hpp"

#include "platform/files.hpp"
#include "platform/system.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace mapfile::detail {

std::string errorText(int err) {
    return std::strerror(err);
}

SplitPath splitPath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string joinPath(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string shownPath(const std::string& path) {
    return path.rfind("./", 0) == 0 ? path.substr(2) : path;
}

bool resolveMapLink(const std::string& path, std::string& target) {
    target = platform::nativePath(path);
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::string link(4096, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n < 0) return true; // gone meanwhile: the name itself
        if (static_cast<size_t>(n) >= link.size()) {
            errno = ENAMETOOLONG;
            return false;
        }
        link.resize(static_cast<size_t>(n));
        target = link[0] == '/' ? link : joinPath(splitPath(target).dir, link);
    }
    errno = ELOOP;
    return false;
}

std::string stateFolder() {
    // Only absolute base folders count, as for every per-user data folder.
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && state[0] == '/') {
        base = state;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.local/state";
    } else {
        return {};
    }
    const std::string folder = base + "/mapedit";
    return platform::files::makeFolders(folder, 0700) ? folder : std::string();
}

} // namespace mapfile::detail
