#pragma once
// F5: the map saved, then the game started on the same play folder from the cursor's row, beside
// the editor, which goes on.
#include "mapedit/editor.hpp"

#include <string>
#include <vector>

namespace mapedit {

// After F5's save (made as Ctrl+S makes it): when it succeeded, the game is started from the
// cursor's row and the editor says so, or why it could not be.
void playFromCursor(Editor& editor, EditorIo& io);

// Where the game is looked for, in this order: beside the editor's own program, where the build
// tree has it (the editor in <build>/mapedit/, the game in <build>/shooter/), then each folder of
// PATH. ownFolder is the folder of the editor's program; path is $PATH (may be null).
std::vector<std::string> gameCandidates(const std::string& ownFolder, const char* path);

struct GameStart {
    std::string program; // the game that was started
    std::string error;   // why none was (UTF-8); empty when one was
};
// Starts the first candidate that is an executable file, with --from-row row, in the current
// folder, without waiting for it; the game is reaped when it ends. Never waits for the game: an
// exec that fails is told at once.
GameStart startGame(const std::vector<std::string>& candidates, int16_t row);

} // namespace mapedit
