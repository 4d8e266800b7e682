#pragma once
// The game's one state object: the object table of sprite slots and every game variable, with
// the exact integer widths the routines count in. Created once by the program, passed by reference
// to every routine; tests build a fresh one per case.
#include "platform/key_codes.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

namespace shooter {

inline constexpr int kSlotCount = 101;
inline constexpr int kMapRows = 1001;
inline constexpr int kMapColumns = 33;
// Columns 0..31 are the playfield's tiles; column 32 is stored but lies beyond the map's edge.
inline constexpr int kMapVisibleColumns = 32;

// Fixed slot ranges of the object table.
inline constexpr int kShipSlot = 0;
inline constexpr int kSightSlot = 1;
inline constexpr int kFirstFlashSlot = 3;   // 3..5
inline constexpr int kFirstShotSlot = 6;    // 6..8
inline constexpr int kFirstEnemySlot = 9;   // 9..20
inline constexpr int kFirstBulletSlot = 21; // 21..50
inline constexpr int kBombSlot = 51;
inline constexpr int kMarkerSlot = 52;
inline constexpr int kFortressSlot = 53;
inline constexpr int kFirstGroundSlot = 61; // 61..80
inline constexpr int kFirstWreckSlot = 81;  // 81..100, slot 81 + i belongs to ground object 61 + i

inline constexpr int kFlashCount = 3;
inline constexpr int kShotCount = 3;
inline constexpr int kEnemyCount = 12;
inline constexpr int kBulletCount = 30;
inline constexpr int kGroundCount = 20;

// Characters (sprite numbers) the game places in the table.
inline constexpr int16_t kKindEnemy = 1;
inline constexpr int16_t kKindExplosion = 23;
inline constexpr int16_t kKindWreck = 24;
inline constexpr int16_t kKindShip = 25; // also the sight (frame 2) and the bomb marker (frame 3)
inline constexpr int16_t kKindFlash = 27;
inline constexpr int16_t kKindShot = 28; // also the bomb (frames 2 and 3)
inline constexpr int16_t kKindBullet = 29;
inline constexpr int16_t kKindFortress = 30;

// The keys of the game's controls besides the arrows.
inline constexpr int kKeyShot = platform::keys::letter('X');
inline constexpr int kKeyBomb = platform::keys::letter('Z');

// A frame reads its keys once, as one byte with a bit per key: what a recording keeps per frame.
inline constexpr uint8_t kKeyBitShot = 0x01;  // "X"
inline constexpr uint8_t kKeyBitBomb = 0x02;  // "Z"
inline constexpr uint8_t kKeyBitSpace = 0x04; // the shot key of the speed measurement
inline constexpr uint8_t kKeyBitUp = 0x08;
inline constexpr uint8_t kKeyBitDown = 0x10;
inline constexpr uint8_t kKeyBitLeft = 0x20;
inline constexpr uint8_t kKeyBitRight = 0x40;
inline constexpr uint8_t kKeyBitsArrows = kKeyBitUp | kKeyBitDown | kKeyBitLeft | kKeyBitRight;
// The keys each kind of frame reads: a game frame and a frame of the speed measurement.
inline constexpr uint8_t kGameFrameKeys = kKeyBitShot | kKeyBitBomb | kKeyBitsArrows;
inline constexpr uint8_t kCalibrationFrameKeys = kKeyBitSpace | kKeyBitsArrows;

// Every sprite on screen lives in one slot; kind 0 marks a free slot. Freeing a slot clears only
// its kind: frame and position keep their last values until the slot is used again.
struct ObjectTable {
    std::array<int16_t, kSlotCount> kind{};
    std::array<int16_t, kSlotCount> frame{};
    std::array<double, kSlotCount> x{};
    std::array<double, kSlotCount> y{};
};

// Plays a sound file named with the game's own separator ("sound\zapper.wav"). The program plays
// it through the platform; tests put a recorder here.
using SoundPlayer = std::function<void(std::string_view name)>;

// Where a frame's keys come from: given the bits the frame reads, the byte of those that are down.
// Empty: the key-state table (keyboard and pads), read there and then. A replay puts the recorded
// bytes here, a recording the table's bytes written down as they are read.
using KeySource = std::function<uint8_t(uint8_t wanted)>;

struct GameState {
    ObjectTable obj;

    int16_t speedFactor = 0;
    int16_t framesPerRow = 0;
    double frameWait = 0;
    int16_t scrollCounter = 0;
    int16_t mapRow = 0;
    int16_t lastRow = 0;
    // Row after row: cell (row, column) at row * 33 + column.
    std::array<int16_t, kMapRows * kMapColumns> mapCells{};

    double playerX = 0;
    double playerY = 0;

    std::array<int16_t, kShotCount> shotActive{};
    int16_t bombTimer = 0;
    std::array<int16_t, kFlashCount> flashTimer{};
    std::array<int16_t, kGroundCount> wreckTimer{};

    std::array<double, 8> dirX{};
    std::array<double, 8> dirY{};
    int16_t bulletOffsetX = 0;
    int16_t bulletOffsetY = 0;

    uint8_t shotKeyLatch = 0;
    uint8_t bombKeyLatch = 0;

    std::array<double, kEnemyCount> enemyDX{};
    std::array<double, kEnemyCount> enemyDY{};
    std::array<int16_t, kEnemyCount> enemyCount{};

    std::array<double, kBulletCount> bulletVX{};
    std::array<double, kBulletCount> bulletVY{};

    std::array<int16_t, kGroundCount> groundTimer{};
    std::array<int16_t, kGroundCount> pathStep{};
    std::array<double, kGroundCount> pathCol{};
    std::array<double, kGroundCount> pathRow{};
    std::array<int16_t, kGroundCount> pathDir{};

    int16_t fortressTimer = 0;

    SoundPlayer playSound;
    KeySource readKeys;
};

// The key's state as the game reads it: -32768 while the key is down, 0 while it is up.
int16_t isKeyDown(int vk);
// The wanted keys of this frame (kKeyBit...), each read once: from readKeys, or else with isKeyDown.
uint8_t frameKeys(GameState& g, uint8_t wanted);
// The wanted keys as the key-state table has them now.
uint8_t readKeyTable(uint8_t wanted);

// The platform's sound player: the name's separators become the system's, the file plays
// asynchronously and cuts off a sound still playing; a missing file or device plays nothing.
void playSoundFile(std::string_view name);

// Start-up pieces that need no pictures, in the program's order:
// the eight direction steps and the enemy bullets' usual offset (10, 12),
void setDirections(GameState& g);
// the movement multiplier before any measurement (1, and 16 frames per map row),
void setInitialSpeed(GameState& g);
// the ship at (100, 400) with its sight 150 pixels ahead.
void placeShip(GameState& g);

} // namespace shooter
