#include "faults.h"

#include <algorithm>

namespace sim {

namespace {
constexpr std::size_t eth_size = 14, ip_offset = 14, udp_offset = 34;

enum Kind : unsigned {
    short_frame,        // ends inside the Ethernet header
    short_ip_header,    // IHL below 5
    oversized_ihl,      // IHL 15: the UDP header would lie past the frame
    truncated_payload,  // whole frame, but the datagram stops mid-reply
    claimed_too_long,   // UDP length claims more than the frame holds
    wrong_code,         // a request code and an unknown one at the reply port
    not_ipv4,           // IPv6 ethertype around a reply-like payload
    kind_count
};
}  // namespace

bool Faults::chance(double share) {
    if (share <= 0.0) return false;
    if (share >= 1.0) return true;
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng_) < share;
}

Bytes Faults::malformed_frame(const UdpEndpoints& ends, ByteView good) {
    const unsigned kind = next_kind_++ % kind_count;
    Bytes f = build_udp_frame(ends, good);
    switch (kind) {
    case short_frame: f.resize(eth_size - 4); break;
    case short_ip_header: f[ip_offset] = 0x43; break;
    case oversized_ihl:
        f[ip_offset] = 0x4F;
        f.resize(udp_offset + 20);
        break;
    case truncated_payload: {
        // A datagram that is honest about its length but shorter than a
        // reply of its code needs.
        const std::size_t keep = std::min<std::size_t>(good.size(), 60);
        f = build_udp_frame(ends, good.first(keep));
        break;
    }
    case claimed_too_long: f.resize(std::min<std::size_t>(f.size(), udp_offset + 8 + 70)); break;
    case wrong_code: {
        Bytes p(good.begin(), good.end());
        static constexpr std::uint8_t codes[] = {1, 2, 3, 5, 22, 255};
        p[9] = codes[(next_kind_ / kind_count) % std::size(codes)];
        f = build_udp_frame(ends, p);
        break;
    }
    case not_ipv4:
        f[12] = 0x86;
        f[13] = 0xDD;
        break;
    default: break;
    }
    return f;
}

}  // namespace sim
