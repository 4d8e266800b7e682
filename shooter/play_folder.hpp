#pragma once
// The game reads its map and pictures from the current folder, the play folder.

namespace shooter {

// Says on stderr when the current folder lacks the map or the pictures, and how to get a play
// folder. The game plays on either way, with what it finds.
void notePlayFolder();

} // namespace shooter
