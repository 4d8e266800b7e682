#include "shooter/options.hpp"

namespace shooter {

const rt::ProgramInfo& shooterProgram() {
    static const rt::ProgramInfo program{
        "shooter",
        "A vertical-scrolling shooting game. Plays AREA1.csv with the pictures in bmp/ of the current "
        "folder.",
        {
            {"--scale", "N",
             "show each pixel as an N x N block, N from 1 to 8 (default: the desktop's scale)"},
            {"--no-vsync", "", "show each picture at once instead of at the display's next refresh"},
            {"--record", "FILE", "play as usual and write the run to FILE (a new file)"},
            {"--replay", "FILE", "play the run in FILE back at its pace, then print its frames and hashes"},
            {"--timedemo", "FILE", "play the run in FILE back as fast as possible, then also print frames/s"},
            {"--from-row", "N", "start the map at row N (0 to its last row) instead of its last row"},
        },
        "Keys: arrow keys move, X fires, Z drops a bomb, P or Pause pauses and resumes, M mutes and\n"
        "unmutes the shot sound, F12 saves the window's picture as a PNG in the pictures folder\n"
        "(xdg-user-dir PICTURES, else ~/Pictures) under shooter/, Alt+Enter toggles fullscreen,\n"
        "Alt+Plus and Alt+Minus make the window larger and smaller. A replay takes no keys but\n"
        "these (a pause holds it); closing its window ends it early.\n"
        "Files (in the current folder, the play folder): AREA1.csv, bmp/, sound/zapper.wav.\n"
        "shooter-play lays out a play folder with the default data and starts the game there.\n"
        "A run replays only with the map and pictures it was recorded with, from the row it was\n"
        "recorded from. --from-row brings row N in first (the map scrolls from its last row to row\n"
        "0, then again from the last); the ground objects of the rows below N do not start.\n"
        "Exit status: 0 when the window is closed or a replay has ended, 2 for a wrong command line or\n"
        "a recording that cannot be written or played, 1 when the window cannot be opened.\n"};
    return program;
}

RunRequest runRequest(const rt::Options& options) {
    static constexpr struct {
        std::string_view name;
        RunMode mode;
    } kModes[] = {
        {"--record", RunMode::Record}, {"--replay", RunMode::Replay}, {"--timedemo", RunMode::Timedemo}};
    RunRequest request;
    std::string given;
    for (const auto& m : kModes) {
        const auto file = options.value(m.name);
        if (!file) continue;
        if (!given.empty()) {
            request.error.append(given).append(" and ").append(m.name).append(" cannot go together: ");
            request.error.append(m.mode == RunMode::Timedemo && given == "--replay"
                                     ? "a run is played back either at its pace or as fast as possible"
                                     : "a replay takes its keys from the file, there are none to record");
            return request;
        }
        if (file->empty()) {
            request.error.append(m.name).append(" needs a file name");
            return request;
        }
        given = m.name;
        request.mode = m.mode;
        request.file = *file;
    }
    if (options.has("--from-row") && (request.mode == RunMode::Replay || request.mode == RunMode::Timedemo))
        request.error =
            std::string(request.mode == RunMode::Replay ? "--replay" : "--timedemo") +
            " and --from-row cannot go together: a run is played back from the row it was recorded from";
    return request;
}

} // namespace shooter
