#include "shooter/game_state.hpp"

#include "platform/keys.hpp"
#include "platform/sound.hpp"
#include "platform/system.hpp"

namespace shooter {

int16_t isKeyDown(int vk) {
    return platform::keys::isKeyDown(vk) ? int16_t{-32768} : int16_t{0};
}

uint8_t frameKeys(GameState& g, uint8_t wanted) {
    if (g.readKeys) return static_cast<uint8_t>(g.readKeys(wanted) & wanted);
    return readKeyTable(wanted);
}

uint8_t readKeyTable(uint8_t wanted) {
    static constexpr struct {
        uint8_t bit;
        int vk;
    } kKeys[] = {{kKeyBitShot, kKeyShot},
                 {kKeyBitBomb, kKeyBomb},
                 {kKeyBitSpace, platform::keys::kSpace},
                 {kKeyBitUp, platform::keys::kUp},
                 {kKeyBitDown, platform::keys::kDown},
                 {kKeyBitLeft, platform::keys::kLeft},
                 {kKeyBitRight, platform::keys::kRight}};
    uint8_t down = 0;
    for (const auto& key : kKeys)
        if ((wanted & key.bit) != 0 && isKeyDown(key.vk) != 0) down = static_cast<uint8_t>(down | key.bit);
    return down;
}

void playSoundFile(std::string_view name) {
    platform::sound::playWav(platform::nativePath(name));
}

void setDirections(GameState& g) {
    // 0 = down-left, then counter-clockwise as seen on the screen.
    g.dirX = {-1, 0, 1, 1, 1, 0, -1, -1};
    g.dirY = {1, 1, 1, 0, -1, -1, -1, 0};
    g.bulletOffsetX = 10;
    g.bulletOffsetY = 12;
}

void setInitialSpeed(GameState& g) {
    g.speedFactor = 1;
    g.framesPerRow = static_cast<int16_t>(16 / g.speedFactor);
}

void placeShip(GameState& g) {
    g.obj.kind[kShipSlot] = kKindShip;
    g.obj.frame[kShipSlot] = 1;
    g.obj.x[kShipSlot] = 100;
    g.obj.y[kShipSlot] = 400;
    g.obj.kind[kSightSlot] = kKindShip;
    g.obj.frame[kSightSlot] = 2;
    g.obj.x[kSightSlot] = 100;
    g.obj.y[kSightSlot] = 250;
}

} // namespace shooter
