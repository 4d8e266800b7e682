#include "platform/signals.hpp"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

namespace platform::signals {

namespace {

std::atomic<int> pending{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

void onSignal(int signal) {
    int none = 0;
    pending.compare_exchange_strong(none, signal);
}

} // namespace

void catchEndSignals() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
}

int pendingEndSignal() {
    return pending.load();
}

void endBySignal(int signal) {
    std::fflush(nullptr);
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    sigset_t unblock;
    sigemptyset(&unblock);
    sigaddset(&unblock, signal);
    pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
    ::raise(signal);
    _exit(128 + signal); // a signal that did not end the process
}

} // namespace platform::signals
