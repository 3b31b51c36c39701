#pragma once
// Hands the replies of a ReplyQueue on in arrival order: scan replies into
// the device list, consecutive ones in one step, and every result or apply
// reply to the reader, one at a time with its arrival position. What was
// taken from the queue and not handed on yet stays here, so that a reader
// that stops (at an answer, at the end of a time slice, while a message box
// is open) goes on where it stopped. The window and fendrix-cli drain
// through it alike; only the owner's thread calls it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "discovery/device_list.h"
#include "dispatch/reply_event.h"
#include "dispatch/reply_queue.h"

namespace kestrel {

// Replies that reached no row and no reader, at the two bounds.
struct ReplyDrops {
    std::size_t queue_full = 0;  // dropped by the full queue before they were taken
    std::size_t list_full = 0;   // distinct scan replies the full list did not take
};

class ReplyPump {
public:
    ReplyPump(ReplyQueue& queue, DeviceList& rows) : queue_(queue), rows_(rows) {}

    struct Step {
        std::size_t scan_replies = 0;     // scan replies this step handed to the list
        std::size_t added = 0;            // rows they added (an equal row or a full list adds none)
        std::optional<ReplyEvent> reply;  // or else one result or apply reply for the reader
        std::uint64_t position = 0;       // its arrival position (0 for the first ever taken)
    };

    // The next step: up to `maxScanReplies` consecutive scan replies into the
    // list (at least one), or the next other reply. Nothing when no reply
    // waits.
    std::optional<Step> next(std::size_t maxScanReplies = std::numeric_limits<std::size_t>::max());

    // Sees every scan reply before the list does, also those it drops.
    void setScanWatch(std::function<void(const DeviceRecord&)> watch) { watch_ = std::move(watch); }

    // Replies taken from the queue and not handed on yet.
    std::size_t holding() const { return taken_.size() - next_; }
    // Gives back the memory of the hand-over buffer when it holds nothing.
    void releaseMemory();

    ReplyDrops drops() const { return {queue_.dropped(), rows_.refused()}; }

private:
    ReplyQueue& queue_;
    DeviceList& rows_;
    std::vector<ReplyEvent> taken_;
    std::size_t next_ = 0;        // first of taken_ not handed on
    std::uint64_t position_ = 0;  // arrival position of taken_[next_]
    std::function<void(const DeviceRecord&)> watch_;
};

}  // namespace kestrel
