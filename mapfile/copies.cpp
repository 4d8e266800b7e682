#include "mapfile/fileops.hpp"
#include "mapfile/mapfile.hpp"
#include "mapfile/save_steps.hpp"

#include "platform/system.hpp"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace mapfile {

using namespace detail;

void noteSaved(EditorMap& map) {
    auto written = std::make_shared<MapOrigin>();
    written->kind = MapOrigin::Kind::Bytes;
    written->bytes = formatMapText(map);
    const size_t rows = written->bytes.size();
    written->bytes.append(map.rest());
    if (map.stop.status == ReadStatus::Missing) map.stop.status = ReadStatus::Complete;
    map.stop.offset = rows;
    map.origin = std::move(written);
}

WriteResult writeMapCopy(const EditorMap& map, std::string_view tag, const std::string& path) {
    std::string target;
    if (!resolveMapLink(path, target)) target = platform::nativePath(path);
    const SplitPath where = splitPath(target);
    std::string copy;
    int fd = createNewNamed(where.dir, where.base, tag, copy);
    int err = errno;
    if (fd < 0) {
        const std::string own = detail::stateFolder();
        if (!own.empty()) fd = createNewNamed(own, where.base, tag, copy);
    }
    if (fd < 0)
        return {false, "cannot create a new file beside " + shownPath(target) + ": " + errorText(err), {}};
    const std::string text = formatMapText(map);
    bool written = writeAll(fd, text, err) && writeAll(fd, map.rest(), err);
    if (written && fileOps().fsync(fd) != 0) written = false, err = errno;
    if (fileOps().close(fd) != 0 && written) written = false, err = errno;
    if (!written) {
        ::unlink(copy.c_str());
        return {false, "cannot write " + shownPath(copy) + ": " + errorText(err), {}};
    }
    return {true, {}, shownPath(copy)};
}

std::string realMapPath(const std::string& path) {
    std::string target;
    if (!resolveMapLink(path, target)) target = platform::nativePath(path);
    const SplitPath where = splitPath(target);
    char folder[PATH_MAX];
    if (!::realpath(where.dir.c_str(), folder)) return {};
    return joinPath(folder, where.base);
}

std::string moveAside(const std::string& path, std::string_view tag) {
    const SplitPath where = splitPath(path);
    return renameToNewNamed(path, where.dir, where.base, tag);
}

std::string userStateFolder() {
    return detail::stateFolder();
}

} // namespace mapfile
