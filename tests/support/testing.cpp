#include "tests/support/testing.hpp"

#include "platform/png_writer.hpp"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace testing_support {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "suite-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string dumpImage(const platform::pixels::Bitmap& bitmap, const std::string& name) {
    const char* bin = std::getenv("TEST_BINARY_DIR");
    std::filesystem::path dir = std::filesystem::path(bin ? bin : ".") / "test-output";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    std::string path = (dir / (name + ".png")).string();
    platform::writePng(path, bitmap);
    return path;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace testing_support
