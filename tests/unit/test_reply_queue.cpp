#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "dispatch/reply_queue.h"

using namespace kestrel;

namespace {
ReplyEvent result(std::uint8_t code) { return ResultReplyEvent{code, {}}; }
std::uint8_t codeOf(const ReplyEvent& e) { return std::get<ResultReplyEvent>(e).result; }
}  // namespace

TEST(ReplyQueue, NotifiesOncePerBatchAndKeepsOrder) {
    ReplyQueue queue;
    int wakeUps = 0;
    queue.setNotify([&] { ++wakeUps; });
    queue.push(result(1));
    queue.push(result(2));
    queue.push(ScanReplyEvent{});
    EXPECT_EQ(wakeUps, 1);
    EXPECT_EQ(queue.size(), 3u);

    std::vector<ReplyEvent> out{result(9)};  // taken events are appended
    queue.takeAll(out);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(codeOf(out[1]), 1);
    EXPECT_EQ(codeOf(out[2]), 2);
    EXPECT_TRUE(std::holds_alternative<ScanReplyEvent>(out[3]));
    EXPECT_EQ(queue.size(), 0u);

    queue.push(result(3));  // a new batch wakes the reader again
    EXPECT_EQ(wakeUps, 2);
}

TEST(ReplyQueue, ReaderMayTakeFromInsideTheWakeUp) {
    ReplyQueue queue;
    std::vector<ReplyEvent> out;
    queue.setNotify([&] { queue.takeAll(out); });  // must not deadlock
    queue.push(result(1));
    queue.push(result(2));
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(codeOf(out[1]), 2);
}

TEST(ReplyQueue, PushingThreadLosesNothingAndKeepsOrder) {
    ReplyQueue queue;
    std::atomic<int> wakeUps{0};
    queue.setNotify([&] { ++wakeUps; });
    constexpr int kCount = 20000;
    std::thread worker([&] {
        for (int i = 0; i < kCount; ++i) queue.push(result(static_cast<std::uint8_t>(i & 0xff)));
    });
    std::vector<ReplyEvent> taken;
    int batches = 0;
    while (taken.size() < static_cast<std::size_t>(kCount)) {
        const auto before = taken.size();
        queue.takeAll(taken);
        if (taken.size() > before) ++batches;
        std::this_thread::yield();
    }
    worker.join();
    ASSERT_EQ(taken.size(), static_cast<std::size_t>(kCount));
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(codeOf(taken[i]), i & 0xff) << "at " << i;
    // Each non-empty batch was announced once: never more wake-ups than batches.
    EXPECT_LE(wakeUps.load(), batches);
    EXPECT_GE(wakeUps.load(), 1);
}

TEST(ReplyQueue, AFullQueueDropsAndCountsInsteadOfGrowing) {
    ReplyQueue queue(3);
    std::vector<std::string> notes;
    queue.setOverflowNote([&](const std::string& line) { notes.push_back(line); });
    for (std::uint8_t r = 0; r < 5; ++r) EXPECT_EQ(queue.push(ResultReplyEvent{r, {}}), r < 3);
    EXPECT_EQ(queue.size(), 3u);
    EXPECT_EQ(queue.dropped(), 2u);
    // One line for the first drop, for the program to print.
    EXPECT_EQ(notes, std::vector<std::string>{
                         "reply queue full (3 waiting): further replies are dropped"});
    std::vector<ReplyEvent> out;
    queue.takeAll(out);
    EXPECT_TRUE(queue.push(ResultReplyEvent{9, {}}));  // room again once taken
}

TEST(ReplyQueue, APacedPushWaitsForTheReaderInsteadOfDroppingUntilReleased) {
    ReplyQueue queue(4);
    queue.paceTo(2);
    constexpr int kCount = 50;
    std::size_t mostWaiting = 0;
    std::thread file([&] {
        for (int i = 0; i < kCount; ++i) queue.push(result(static_cast<std::uint8_t>(i)));
    });
    std::vector<ReplyEvent> taken;
    while (taken.size() < static_cast<std::size_t>(kCount)) {
        mostWaiting = std::max(mostWaiting, queue.size());
        queue.takeAll(taken);
        std::this_thread::yield();
    }
    file.join();
    EXPECT_LE(mostWaiting, 2u);
    EXPECT_EQ(queue.dropped(), 0u);
    for (int i = 0; i < kCount; ++i) ASSERT_EQ(codeOf(taken[i]), i) << "at " << i;

    // With no reader, a waiting push goes on once the pacing stops (a stop
    // of the source must not hang on it).
    std::thread stuck([&] {
        for (std::uint8_t i = 0; i < 5; ++i) queue.push(result(i));
    });
    queue.stopPacing();
    stuck.join();
    EXPECT_EQ(queue.size(), 4u);
    EXPECT_EQ(queue.dropped(), 1u);  // unpaced, the bound drops as for a live capture
}
