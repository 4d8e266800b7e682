#pragma once
// The game's command line: no option is needed to play.
#include "runtime/core/command_line.hpp"

namespace shooter {

const rt::ProgramInfo& shooterProgram();

} // namespace shooter
