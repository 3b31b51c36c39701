#include "net/synthetic_frame.h"

namespace kestrel {

namespace {

constexpr std::size_t kEthTypeAt = 12;
constexpr std::uint16_t kEthTypeIpv4 = 0x0800;
constexpr std::size_t kIp = 14;
constexpr std::size_t kIpHeader = 20;
constexpr std::size_t kUdp = kIp + kIpHeader;
constexpr std::size_t kUdpHeader = 8;
// Offsets inside the IPv4 header.
constexpr std::size_t kVersionIhl = 0, kTotalLength = 2, kTtl = 8, kProtocol = 9, kChecksum = 10,
                      kSource = 12, kDestination = 16;
// Offsets inside the UDP header (its checksum stays 0: none, which IPv4 allows).
constexpr std::size_t kSourcePort = 0, kDestinationPort = 2, kLength = 4;

std::uint16_t headerChecksum(ByteSpan header) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < header.size(); i += 2)
        sum += static_cast<std::uint32_t>(header[i] << 8 | header[i + 1]);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

}  // namespace

std::size_t writeSyntheticHeaders(MutableByteSpan frame, const DatagramEnds& ends,
                                  std::size_t payloadLength) {
    if (payloadLength > kMaxUdpPayload || frame.size() < kSyntheticHeaderBytes + payloadLength)
        return 0;
    for (std::size_t i = 0; i < kSyntheticHeaderBytes; ++i) frame[i] = 0;
    putU16be(frame, kEthTypeAt, kEthTypeIpv4);

    const auto ip = frame.subspan(kIp, kIpHeader);
    putU8(ip, kVersionIhl, 0x45);
    putU16be(ip, kTotalLength, static_cast<std::uint16_t>(kIpHeader + kUdpHeader + payloadLength));
    putU8(ip, kTtl, 64);
    putU8(ip, kProtocol, 17);
    putBytes(ip, kSource, ends.source_ip);
    putBytes(ip, kDestination, ends.destination_ip);
    putU16be(ip, kChecksum, headerChecksum(ip));

    const auto udp = frame.subspan(kUdp, kUdpHeader);
    putU16be(udp, kSourcePort, ends.source_port);
    putU16be(udp, kDestinationPort, ends.destination_port);
    putU16be(udp, kLength, static_cast<std::uint16_t>(kUdpHeader + payloadLength));
    return kSyntheticHeaderBytes + payloadLength;
}

std::vector<std::uint8_t> syntheticFrame(const DatagramEnds& ends, ByteSpan payload) {
    std::vector<std::uint8_t> frame(kSyntheticHeaderBytes + payload.size());
    putBytes(frame, kSyntheticHeaderBytes, payload);
    frame.resize(writeSyntheticHeaders(frame, ends, payload.size()));
    return frame;
}

}  // namespace kestrel
