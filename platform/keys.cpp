#include "platform/keys.hpp"

#include <array>
#include <atomic>

namespace platform::keys {

namespace {
std::array<std::atomic<bool>, 256> keyState{};
}

void setKeyDown(int vk, bool down) {
    if (vk >= 0 && vk < 256) keyState[static_cast<size_t>(vk)].store(down, std::memory_order_relaxed);
}

bool isKeyDown(int vk) {
    return vk >= 0 && vk < 256 && keyState[static_cast<size_t>(vk)].load(std::memory_order_relaxed);
}

void releaseAll() {
    for (auto& k : keyState) k.store(false, std::memory_order_relaxed);
}

} // namespace platform::keys
