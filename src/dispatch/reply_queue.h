#pragma once
// Ordered hand-over of decoded replies from the capture worker to the thread
// that shows them. The worker never waits for the reader.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "dispatch/reply_event.h"

namespace kestrel {

class ReplyQueue {
public:
    // Far beyond any segment's controllers (a reply takes a few hundred bytes
    // here): the bound only matters when a flood meets a reader held up by a
    // message box, and keeps the process from growing without end.
    static constexpr std::size_t kDefaultCapacity = 1'000'000;

    explicit ReplyQueue(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}

    // Called on the pushing thread whenever the queue turns from empty to
    // non-empty, so that the reader is woken once per batch.
    void setNotify(std::function<void()> notify);
    // Called once, on the pushing thread, when the first event is dropped for
    // a full queue, with a line for the program's diagnostics.
    void setOverflowNote(std::function<void(const std::string& line)> note);
    // False when the queue is full: the event is dropped and counted.
    bool push(ReplyEvent event);
    // For a source that may wait, a replayed file: from now on push() waits
    // while `waiting` events wait, so that the file goes at the reader's pace
    // instead of filling the queue (a live capture never waits: its kernel
    // ring would overflow instead). 0 turns the pacing off.
    void paceTo(std::size_t waiting);
    // Turns the pacing off and lets every waiting push() go on, so that a
    // source can be stopped; from any thread.
    void stopPacing();
    // Moves every waiting event, in arrival order, into `out` (appended).
    void takeAll(std::vector<ReplyEvent>& out);
    std::size_t size() const;
    std::size_t dropped() const;
    // Events pushed and not dropped, ever: the next pushed event takes this
    // position in arrival order (0 for the first).
    std::uint64_t accepted() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable room_;  // a paced push waits here for the reader
    std::size_t paceTo_ = 0;        // 0: pushes never wait
    std::vector<ReplyEvent> events_;
    std::function<void()> notify_;
    std::function<void(const std::string&)> overflowNote_;
    std::size_t capacity_;
    std::size_t dropped_ = 0;
    std::uint64_t accepted_ = 0;
};

}  // namespace kestrel
