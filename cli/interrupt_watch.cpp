#include "interrupt_watch.h"

#include <pthread.h>

#include <cstdlib>

#include "exit_codes.h"

namespace fendrix_cli {

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
            if (!first) std::_Exit(kExitSignalBase + signal);
            first = false;
            onSignal(signal);
        }
    });
}

InterruptWatch::~InterruptWatch() {
    stopping_ = true;
    pthread_kill(watcher_.native_handle(), SIGTERM);
    watcher_.join();
}

}  // namespace fendrix_cli
