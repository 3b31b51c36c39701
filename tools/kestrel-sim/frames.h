#pragma once
// Ethernet, IPv4, UDP and ARP framing for what the simulator captures and
// injects.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "wire.h"

namespace sim {

using Mac = std::array<std::uint8_t, 6>;
using Ipv4 = std::array<std::uint8_t, 4>;

std::optional<Mac> parse_mac(std::string_view text);  // "aa:bb:..", any case
std::string mac_text(const Mac& m);                   // lower case
std::optional<Ipv4> parse_ipv4(std::string_view text);
std::string ipv4_text(const Ipv4& a);

inline constexpr Mac broadcast_mac{0xff, 0xff, 0xff, 0xff, 0xff, 0xff};

struct UdpEndpoints {
    Mac src_mac{}, dst_mac{};
    Ipv4 src_ip{}, dst_ip{};
    std::uint16_t src_port = 0, dst_port = 0;
};

// A UDP datagram that arrived in an Ethernet frame. `payload` points into the
// captured bytes and is cut to what both the UDP length and the capture hold.
struct UdpFrame {
    UdpEndpoints ends;
    ByteView payload;
};
std::optional<UdpFrame> parse_udp_frame(ByteView frame);

struct ArpRequest {
    Mac sender_mac{};
    Ipv4 sender_ip{}, target_ip{};
};
std::optional<ArpRequest> parse_arp_request(ByteView frame);

Bytes build_udp_frame(const UdpEndpoints& ends, ByteView payload);
// The frame with 802.1Q tags after its addresses, the first outermost: a
// service tag (0x88a8) outside a customer tag (0x8100) when there are two.
Bytes with_vlan_tags(Bytes frame, const std::vector<std::uint16_t>& ids);
Bytes build_arp_reply(const Mac& own_mac, const Ipv4& own_ip, const ArpRequest& req);

// Header checksum (RFC 1071) over bytes [offset, offset+len) of a buffer.
std::uint16_t inet_checksum(ByteView bytes, std::uint32_t initial = 0);

}  // namespace sim
