#pragma once
// A watch on the map file: what another program (a text editor, a Tiled export, git checkout)
// writes there is noticed at the editor's ticks, once it has stayed so for one look.
#include "mapfile/mapfile.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace mapedit {

class MapWatch {
  public:
    // Starts from the file as it is now (just read by the editor).
    explicit MapWatch(std::string path = mapfile::kMapFileName);
    // The file read again when it has changed since the last look that told something, has stayed
    // the same since the look before, and holds something else than map's origin.
    std::optional<mapfile::EditorMap> changed(const mapfile::EditorMap& map);

  private:
    struct Look {
        bool exists = false;
        uint64_t device = 0, inode = 0, size = 0;
        int64_t modified = 0, statusChanged = 0; // nanoseconds
        bool operator==(const Look&) const = default;
    };
    Look look() const;

    std::string path_;
    Look seen_;
    std::optional<Look> settling_;
};

} // namespace mapedit
