#pragma once
// The end of one capture worker's run, alike for every capture source: a
// loss that no stop() asked for is reported once, then the end is announced
// to whoever waits for it.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

#include "transport/capture_source.h"

namespace kestrel {

class CaptureWorkerEnd {
public:
    // Before the worker starts; `lossSink` (may be empty) hears of its loss.
    void begin(LoopErrorSink lossSink) {
        lossSink_ = std::move(lossSink);
        std::lock_guard lock(mutex_);
        finished_ = false;
    }

    // Last thing on the worker. The loss is reported before the end is
    // announced, so that a waiter already knows about it.
    void finish(const std::optional<CaptureError>& lost) {
        if (lost && lossSink_) lossSink_(*lost);
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        cv_.notify_all();
    }

    // After the worker has been joined.
    void release() { lossSink_ = nullptr; }

    void wait() {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [this] { return finished_; });
    }

    bool waitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [this] { return finished_; });
    }

private:
    LoopErrorSink lossSink_;  // the running worker's; set before it starts
    std::mutex mutex_;
    std::condition_variable cv_;
    bool finished_ = true;
};

}  // namespace kestrel
