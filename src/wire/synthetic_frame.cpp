#include "wire/synthetic_frame.h"

namespace kestrel {

namespace {

constexpr std::size_t kUdp = kEthHeader + kIpMinHeader;

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
    putU16be(frame, kEtherTypeAt, kEtherTypeIpv4);

    const auto ip = frame.subspan(kEthHeader, kIpMinHeader);
    putU8(ip, kIpVersionIhlAt, 0x45);
    putU16be(ip, kIpTotalLengthAt,
             static_cast<std::uint16_t>(kIpMinHeader + kUdpHeader + payloadLength));
    putU8(ip, kIpTtlAt, 64);
    putU8(ip, kIpProtocolAt, kProtocolUdp);
    putBytes(ip, kIpSourceAt, ends.source_ip);
    putBytes(ip, kIpDestinationAt, ends.destination_ip);
    putU16be(ip, kIpChecksumAt, headerChecksum(ip));

    // The UDP checksum stays 0: none, which IPv4 allows.
    const auto udp = frame.subspan(kUdp, kUdpHeader);
    putU16be(udp, kUdpSourcePortAt, ends.source_port);
    putU16be(udp, kUdpDestinationPortAt, ends.destination_port);
    putU16be(udp, kUdpLengthAt, static_cast<std::uint16_t>(kUdpHeader + payloadLength));
    return kSyntheticHeaderBytes + payloadLength;
}

std::vector<std::uint8_t> syntheticFrame(const DatagramEnds& ends, ByteSpan payload) {
    std::vector<std::uint8_t> frame(kSyntheticHeaderBytes + payload.size());
    putBytes(frame, kSyntheticHeaderBytes, payload);
    frame.resize(writeSyntheticHeaders(frame, ends, payload.size()));
    return frame;
}

}  // namespace kestrel
