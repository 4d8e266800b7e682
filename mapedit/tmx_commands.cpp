#include "mapedit/tmx_commands.hpp"

#include "maptmx/tmx.hpp"

#include <cstdio>

namespace mapedit {

std::optional<int> runTmxCommand(const rt::Options& options, const rt::ProgramInfo& program) {
    const auto exportTo = options.value("--export-tmx");
    const auto importFrom = options.value("--import-tmx");
    if (!exportTo && !importFrom) return std::nullopt;
    if (exportTo && importFrom)
        rt::commandLineError(program, "--export-tmx and --import-tmx cannot go together");
    if (importFrom && importFrom->empty()) rt::commandLineError(program, "--import-tmx needs a file name");
    const maptmx::Result result =
        exportTo
            ? maptmx::exportTmx(mapfile::kMapFileName, exportTo->empty() ? maptmx::kTmxFileName : *exportTo)
            : maptmx::importTmx(*importFrom, mapfile::kMapFileName);
    if (!result.message.empty()) std::fprintf(stderr, "mapedit: %s\n", result.message.c_str());
    if (result.ok)
        std::printf(
            "%s\n",
            exportTo
                ? ("wrote " + (exportTo->empty() ? std::string(maptmx::kTmxFileName) : *exportTo)).c_str()
                : (std::string("wrote ") + mapfile::kMapFileName).c_str());
    return result.ok ? 0 : 1;
}

} // namespace mapedit
