#pragma once
// A datagram received on a plain socket, framed as a capture would have seen
// it (Ethernet II, IPv4 without options, UDP), so that the frame handler
// reads it unchanged. The MAC addresses are zero: a socket does not learn
// them, and nothing reads them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "wire/byte_io.h"
#include "wire/frame_layout.h"

namespace kestrel {

struct DatagramEnds {
    std::array<std::uint8_t, 4> source_ip{};  // first number first, as on the wire
    std::uint16_t source_port = 0;
    std::array<std::uint8_t, 4> destination_ip{};
    std::uint16_t destination_port = 0;
};

inline constexpr std::size_t kSyntheticHeaderBytes = kEthHeader + kIpMinHeader + kUdpHeader;
inline constexpr std::size_t kMaxUdpPayload = 65535 - kIpMinHeader - kUdpHeader;

// Writes the three headers in front of a payload of `payloadLength` bytes that
// already lies at frame[kSyntheticHeaderBytes..]. Answers the frame's length,
// or 0 (nothing written) when the payload is too long or the buffer too small.
std::size_t writeSyntheticHeaders(MutableByteSpan frame, const DatagramEnds& ends,
                                  std::size_t payloadLength);

// The whole frame for one payload.
std::vector<std::uint8_t> syntheticFrame(const DatagramEnds& ends, ByteSpan payload);

}  // namespace kestrel
