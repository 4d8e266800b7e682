#include "mapedit/watch.hpp"

#include "platform/system.hpp"

#include <sys/stat.h>
#include <utility>

namespace mapedit {

MapWatch::MapWatch(std::string path) : path_(std::move(path)), seen_(look()) {}

MapWatch::Look MapWatch::look() const {
    struct stat st {};
    if (::stat(platform::nativePath(path_).c_str(), &st) != 0) return {};
    const auto ns = [](const timespec& t) { return int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
    return {true,
            static_cast<uint64_t>(st.st_dev),
            static_cast<uint64_t>(st.st_ino),
            static_cast<uint64_t>(st.st_size),
            ns(st.st_mtim),
            ns(st.st_ctim)};
}

std::optional<mapfile::EditorMap> MapWatch::changed(const mapfile::EditorMap& map) {
    const Look now = look();
    if (now == seen_) {
        settling_.reset();
        return std::nullopt;
    }
    // A program may still be writing it: read it only once it stayed the same for one look.
    if (!settling_ || !(*settling_ == now)) {
        settling_ = now;
        return std::nullopt;
    }
    settling_.reset();
    seen_ = now;
    mapfile::EditorMap read;
    mapfile::readMapFile(read, path_);
    const mapfile::MapOrigin* before = map.origin.get();
    const mapfile::MapOrigin* after = read.origin.get();
    const bool same = before && after && before->kind == after->kind && before->bytes == after->bytes &&
                      before->whole == after->whole;
    if (same) return std::nullopt; // the editor's own save, or a file touched and not changed
    return read;
}

} // namespace mapedit
