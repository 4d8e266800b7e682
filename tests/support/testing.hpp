#pragma once
// Helpers shared by the tests.
#include "platform/pixels.hpp"

#include <filesystem>
#include <string>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed again when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Writes the image as PNG beside the test log (the build folder's test-output/) and returns the
// path, so that a failing pixel test shows what it saw.
std::string dumpImage(const platform::pixels::Bitmap& bitmap, const std::string& name);

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

} // namespace testing_support
