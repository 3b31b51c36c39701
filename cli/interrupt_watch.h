#pragma once
// SIGINT and SIGTERM as an orderly stop. A handler may do almost nothing, so
// the signals are blocked in every thread and taken by a watcher thread,
// which may then wake the waiting and stop a capture: the scan ends with its
// list and a whole pcap file. A second signal ends the process at once.
#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

namespace fendrix_cli {

class InterruptWatch {
public:
    // Must be made before any other thread starts: the threads started later
    // inherit the blocked signals. `onSignal` runs on the watcher thread.
    explicit InterruptWatch(std::function<void(int signal)> onSignal);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    sigset_t signals_;
    std::atomic<bool> stopping_{false};
    std::thread watcher_;
};

}  // namespace fendrix_cli
