#include "platform/keys.hpp"

#include <array>
#include <atomic>

namespace platform::keys {

namespace {
// One bit per holder: bit 0 the keyboard, bit 1 + slot a game controller.
std::array<std::atomic<uint32_t>, 256> keyState{};
std::array<std::atomic<uint32_t>, 256> presses{};

uint32_t holderBit(int holder) {
    return holder >= 0 && holder <= kMaxPads ? uint32_t{1} << holder : 0;
}
} // namespace

void setKeyDown(int vk, bool down) {
    setKeyHeld(vk, kKeyboard, down);
}

void setKeyHeld(int vk, int holder, bool held) {
    const uint32_t bit = holderBit(holder);
    if (vk < 0 || vk >= 256 || bit == 0) return;
    std::atomic<uint32_t>& k = keyState[static_cast<size_t>(vk)];
    if (!held) {
        k.fetch_and(~bit, std::memory_order_relaxed);
        return;
    }
    // Up before, by every holder: a new press.
    if (k.fetch_or(bit, std::memory_order_relaxed) == 0)
        presses[static_cast<size_t>(vk)].fetch_add(1, std::memory_order_relaxed);
}

bool isKeyDown(int vk) {
    return vk >= 0 && vk < 256 && keyState[static_cast<size_t>(vk)].load(std::memory_order_relaxed) != 0;
}

uint32_t pressCount(int vk) {
    return vk >= 0 && vk < 256 ? presses[static_cast<size_t>(vk)].load(std::memory_order_relaxed) : 0;
}

void releaseHolder(int holder) {
    const uint32_t bit = holderBit(holder);
    for (auto& k : keyState) k.fetch_and(~bit, std::memory_order_relaxed);
}

void releaseAll() {
    for (auto& k : keyState) k.store(0, std::memory_order_relaxed);
}

} // namespace platform::keys
