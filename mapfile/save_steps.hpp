#pragma once
// The steps of a save, each in a file of its own: paths and links, temporary and new files, the
// old file's owner and attributes, what changed on disk, and the rewrite in place.
#include "mapfile/mapfile.hpp"

#include <string>
#include <string_view>
#include <sys/stat.h>

namespace mapfile::detail {

std::string errorText(int err);

// ---- paths (paths.cpp)
struct SplitPath {
    std::string dir;  // "." for a bare name
    std::string base; // the file name
};
SplitPath splitPath(const std::string& path);
std::string joinPath(const std::string& dir, const std::string& name);
// A path as the user should read it: without the "./" of the current folder.
std::string shownPath(const std::string& path);
// The file a map name stands for: symbolic links are followed, also to a target that does not
// exist yet. False (errno set) for a chain of links that does not end.
bool resolveMapLink(const std::string& path, std::string& target);
// Where a copy goes when the map's own folder takes no new file: $XDG_STATE_HOME/mapedit, else
// ~/.local/state/mapedit (made if missing). Empty when there is no such place.
std::string stateFolder();

// ---- files (files.cpp)
// Writes all of text (platform::files::writeAll) through the file operations; false with err set.
bool writeAll(int fd, std::string_view text, int& err);
// Creates a file of a new visible name in dir: "<base>.<tag>-YYYYMMDD-HHMMSS", with "-2", "-3"...
// when that is taken; never opens a file that exists. Returns the descriptor (-1, errno set).
int createNewNamed(const std::string& dir, const std::string& base, std::string_view tag, std::string& path);
// Gives a file a new visible name in the same folder as above (the old name goes); the new path, or
// the old one when no new name could be given.
std::string renameToNewNamed(const std::string& from, const std::string& dir, const std::string& base,
                             std::string_view tag);

// ---- temporaries (temporaries.cpp)
// Creates a new temporary beside the map and locks it. -1 with err set when it cannot be made, or
// when its lock cannot be had within a short wait (EWOULDBLOCK).
int createLockedTemp(const SplitPath& where, std::string& temp, int& err);
inline constexpr int kLockWaitMs = 2000;

// ---- owner, permissions, extended attributes (attributes.cpp)
// Gives the new file the old one's owner and group (where the user may not give the owner, the
// group alone), permissions, and extended attributes (ACLs among them) where the file system has
// them. Nothing here fails a save: a file system without them keeps what a new file gets.
void keepAttributes(const struct stat& old, const std::string& oldPath, int fd);

// ---- what changed on disk (changed.cpp)
struct KeptVersion {
    bool ok = true;
    std::string path;   // the new name of the version kept; empty when nothing had changed
    std::string reason; // why the other version could not be kept (ok false)
};
// Compares the file at target with what the read found. When it holds something else, or a map
// appeared where there was none, its bytes are copied to a new file in folder, or where that takes
// no new file, in the state folder. A map gone meanwhile leaves nothing to keep.
KeptVersion keepChangedVersion(const std::string& target, const MapOrigin* origin, const std::string& folder);

// ---- the rewrite in place (in_place.cpp)
// Rewrites target with text + rest in place (its owner, permissions and links stay as they are).
// copyPath holds a complete copy of the new content on disk already; it is removed after a
// rewrite that succeeded and named in the reason of one that failed.
WriteResult rewriteInPlace(const std::string& target, std::string_view text, std::string_view rest,
                           const std::string& copyPath, bool copyIsHidden);

} // namespace mapfile::detail
