// A datagram from the socket receiver, framed, is byte for byte the frame a
// capture would have seen (but for the MAC addresses), and decodes alike.
#include <gtest/gtest.h>

#include <variant>

#include "dispatch/frame_handler.h"
#include "test_frames.h"
#include "wire/synthetic_frame.h"

using namespace kestrel;
namespace t = kestrel::testing;

TEST(SyntheticFrame, MatchesTheCapturedFrameFromTheEtherTypeOn) {
    const auto datagram = t::scanReplyPayload();
    DatagramEnds ends;
    ends.source_ip = {169, 254, 3, 4};
    ends.source_port = 8901;
    ends.destination_ip = {192, 168, 0, 255};
    ends.destination_port = 8911;
    const auto frame = syntheticFrame(ends, datagram);
    const auto captured = t::udpFrame(datagram, 8911, "169.254.3.4", "192.168.0.255");
    ASSERT_EQ(frame.size(), captured.size());
    EXPECT_EQ(t::Bytes(frame.begin(), frame.begin() + 12), t::Bytes(12, 0));
    EXPECT_EQ(t::Bytes(frame.begin() + 12, frame.end()),
              t::Bytes(captured.begin() + 12, captured.end()));

    const auto event = handleFrame(frame);
    ASSERT_TRUE(event && std::holds_alternative<ScanReplyEvent>(*event));
    EXPECT_EQ(std::get<ScanReplyEvent>(*event).record.ip, "192.168.1.50");
}

TEST(SyntheticFrame, RefusesWhatAnIpv4DatagramCannotHoldOrTheBufferCannotTake) {
    std::vector<std::uint8_t> frame(kSyntheticHeaderBytes + kMaxUdpPayload + 1);
    EXPECT_EQ(writeSyntheticHeaders(frame, {}, kMaxUdpPayload + 1), 0u);
    EXPECT_EQ(writeSyntheticHeaders(frame, {}, kMaxUdpPayload),
              kSyntheticHeaderBytes + kMaxUdpPayload);
    std::vector<std::uint8_t> small(kSyntheticHeaderBytes + 3, 0xAA);
    EXPECT_EQ(writeSyntheticHeaders(small, {}, 4), 0u);
    EXPECT_EQ(small, std::vector<std::uint8_t>(kSyntheticHeaderBytes + 3, 0xAA));
}
