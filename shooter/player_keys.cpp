#include "shooter/player_keys.hpp"

#include "platform/keys.hpp"
#include "platform/sound.hpp"
#include "platform/system.hpp"
#include "runtime/core/rtstring.hpp"
#include "runtime/prompt/overlay.hpp"

#include <string>
#include <utility>
#include <vector>

namespace shooter {

namespace {

// The signs stand on the black panel right of the playfield, one above the other, and the
// window's notices below them.
constexpr int32_t kPanelX = 520;
constexpr int32_t kPanelColumns = 15;
constexpr int32_t kRowPixels = 16;
constexpr int32_t kPauseSlot = 0, kPauseRow = 1;
constexpr int32_t kMuteSlot = 1, kMuteRow = 4;
constexpr int32_t kNoticeRow = 7, kNoticeRows = 12;

// The game's texts become CP932 as all its texts do.
std::string text(std::string_view utf8) {
    rt::RtString s = rt::rtStrLiteral(utf8);
    std::string bytes(rt::rtStrView(s));
    rt::rtStrFree(s);
    return bytes;
}

void showSign(int32_t slot, int32_t row, bool shown, std::string_view first, std::string_view second) {
    if (shown)
        prompt::promptShowOverlay(slot, kPanelX, row * kRowPixels, {text(first), text(second)});
    else
        prompt::promptHideOverlay(slot);
}

} // namespace

PlayerKeys::PlayerKeys(PlayerKeyServices services) : services_(std::move(services)) {}

void placeNoticesOnPanel() {
    prompt::promptSetNoticeArea(kPanelX, kNoticeRow * kRowPixels, kPanelColumns, kNoticeRows);
}

PlayerKeyServices PlayerKeys::programServices() {
    return {platform::keys::pressCount, [] { platform::sleepMs(1); },
            [](bool paused) {
                platform::sound::setPaused(paused);
                showSign(kPauseSlot, kPauseRow, paused, "一時停止中", "Pで再開");
            },
            [](bool muted) {
                platform::sound::setMuted(muted);
                showSign(kMuteSlot, kMuteRow, muted, "消音中", "Mで解除");
            }};
}

uint32_t PlayerKeys::newPauses() {
    const uint32_t now = services_.presses(kKeyPause) + services_.presses(platform::keys::kPause);
    const uint32_t n = now - pausesSeen_; // the counts wrap, their difference does not
    pausesSeen_ = now;
    return n;
}

uint32_t PlayerKeys::newMutes() {
    const uint32_t now = services_.presses(kKeyMute);
    const uint32_t n = now - mutesSeen_;
    mutesSeen_ = now;
    return n;
}

void PlayerKeys::takeMutes() {
    if (newMutes() % 2 == 0) return;
    muted_ = !muted_;
    if (services_.muted) services_.muted(muted_);
}

void PlayerKeys::betweenFrames() {
    takeMutes();
    if (newPauses() % 2 == 0) return;
    if (services_.paused) services_.paused(true);
    do {
        if (services_.wait) services_.wait();
        takeMutes();
    } while (newPauses() % 2 == 0);
    if (services_.paused) services_.paused(false);
}

} // namespace shooter
