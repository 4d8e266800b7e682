#pragma once
// The game's command line: no option is needed to play.
#include "runtime/core/command_line.hpp"

#include <string>

namespace shooter {

const rt::ProgramInfo& shooterProgram();

// How the run is played: as usual, recorded to a file, or played back from one at the recorded
// pace or as fast as it goes.
enum class RunMode { Play, Record, Replay, Timedemo };

struct RunRequest {
    RunMode mode = RunMode::Play;
    std::string file;  // the recording's file name, except for Play
    std::string error; // why the options cannot go together; empty when they can
};

// What --record, --replay and --timedemo ask for. At most one of them, with a file name.
RunRequest runRequest(const rt::Options& options);

} // namespace shooter
