// The reply filter that the capture helper and the in-process capture both
// install, compiled by libpcap as they compile it and run over crafted frames.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include "test_frames.h"
#include "transport/capture_settings.h"

namespace kt = kestrel::testing;

namespace {

// The UDP datagram of an IPv4 frame, carried in IPv6 instead.
kt::Bytes asIpv6(const kt::Bytes& ipv4Frame) {
    const kt::Bytes udp(ipv4Frame.begin() + 14 + 20, ipv4Frame.end());
    kt::Bytes f(ipv4Frame.begin(), ipv4Frame.begin() + 12);
    f.insert(f.end(), {0x86, 0xdd, 0x60, 0, 0, 0});
    f.push_back(static_cast<std::uint8_t>(udp.size() >> 8));
    f.push_back(static_cast<std::uint8_t>(udp.size() & 0xff));
    f.insert(f.end(), {17, 64});             // next header UDP, hop limit
    f.insert(f.end(), 32, std::uint8_t{1});  // source and destination
    f.insert(f.end(), udp.begin(), udp.end());
    return f;
}

bool passes(int dlt, const kt::Bytes& frame) {
    pcap_t* dead = pcap_open_dead(dlt, kestrel::capture_settings::kSnapshotLength);
    bpf_program program{};
    // As the in-process capture chooses (the helper captures Ethernet only).
    const char* filter = dlt == DLT_EN10MB ? kestrel::capture_settings::kReplyFilter
                                           : kestrel::capture_settings::kReplyFilterUntagged;
    EXPECT_EQ(pcap_compile(dead, &program, filter, 1, 0), 0) << pcap_geterr(dead);
    pcap_pkthdr header{};
    header.caplen = header.len = static_cast<bpf_u_int32>(frame.size());
    const bool taken = pcap_offline_filter(&program, &header, frame.data()) != 0;
    pcap_freecode(&program);
    pcap_close(dead);
    return taken;
}

}  // namespace

TEST(CaptureSettings, TheReplyFilterTakesIPv4UdpToTheReplyPortOnly) {
    const auto reply = kt::udpFrame(kt::scanReplyPayload());
    auto tcp = reply;
    tcp[23] = 6;
    const struct {
        const char* what;
        int dlt;
        kt::Bytes frame;
        bool taken;
    } cases[] = {
        {"a reply", DLT_EN10MB, reply, true},
        {"a reply with IPv4 options", DLT_EN10MB,
         kt::udpFrame(kt::scanReplyPayload(), 8911, "10.0.0.9", "10.0.0.1", 4), true},
        {"a reply in a Linux cooked capture", DLT_LINUX_SLL, kt::cookedFrame(reply, false), true},
        {"a datagram from the reply port", DLT_EN10MB,
         kt::udpFrame(kt::scanReplyPayload(), 8901, "192.168.1.50", "192.168.1.10", 0, 8911),
         false},
        {"a reply over IPv6", DLT_EN10MB, asIpv6(reply), false},
        {"TCP to the reply port", DLT_EN10MB, tcp, false},
        {"a reply behind one tag", DLT_EN10MB, kt::taggedFrame(reply, 12, {0x8100}), true},
        {"a reply behind a service and a customer tag", DLT_EN10MB,
         kt::taggedFrame(reply, 12, {0x88A8, 0x8100}), true},
        {"a datagram from the reply port behind one tag", DLT_EN10MB,
         kt::taggedFrame(
             kt::udpFrame(kt::scanReplyPayload(), 8901, "192.168.1.50", "192.168.1.10", 0, 8911),
             12, {0x8100}),
         false},
        {"a reply over IPv6 behind one tag", DLT_EN10MB,
         kt::taggedFrame(asIpv6(reply), 12, {0x8100}), false},
    };
    for (const auto& c : cases) EXPECT_EQ(passes(c.dlt, c.frame), c.taken) << c.what;
}
