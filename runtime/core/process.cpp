#include "runtime/core/process.hpp"

#include "platform/system.hpp"
#include "runtime/core/rtmath.hpp"
#include "runtime/core/rtstring.hpp"

#include <csignal>
#include <mutex>
#include <utility>
#include <vector>

namespace rt {

namespace {

struct CleanupList {
    std::mutex lock;
    std::vector<std::function<void()>> releases; // storage order
};

CleanupList& cleanupList() {
    static CleanupList* list = new CleanupList; // outlives every static destructor
    return *list;
}

} // namespace

void rtRuntimeInit() {
    // The string registry and its lock exist from the first use on; what start-up must do is put
    // the generator at its fixed seed.
    (void)rtStrRegistryCount();
    rtRandomize(1);
    // A write past a file size limit (ulimit -f, a quota set that way) is an error the write
    // reports, not the end of the process: the editor keeps its map and says why its save failed.
    std::signal(SIGXFSZ, SIG_IGN);
}

void rtRegisterGlobal(std::function<void()> release) {
    CleanupList& list = cleanupList();
    std::lock_guard guard(list.lock);
    list.releases.push_back(std::move(release));
}

void rtProgramCleanup() {
    std::vector<std::function<void()>> releases;
    {
        CleanupList& list = cleanupList();
        std::lock_guard guard(list.lock);
        releases.swap(list.releases);
    }
    // Released outside the lock: a release may free strings or stop a picture's scan.
    for (auto& release : releases)
        if (release) release();
}

void rtProgramEnd() {
    rtProgramCleanup();
    platform::exitProcess(0);
}

} // namespace rt
