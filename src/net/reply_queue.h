#pragma once
// Ordered hand-over of decoded replies from the capture worker to the thread
// that shows them. The worker never waits for the reader.
#include <functional>
#include <mutex>
#include <vector>

#include "net/reply_event.h"

namespace kestrel {

class ReplyQueue {
public:
    // Called on the pushing thread whenever the queue turns from empty to
    // non-empty, so that the reader is woken once per batch.
    void setNotify(std::function<void()> notify);
    void push(ReplyEvent event);
    // Moves every waiting event, in arrival order, into `out` (appended).
    void takeAll(std::vector<ReplyEvent>& out);
    std::size_t size() const;

private:
    mutable std::mutex mutex_;
    std::vector<ReplyEvent> events_;
    std::function<void()> notify_;
};

}  // namespace kestrel
