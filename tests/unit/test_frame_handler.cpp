#include <gtest/gtest.h>

#include <random>
#include <variant>
#include <vector>

#include "dispatch/frame_handler.h"
#include "test_frames.h"

using namespace kestrel;
namespace t = kestrel::testing;

namespace {

std::optional<ReplyEvent> handle(const t::Bytes& frame) { return handleFrame(ByteSpan(frame)); }

// Every strict prefix is handed over in its own exact-size buffer, so a
// read past the captured bytes is caught by the sanitizer builds too.
void expectEveryPrefixDropped(const t::Bytes& frame) {
    for (std::size_t n = 0; n < frame.size(); ++n) {
        const t::Bytes cut(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(handle(cut).has_value()) << "prefix of " << n << " of " << frame.size();
    }
}

}  // namespace

TEST(FrameHandler, ScanReplyBecomesItsRecord) {
    t::ScanReplySample s;
    s.sender = "00:1A:2b:3c:4d:5e";
    s.ip = "172.16.5.9";
    s.firmware_version = "5.00.01l";
    s.http_port = 8443;
    const auto ev = handle(t::udpFrame(t::scanReplyPayload(s)));
    ASSERT_TRUE(ev);
    const auto* scan = std::get_if<ScanReplyEvent>(&*ev);
    ASSERT_NE(scan, nullptr);
    EXPECT_EQ(scan->record.mac, "00:1A:2b:3c:4d:5e");
    EXPECT_EQ(scan->record.ip, "172.16.5.9");
    EXPECT_EQ(scan->record.firmware_version, "5.00.01l");
    EXPECT_EQ(scan->record.http_port, 8443);
    EXPECT_EQ(scan->record.status, 99);
}

TEST(FrameHandler, ResultAndApplyReplies) {
    const auto result = handle(t::udpFrame(t::resultReplyDatagram(6)));
    ASSERT_TRUE(result);
    ASSERT_TRUE(std::holds_alternative<ResultReplyEvent>(*result));
    EXPECT_EQ(std::get<ResultReplyEvent>(*result).result, 6);

    for (std::uint8_t code : std::initializer_list<std::uint8_t>{19, 20, 21}) {
        const auto ev =
            handle(t::udpFrame(t::applyReplyDatagram("00:1a:2b:3c:4d:5e", 2, 2, 2, code)));
        ASSERT_TRUE(ev) << int(code);
        ASSERT_TRUE(std::holds_alternative<ApplyReplyEvent>(*ev));
        EXPECT_EQ(std::get<ApplyReplyEvent>(*ev).reply, (ApplyReply{"00:1a:2b:3c:4d:5e", 2, 2, 2}));
    }
}

TEST(FrameHandler, CodesOutsideTheReplyTableAreIgnored) {
    for (std::uint8_t code : std::initializer_list<std::uint8_t>{0, 1, 2, 3, 4, 5, 16, 22, 255}) {
        // Long enough for any reply, so only the code decides.
        EXPECT_FALSE(handle(t::udpFrame(t::replyDatagram(code, 200)))) << int(code);
    }
}

TEST(FrameHandler, ReplyHeaderIsNotValidated) {
    auto d = t::resultReplyDatagram(0);
    for (std::size_t i = 0; i < 7; ++i) d[i] = 'x';  // magic
    d[7] = 9;
    d[8] = 9;  // version
    d[10] = 0xFF;
    d[11] = 0x7F;  // header_length: payload stays at 52
    const auto ev = handle(t::udpFrame(d));
    ASSERT_TRUE(ev);
    EXPECT_EQ(std::get<ResultReplyEvent>(*ev).result, 0);
}

TEST(FrameHandler, OnlyUdpToTheReplyPortOverIpv4) {
    const auto d = t::resultReplyDatagram(1);
    EXPECT_FALSE(handle(t::udpFrame(d, 8901)));
    EXPECT_FALSE(handle(t::udpFrame(d, 8912)));
    // From port 8911 to another port: passes a "udp port" filter, still ignored.
    EXPECT_FALSE(handle(t::udpFrame(d, 50000, "10.0.0.1", "10.0.0.2", 0, 8911)));
    // Port bytes are network order: 8911 little-endian is another port.
    EXPECT_FALSE(handle(t::udpFrame(d, 0xCF22)));
    // Any addresses are fine.
    EXPECT_TRUE(handle(t::udpFrame(d, 8911, "1.2.3.4", "5.6.7.8")));

    auto tcp = t::udpFrame(d);
    tcp[14 + 9] = 6;
    EXPECT_FALSE(handle(tcp));
    for (std::uint16_t type :
         std::initializer_list<std::uint16_t>{0x86DD, 0x0806, 0x8100, 0x0000}) {
        auto f = t::udpFrame(d);
        f[12] = static_cast<std::uint8_t>(type >> 8);
        f[13] = static_cast<std::uint8_t>(type & 0xFF);
        EXPECT_FALSE(handle(f)) << type;
    }
}

TEST(FrameHandler, IpOptionsMoveTheUdpHeader) {
    const auto d = t::resultReplyDatagram(5);
    for (std::size_t options : {4u, 8u, 40u}) {  // IHL 6, 7 and the maximum 15
        const auto ev = handle(t::udpFrame(d, 8911, "10.0.0.1", "10.0.0.255", options));
        ASSERT_TRUE(ev) << options;
        EXPECT_EQ(std::get<ResultReplyEvent>(*ev).result, 5);
    }
    // An IHL that claims options which are not there puts the UDP header elsewhere.
    auto f = t::udpFrame(d);
    f[14] = 0x46;
    EXPECT_FALSE(handle(f));
}

TEST(FrameHandler, IpHeaderLengthBelowTwentyIsDropped) {
    const auto d = t::scanReplyPayload();
    for (std::uint8_t ihl = 0; ihl < 5; ++ihl) {
        auto f = t::udpFrame(d);
        f[14] = static_cast<std::uint8_t>(0x40 | ihl);
        EXPECT_FALSE(handle(f)) << int(ihl);
    }
}

TEST(FrameHandler, LaterFragmentsAreDropped) {
    auto f = t::udpFrame(t::resultReplyDatagram(0));
    f[14 + 7] = 0x10;  // fragment offset 16 * 8 bytes
    EXPECT_FALSE(handle(f));
    f[14 + 6] = 0x40;  // don't fragment, offset 0: a whole datagram
    f[14 + 7] = 0x00;
    EXPECT_TRUE(handle(f));
}

TEST(FrameHandler, TruncatedAtEveryBoundaryGivesNothing) {
    expectEveryPrefixDropped(t::udpFrame(t::scanReplyPayload()));
    expectEveryPrefixDropped(t::udpFrame(t::resultReplyDatagram(0)));
    expectEveryPrefixDropped(t::udpFrame(t::applyReplyDatagram("x", 2, 2, 1, 21)));
    expectEveryPrefixDropped(t::udpFrame(t::scanReplyPayload(), 8911, "1.1.1.1", "2.2.2.2", 4));
}

TEST(FrameHandler, BytesAfterTheReplyAreIgnored) {
    auto f = t::udpFrame(t::resultReplyDatagram(1));
    f.insert(f.end(), 30, 0xEE);
    const auto ev = handle(f);
    ASSERT_TRUE(ev);
    EXPECT_EQ(std::get<ResultReplyEvent>(*ev).result, 1);
}

TEST(FrameHandler, MangledFramesNeverReadPastTheirEnd) {
    std::mt19937 rng(12345);
    const t::Bytes seeds[] = {t::udpFrame(t::scanReplyPayload()),
                              t::udpFrame(t::resultReplyDatagram(0), 8911, "1.1.1.1", "2.2.2.2", 8),
                              t::udpFrame(t::applyReplyDatagram("ok", 2, 2, 3))};
    for (int i = 0; i < 20000; ++i) {
        t::Bytes f = seeds[static_cast<std::size_t>(i) % 3];
        const int flips = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < flips; ++k) {
            // Mostly the headers, where a wrong value would steer the reads.
            const std::size_t at = rng() % 2 ? rng() % 60 : rng() % f.size();
            f[at] = static_cast<std::uint8_t>(rng());
        }
        f.resize(rng() % (f.size() + 1));
        (void)handle(f);
    }
    SUCCEED();
}

TEST(FrameHandler, LinkLayerOfEachCaptureKindFindsTheIpv4Packet) {
    const auto ethernet = t::udpFrame(t::resultReplyDatagram(5));
    const auto tagged = t::taggedFrame;
    const struct {
        const char* what;
        t::Bytes frame;
        LinkType link;
        bool decoded;
    } cases[] = {
        {"Ethernet", ethernet, LinkType::Ethernet, true},
        {"SLL", t::cookedFrame(ethernet, false), LinkType::LinuxSll, true},
        {"SLL2", t::cookedFrame(ethernet, true), LinkType::LinuxSll2, true},
        {"SLL carrying IPv6", t::cookedFrame(ethernet, false, 0x86DD), LinkType::LinuxSll, false},
        {"SLL2 carrying ARP", t::cookedFrame(ethernet, true, 0x0806), LinkType::LinuxSll2, false},
        {"Ethernet read as SLL", ethernet, LinkType::LinuxSll, false},
        {"SLL read as Ethernet", t::cookedFrame(ethernet, false), LinkType::Ethernet, false},
        {"Ethernet, one tag", tagged(ethernet, 12, {0x8100}), LinkType::Ethernet, true},
        {"Ethernet, service tag and customer tag", tagged(ethernet, 12, {0x88A8, 0x8100}),
         LinkType::Ethernet, true},
        {"Ethernet, three tags", tagged(ethernet, 12, {0x88A8, 0x8100, 0x8100}), LinkType::Ethernet,
         false},
        {"SLL, a tag and ARP", tagged(t::cookedFrame(ethernet, false, 0x0806), 14, {0x8100}),
         LinkType::LinuxSll, false},
        {"SLL, one tag", tagged(t::cookedFrame(ethernet, false), 14, {0x8100}), LinkType::LinuxSll,
         true},
    };
    for (const auto& c : cases) {
        const auto ev = handleFrame(c.frame, c.link);
        EXPECT_EQ(ev.has_value(), c.decoded) << c.what;
        if (ev) {
            EXPECT_EQ(std::get<ResultReplyEvent>(*ev).result, 5) << c.what;
        }
        // Nothing is read past any cut of the frame, link header included.
        for (std::size_t n = 0; n < c.frame.size(); ++n) {
            const t::Bytes cut(c.frame.begin(), c.frame.begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_FALSE(handleFrame(cut, c.link)) << c.what << " cut at " << n;
        }
    }

    const struct {
        int dlt;
        std::optional<LinkType> link;
    } dlts[] = {{1, LinkType::Ethernet}, {113, LinkType::LinuxSll}, {276, LinkType::LinuxSll2},
                {0, std::nullopt},       {12, std::nullopt},        {101, std::nullopt},
                {127, std::nullopt},     {228, std::nullopt}};
    for (const auto& d : dlts) EXPECT_EQ(linkTypeOfDlt(d.dlt), d.link) << d.dlt;
}

TEST(FrameHandler, AnswersCarryTheirSender) {
    const auto result = handle(t::udpFrame(t::resultReplyDatagram(0, "00:1A:2b:3c:4d:77")));
    ASSERT_TRUE(result);
    EXPECT_EQ(std::get<ResultReplyEvent>(*result).sender, "00:1A:2b:3c:4d:77");
    auto apply = t::applyReplyDatagram("x", 2, 2, 2);
    const std::string sender = "00:1a:2b:3c:4d:88:99:aa";  // a full 20-byte field, no NUL
    for (std::size_t i = 0; i < 20; ++i) apply[12 + i] = static_cast<std::uint8_t>(sender[i]);
    const auto ev = handle(t::udpFrame(apply));
    ASSERT_TRUE(ev);
    EXPECT_EQ(std::get<ApplyReplyEvent>(*ev).sender, sender.substr(0, 20));
}
