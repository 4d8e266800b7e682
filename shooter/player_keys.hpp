#pragma once
// The player's keys beside the game's controls: P or Pause holds the game, M mutes the shot sound.
// They change nothing the game computes and no frame reads them: the presses are counted by the
// key-state table (so a press shorter than a frame still counts) and looked at between two frames,
// where a pause holds the loop until the next press. No game time passes meanwhile: after it the
// game goes on exactly where it was, and a recording or a replay just waits with it.
#include "platform/key_codes.hpp"

#include <cstdint>
#include <functional>

namespace shooter {

inline constexpr int kKeyPause = platform::keys::letter('P'); // and the Pause key
inline constexpr int kKeyMute = platform::keys::letter('M');

// The window's notices (F12's saved picture) go on the panel right of the playfield, below the
// signs of pause and mute.
void placeNoticesOnPanel();

struct PlayerKeyServices {
    // How often the key went down so far (platform::keys::pressCount).
    std::function<uint32_t(int vk)> presses;
    // One wait of the paused game before it looks at the keys again.
    std::function<void()> wait;
    // The game is held, or goes on: the window and the sound follow.
    std::function<void(bool paused)> paused;
    // The shot sound is muted, or plays again.
    std::function<void(bool muted)> muted;
};

class PlayerKeys {
  public:
    explicit PlayerKeys(PlayerKeyServices services);
    // The window's sign, the sound and the key-state table, as the program has them.
    static PlayerKeyServices programServices();

    // Between two frames: each press of M since the last look mutes or unmutes, and an odd number
    // of pause presses holds the game here, looking at the keys after each wait (M still mutes),
    // until the next pause press.
    void betweenFrames();
    bool isMuted() const { return muted_; }

  private:
    // Presses of the keys since the last look.
    uint32_t newPauses();
    uint32_t newMutes();
    void takeMutes();

    PlayerKeyServices services_;
    uint32_t pausesSeen_ = 0;
    uint32_t mutesSeen_ = 0;
    bool muted_ = false;
};

} // namespace shooter
