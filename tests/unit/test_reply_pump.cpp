// The hand-over of replies from the queue to the device list and the reader
// that the window and fendrix-cli share.
#include <gtest/gtest.h>

#include <string>
#include <variant>

#include "dispatch/reply_pump.h"
#include "test_records.h"

using namespace kestrel;

namespace {
ReplyEvent scan(const std::string& ip) {
    return ScanReplyEvent{kestrel::testing::controllerRecord("00:1a:2b:00:00:01", ip)};
}
}  // namespace

TEST(ReplyPump, HandsOnInOrderAndCountsDropsAtBothBounds) {
    ReplyQueue queue(5);
    DeviceList list(2);
    ReplyPump pump(queue, list);
    // The sixth and seventh find the queue full.
    for (const char* ip : {"10.0.0.1", "10.0.0.2"}) queue.push(scan(ip));
    queue.push(ResultReplyEvent{7, {}});
    for (const char* ip : {"10.0.0.1", "10.0.0.3", "10.0.0.4", "10.0.0.5"}) queue.push(scan(ip));

    const struct {
        std::size_t scans, added;
        bool reply;
        std::uint64_t position;
    } steps[] = {
        {2, 2, false, 0},  // consecutive scan replies in one step
        {0, 0, true, 2},   // the result reply with its arrival position
        {2, 0, false, 0},  // an equal row, then one the full list refuses
    };
    for (const auto& want : steps) {
        auto step = pump.next();
        ASSERT_TRUE(step);
        EXPECT_EQ(step->scan_replies, want.scans);
        EXPECT_EQ(step->added, want.added);
        EXPECT_EQ(step->reply.has_value(), want.reply);
        if (want.reply) {
            EXPECT_EQ(step->position, want.position);
        }
    }
    EXPECT_FALSE(pump.next());
    EXPECT_EQ(list.size(), 2u);
    EXPECT_EQ(pump.drops().queue_full, 2u);
    EXPECT_EQ(pump.drops().list_full, 1u);  // the equal row is no drop
}

TEST(ReplyPump, StepsHoldAtMostTheRowsAsked) {
    ReplyQueue queue;
    DeviceList list;
    ReplyPump pump(queue, list);
    for (int i = 0; i < 5; ++i) queue.push(scan("10.0.1." + std::to_string(i)));
    EXPECT_EQ(pump.next(2)->scan_replies, 2u);
    EXPECT_EQ(pump.holding(), 3u);  // kept for the next call
    EXPECT_EQ(pump.next(2)->scan_replies, 2u);
    EXPECT_EQ(pump.next(2)->scan_replies, 1u);
    EXPECT_FALSE(pump.next(2));
}

TEST(ReplyPump, PositionsCountOnlyTheRepliesTheQueueTook) {
    ReplyQueue queue(3);
    DeviceList list;
    ReplyPump pump(queue, list);
    queue.push(scan("10.0.2.1"));
    queue.push(ResultReplyEvent{1, {}});
    queue.push(ApplyReplyEvent{});
    EXPECT_FALSE(queue.push(ResultReplyEvent{2, {}}));  // dropped: it takes no position
    const std::uint64_t first[] = {1, 2};
    EXPECT_EQ(pump.next()->scan_replies, 1u);
    for (auto want : first) EXPECT_EQ(pump.next()->position, want);
    queue.push(ResultReplyEvent{3, {}});
    EXPECT_EQ(pump.next()->position, 3u);
}
