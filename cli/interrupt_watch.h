#pragma once
// SIGINT and SIGTERM (Ctrl+C, Ctrl+Break and closing the console on Windows)
// as an orderly stop: the scan ends with its list and a whole pcap file. A
// second one ends the process at once.
#include <functional>

#ifndef _WIN32
#include <atomic>
#include <csignal>
#include <thread>
#endif

namespace fendrix_cli {

class InterruptWatch {
public:
    // `onSignal` gets SIGINT or SIGTERM on a thread of its own. On POSIX the
    // signals are blocked in every thread and taken by a watcher thread, so
    // the watch must be made before any other thread starts: the threads
    // started later inherit the blocked signals. One watch at a time.
    explicit InterruptWatch(std::function<void(int signal)> onSignal);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
#ifndef _WIN32
    sigset_t signals_;
    std::atomic<bool> stopping_{false};
    std::thread watcher_;
#endif
};

}  // namespace fendrix_cli
