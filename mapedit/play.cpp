#include "mapedit/play.hpp"

#include "mapedit/editor_parts.hpp"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace mapedit {

using namespace parts;

namespace {

constexpr const char* kGameName = "shooter";

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

} // namespace

std::vector<std::string> gameCandidates(const std::string& ownFolder, const char* path) {
    std::vector<std::string> found;
    if (!ownFolder.empty()) {
        found.push_back(ownFolder + "/" + kGameName);
        found.push_back(ownFolder + "/../shooter/" + kGameName);
    }
    const std::string folders = path ? path : "";
    for (size_t at = 0; at <= folders.size();) {
        const size_t end = std::min(folders.find(':', at), folders.size());
        // An empty entry of PATH is the current folder; the play folder holds no program, and a
        // map maker's folder is no place to run one from.
        if (end > at) found.push_back(folders.substr(at, end - at) + "/" + kGameName);
        at = end + 1;
    }
    return found;
}

GameStart startGame(const std::vector<std::string>& candidates, int16_t row) {
    std::string program;
    for (const std::string& c : candidates)
        if (isExecutableFile(c)) {
            program = c;
            break;
        }
    if (program.empty())
        return {{},
                std::string("ゲーム(") + kGameName + ")が見つかりません: エディタの隣にもPATHにもありません"};
    const std::string rowText = std::to_string(row);
    char* argv[] = {program.data(), const_cast<char*>("--from-row"), const_cast<char*>(rowText.c_str()),
                    nullptr};
    pid_t pid = 0;
    // The game starts with no signal blocked and every signal's action at its default, whatever
    // the editor's threads hold.
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    ::posix_spawnattr_setsigmask(&attributes, &none);
    ::posix_spawnattr_setsigdefault(&attributes, &all);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    // posix_spawn tells an exec that failed as its result, without waiting for the game.
    const int err = ::posix_spawn(&pid, program.c_str(), nullptr, &attributes, argv, environ);
    ::posix_spawnattr_destroy(&attributes);
    if (err != 0) return {program, "ゲームを起動できません(" + program + "): " + std::strerror(err)};
    // The game goes on by itself; its end is collected so that it leaves nothing behind.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return {program, {}};
}

void playFromCursor(Editor& editor, EditorIo& io) {
    const std::string why = io.startGame(editor.cursorRow);
    const std::string line =
        why.empty() ? "ゲームを行 " + std::to_string(editor.cursorRow) + " から始めました。" : why;
    tellDebugOutput(line);
    printReason(io, line);
    editor.saveMessageShown = true; // wiped by the next key with the save's message
}

} // namespace mapedit
