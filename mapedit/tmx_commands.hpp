#pragma once
// The editor's command lines without a window: the map to Tiled (--export-tmx) and back
// (--import-tmx).
#include "runtime/core/command_line.hpp"

#include <optional>

namespace mapedit {

// Runs the export or the import the options ask for and returns the exit status (0 done, 1 not),
// or nothing when they ask for neither.
std::optional<int> runTmxCommand(const rt::Options& options, const rt::ProgramInfo& program);

} // namespace mapedit
