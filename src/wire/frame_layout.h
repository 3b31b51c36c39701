#pragma once
// Where things sit in an Ethernet II frame that carries IPv4 and UDP: the
// offsets that the frame handler reads and the socket receiver's framing
// writes, so that the two cannot disagree.
#include <cstddef>
#include <cstdint>

namespace kestrel {

// Ethernet II header.
inline constexpr std::size_t kEthHeader = 14;
inline constexpr std::size_t kEtherTypeAt = 12;
inline constexpr std::uint16_t kEtherTypeIpv4 = 0x0800;
// 802.1Q tags between the addresses (or a cooked header) and the protocol:
// one customer tag, or a service tag (802.1ad) outside it.
inline constexpr std::uint16_t kEtherTypeVlan = 0x8100;
inline constexpr std::uint16_t kEtherTypeQinQ = 0x88A8;
inline constexpr std::size_t kVlanTag = 4;
inline constexpr std::size_t kMaxVlanTags = 2;

// IPv4 header, offsets from its first byte.
inline constexpr std::size_t kIpMinHeader = 20;  // without options
inline constexpr std::size_t kIpVersionIhlAt = 0;
inline constexpr std::size_t kIpTotalLengthAt = 2;
inline constexpr std::size_t kIpFragmentAt = 6;  // flags (3 bits) + fragment offset (13 bits)
inline constexpr std::uint16_t kFragmentOffsetMask = 0x1FFF;
inline constexpr std::size_t kIpTtlAt = 8;
inline constexpr std::size_t kIpProtocolAt = 9;
inline constexpr std::size_t kIpChecksumAt = 10;
inline constexpr std::size_t kIpSourceAt = 12;
inline constexpr std::size_t kIpDestinationAt = 16;
inline constexpr std::uint8_t kProtocolUdp = 17;

// UDP header, offsets from its first byte.
inline constexpr std::size_t kUdpHeader = 8;
inline constexpr std::size_t kUdpSourcePortAt = 0;
inline constexpr std::size_t kUdpDestinationPortAt = 2;
inline constexpr std::size_t kUdpLengthAt = 4;

static_assert(kIpDestinationAt + 4 == kIpMinHeader, "the destination ends the plain IPv4 header");
static_assert(kUdpLengthAt + 2 + 2 == kUdpHeader, "the length and the checksum end the UDP header");

}  // namespace kestrel
