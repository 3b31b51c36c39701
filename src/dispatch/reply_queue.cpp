#include "dispatch/reply_queue.h"

#include <utility>

namespace kestrel {

void ReplyQueue::setNotify(std::function<void()> notify) {
    std::lock_guard lock(mutex_);
    notify_ = std::move(notify);
}

void ReplyQueue::setOverflowNote(std::function<void(const std::string& line)> note) {
    std::lock_guard lock(mutex_);
    overflowNote_ = std::move(note);
}

bool ReplyQueue::push(ReplyEvent event) {
    std::function<void()> notify;
    {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return paceTo_ == 0 || events_.size() < paceTo_; });
        if (events_.size() >= capacity_) {
            if (dropped_++ != 0 || !overflowNote_) return false;
            const auto note = overflowNote_;
            const std::size_t waiting = events_.size();
            lock.unlock();
            note("reply queue full (" + std::to_string(waiting) +
                 " waiting): further replies are dropped");
            return false;
        }
        const bool wasEmpty = events_.empty();
        events_.push_back(std::move(event));
        ++accepted_;
        if (wasEmpty) notify = notify_;
    }
    // Outside the lock: the reader may take the batch from inside its wake-up.
    if (notify) notify();
    return true;
}

void ReplyQueue::paceTo(std::size_t waiting) {
    {
        std::lock_guard lock(mutex_);
        paceTo_ = waiting;
    }
    room_.notify_all();
}

void ReplyQueue::stopPacing() { paceTo(0); }

void ReplyQueue::takeAll(std::vector<ReplyEvent>& out) {
    std::vector<ReplyEvent> batch;
    {
        std::lock_guard lock(mutex_);
        batch.swap(events_);
    }
    room_.notify_all();
    if (out.empty()) {
        out.swap(batch);
        return;
    }
    out.reserve(out.size() + batch.size());
    for (auto& e : batch) out.push_back(std::move(e));
}

std::size_t ReplyQueue::dropped() const {
    std::lock_guard lock(mutex_);
    return dropped_;
}

std::uint64_t ReplyQueue::accepted() const {
    std::lock_guard lock(mutex_);
    return accepted_;
}

std::size_t ReplyQueue::size() const {
    std::lock_guard lock(mutex_);
    return events_.size();
}

}  // namespace kestrel
