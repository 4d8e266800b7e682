#include "shooter/game_state.hpp"

#include "platform/keys.hpp"
#include "platform/sound.hpp"
#include "platform/system.hpp"

namespace shooter {

int16_t isKeyDown(int vk) {
    return platform::keys::isKeyDown(vk) ? int16_t{-32768} : int16_t{0};
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
