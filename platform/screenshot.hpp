#pragma once
// Pictures of the window saved as PNG files: into the desktop's pictures folder, in a folder named
// after the program, under a name made of the date and time that is never one a file has already.
#include "platform/files.hpp"
#include "platform/pixels.hpp"

#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform::screenshot {

// Reads an environment variable: its value, or nothing when it is not set.
using Environment = std::function<std::optional<std::string>(const char* name)>;
// The process's own environment.
std::optional<std::string> processEnvironment(const char* name);

// The desktop's pictures folder, found as xdg-user-dir finds it: XDG_PICTURES_DIR in
// user-dirs.dirs of the configuration folder ($XDG_CONFIG_HOME when it is absolute, else
// ~/.config), a line such as XDG_PICTURES_DIR="$HOME/Bilder" (the last such line counts; a value
// that neither starts with $HOME nor is absolute is passed over), else the variable of that name in
// the environment, read the same way, else ~/Pictures. The home folder is $HOME when it is
// absolute, else the user's own from the password database; empty when there is none.
std::string picturesFolder(const Environment& environment = processEnvironment);

// The name of a picture taken at that local time, without ".png": program-YYYY-MM-DD_HH-MM-SS.
std::string pictureStem(std::string_view program, const std::tm& local);

struct Saved {
    bool ok = false;
    std::string path;  // the file written (when ok)
    std::string error; // what failed, naming the file or folder (when not ok)
};

// Writes the picture as PNG into folder/program/ (made when missing), named by pictureStem at the
// time `when`, or with -2, -3 ... before ".png" when that name is taken: never over an existing
// file. A file that could not be written whole is removed again. write stands in for the system's
// write call in tests (a full disk).
Saved savePicture(const pixels::Bitmap& picture, std::string_view program, const std::string& folder,
                  std::time_t when, files::WriteCall write = nullptr);

// The line for the terminal: where the picture went, or why it did not.
std::string outcomeLine(std::string_view program, const Saved& saved);

} // namespace platform::screenshot
