#include "platform/system.hpp"

#include "platform/cp932.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

namespace platform {

namespace {
std::mutex sinkMutex;
std::function<void(std::string_view)> debugSink;
} // namespace

void debugOutput(std::string_view cp932Text) {
    std::string utf8 = cp932::toUtf8(cp932Text);
    std::lock_guard lock(sinkMutex);
    if (debugSink) {
        debugSink(utf8);
    } else {
        std::fwrite(utf8.data(), 1, utf8.size(), stderr);
        std::fflush(stderr);
    }
}

void setDebugSink(std::function<void(std::string_view)> sink) {
    std::lock_guard lock(sinkMutex);
    debugSink = std::move(sink);
}

void exitProcess(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

int64_t monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

uint32_t tickCount() {
    return static_cast<uint32_t>(static_cast<uint64_t>(monotonicNs() / 1'000'000));
}

int64_t tickBoundaryAtOrAfter(int64_t ns) {
    int64_t ticks = ns / kTickPeriodNs;
    if (ticks * kTickPeriodNs < ns) ++ticks;
    return ticks * kTickPeriodNs;
}

void sleepMs(int32_t ms) {
    if (ms <= 0) {
        std::this_thread::yield();
        return;
    }
    const int64_t wake = tickBoundaryAtOrAfter(monotonicNs() + int64_t{ms} * 1'000'000);
    const std::chrono::steady_clock::time_point deadline{std::chrono::nanoseconds(wake)};
    std::this_thread::sleep_until(deadline);
}

std::string nativePath(std::string_view path) {
    std::string out(path);
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

std::string ownProgramFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.parent_path().string();
}

} // namespace platform
