#include "shooter/play_folder.hpp"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace shooter {

void notePlayFolder() {
    namespace fs = std::filesystem;
    std::error_code error;
    const bool map = fs::is_regular_file("AREA1.csv", error);
    const bool pictures = fs::is_directory("bmp", error);
    if (map && pictures) return;
    std::string missing = !map && !pictures ? "AREA1.csv and bmp/ are" : !map ? "AREA1.csv is" : "bmp/ is";
    const fs::path here = fs::current_path(error);
    std::fprintf(stderr,
                 "shooter: %s missing in %s: this is not a play folder, so the ground and the sprites "
                 "stay dark.\n"
                 "shooter: 'shooter-play' lays out a play folder with the default data (in "
                 "~/.local/share/shooter-play) and starts the game there.\n",
                 missing.c_str(), here.empty() ? "the current folder" : here.c_str());
}

} // namespace shooter
