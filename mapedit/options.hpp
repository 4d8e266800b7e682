#pragma once
// The editor's command line: no option is needed to edit.
#include "runtime/core/command_line.hpp"

namespace mapedit {

const rt::ProgramInfo& mapeditProgram();

} // namespace mapedit
