// The link to the segment that the window and fendrix-cli share: frames from
// the capture's worker become replies in arrival order, a loss carries the
// number of its capture, and sends go where the sending rule says.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "dispatch/segment_link.h"
#include "fake_seams.h"
#include "test_frames.h"

using namespace kestrel;
using fendrix::testing::FakeCapture;
using fendrix::testing::FakeSocket;
namespace frames = kestrel::testing;

namespace {
AdapterEntry adapter() { return {"eth-test0", "192.168.1.10", "00:11:22:33:44:55", "veth0"}; }
}  // namespace

TEST(SegmentLink, FramesBecomeRepliesInOrderAndWakeTheOwnerOncePerBatch) {
    FakeSocket socket;
    FakeCapture capture;
    int wakeUps = 0;
    SegmentLink link(socket, capture, {[&] { ++wakeUps; }, {}, {}});
    ASSERT_FALSE(link.startCapture(adapter()));
    std::thread worker([&] {
        frames::ScanReplySample first;
        first.sender = "00:1a:2b:00:00:01";
        capture.push(frames::udpFrame(frames::scanReplyPayload(first)));
        capture.push(frames::udpFrame(frames::resultReplyDatagram(3)));
        capture.push(frames::udpFrame(frames::scanReplyPayload(first), 9999));  // not ours
    });
    worker.join();
    std::vector<ReplyEvent> replies;
    link.replies().takeAll(replies);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(std::get<ScanReplyEvent>(replies[0]).record.mac, "00:1a:2b:00:00:01");
    EXPECT_EQ(std::get<ResultReplyEvent>(replies[1]).result, 3);
    EXPECT_EQ(wakeUps, 1);
}

TEST(SegmentLink, ALossNamesItsCaptureSoThatAReplacedOneIsNoNews) {
    FakeSocket socket;
    FakeCapture capture;
    std::vector<unsigned> lostRuns;
    SegmentLink link(socket, capture,
                     {{}, {}, [&](const CaptureError&, unsigned run) { lostRuns.push_back(run); }});
    ASSERT_FALSE(link.startCapture(adapter()));
    const unsigned first = link.captureRun();
    ASSERT_TRUE(capture.failLoop("gone"));
    link.stopCapture();
    ASSERT_FALSE(link.startCapture(adapter()));
    EXPECT_EQ(lostRuns, std::vector<unsigned>{first});
    EXPECT_NE(link.captureRun(), first);
}

TEST(SegmentLink, SendsGoThroughTheBoundAdapterByTheRule) {
    FakeSocket socket;
    FakeCapture capture;
    SegmentLink link(socket, capture, {});
    const std::vector<std::uint8_t> bytes{1, 2, 3};
    ASSERT_TRUE(link.openSocket());
    ASSERT_TRUE(link.openSocket());  // the open one is closed first
    EXPECT_EQ(socket.closes, 1);
    // Bound to no adapter (yet, or after a refused bind): nothing goes out.
    socket.bindSucceeds = false;
    EXPECT_FALSE(link.bindSocket(adapter()));
    EXPECT_EQ(link.adapter(), nullptr);
    EXPECT_EQ(link.sendBroadcast(bytes), SendOutcome::Failed);
    EXPECT_EQ(link.sendToController(bytes, "192.168.1.77").outcome, SendOutcome::Failed);
    socket.bindSucceeds = true;
    ASSERT_TRUE(link.bindSocket(adapter()));
    ASSERT_NE(link.adapter(), nullptr);
    EXPECT_EQ(link.adapter()->ip_text, "192.168.1.10");
    EXPECT_EQ(link.sendBroadcast(bytes), SendOutcome::Sent);
    EXPECT_TRUE(link.sendToController(bytes, "192.168.1.77").unicast);
    EXPECT_FALSE(link.sendToController(bytes, "10.0.0.7").unicast);
    ASSERT_EQ(socket.sent.size(), 3u);
    EXPECT_EQ(socket.sent[0].ip, "192.168.1.255");
    EXPECT_EQ(socket.sent[1].ip, "192.168.1.77");
    EXPECT_EQ(socket.sent[2].ip, "192.168.1.255");
    // A socket opened afresh is bound to nothing until it is bound again.
    ASSERT_TRUE(link.openSocket());
    EXPECT_EQ(link.adapter(), nullptr);
    EXPECT_EQ(link.sendBroadcast(bytes), SendOutcome::Failed);
    link.closeSocket();
    EXPECT_FALSE(socket.isOpen());
    EXPECT_EQ(socket.sent.size(), 3u);
}
