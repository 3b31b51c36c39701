#include "dispatch/reply_pump.h"

#include <variant>

namespace kestrel {

std::optional<ReplyPump::Step> ReplyPump::next(std::size_t maxScanReplies) {
    if (next_ == taken_.size()) {
        taken_.clear();
        next_ = 0;
        queue_.takeAll(taken_);
        if (taken_.empty()) return std::nullopt;
    }
    Step step;
    if (maxScanReplies == 0) maxScanReplies = 1;
    for (; next_ < taken_.size() && step.scan_replies < maxScanReplies; ++next_, ++position_) {
        auto* scan = std::get_if<ScanReplyEvent>(&taken_[next_]);
        if (!scan) break;
        if (watch_) watch_(scan->record);
        if (rows_.add(std::move(scan->record))) ++step.added;
        ++step.scan_replies;
    }
    if (step.scan_replies == 0) {
        step.reply = std::move(taken_[next_++]);
        step.position = position_++;
    }
    return step;
}

void ReplyPump::releaseMemory() {
    if (holding() != 0) return;
    taken_ = {};
    next_ = 0;
}

}  // namespace kestrel
