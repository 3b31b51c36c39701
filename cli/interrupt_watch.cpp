#include "interrupt_watch.h"

#include <csignal>
#include <cstdlib>

#include "exit_codes.h"

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#else
#include <pthread.h>
#endif

namespace fendrix_cli {

#ifdef _WIN32

namespace {

std::function<void(int)> onSignalOfWatch;
std::atomic<int> signalsSeen{0};

// The system calls console handlers on a thread of their own.
BOOL WINAPI onConsoleEvent(DWORD type) {
    const int signal = type == CTRL_C_EVENT ? SIGINT : SIGTERM;
    if (signalsSeen.fetch_add(1) > 0) std::_Exit(exitForSignal(signal));
    onSignalOfWatch(signal);
    return TRUE;
}

}  // namespace

InterruptWatch::InterruptWatch(std::function<void(int signal)> onSignal) {
    onSignalOfWatch = std::move(onSignal);
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch() { SetConsoleCtrlHandler(onConsoleEvent, FALSE); }

#else

InterruptWatch::InterruptWatch(std::function<void(int signal)> onSignal) {
    sigemptyset(&signals_);
    sigaddset(&signals_, SIGINT);
    sigaddset(&signals_, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
    watcher_ = std::thread([this, onSignal = std::move(onSignal)] {
        bool first = true;
        for (;;) {
            int signal = 0;
            if (sigwait(&signals_, &signal) != 0) continue;
            if (stopping_) return;
            // The operator insists: no more waiting for an orderly end.
            if (!first) std::_Exit(exitForSignal(signal));
            first = false;
            onSignal(signal);
        }
    });
}

InterruptWatch::~InterruptWatch() {
    stopping_ = true;
    // NOLINTNEXTLINE(bugprone-bad-signal-to-kill-thread): only wakes sigwait (SIGTERM is blocked)
    pthread_kill(watcher_.native_handle(), SIGTERM);
    watcher_.join();
}

#endif

}  // namespace fendrix_cli
