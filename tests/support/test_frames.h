#pragma once
// Builders of whole reply datagrams and Ethernet frames for tests of every
// tier. Offsets are written out here on purpose, independently of the
// production decoders, so that a wrong offset on either side shows up.
// Header-only and Qt-free.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::testing {

using Bytes = std::vector<std::uint8_t>;

// Every field a controller puts in a scan reply, with a plausible default.
struct ScanReplySample {
    std::string sender = "00:1a:2b:3c:4d:5e";  // header sender: the controller's MAC text
    std::string ip = "192.168.1.50";
    std::uint8_t ip_type = 1;  // 0 DHCP, other static
    std::string subnet_mask = "255.255.255.0";
    std::string gateway = "192.168.1.1";
    std::string dns1 = "192.168.1.1";
    std::string dns2 = "";
    std::uint8_t https_enabled = 0;
    std::uint16_t http_port = 80;
    std::uint16_t https_port = 443;
    std::string server_ip = "";
    std::uint16_t hardware_model = 2;  // "2 Door"
    std::uint16_t edition = 1;         // "Keystone"
    std::uint16_t max_door = 2;
    std::string firmware_version = "3.1.7";
    std::uint8_t status = 99;  // OK
};

namespace detail {

inline void text(Bytes& b, std::size_t at, std::size_t width, std::string_view s) {
    for (std::size_t i = 0; i < width && i < s.size() && at + i < b.size(); ++i)
        b[at + i] = static_cast<std::uint8_t>(s[i]);
}

inline void le16(Bytes& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v & 0xff);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

inline void be16(Bytes& b, std::size_t at, std::uint16_t v) {
    b.at(at) = static_cast<std::uint8_t>(v >> 8);
    b.at(at + 1) = static_cast<std::uint8_t>(v & 0xff);
}

// "a.b.c.d" into four bytes; malformed parts become 0.
inline void ipv4(Bytes& b, std::size_t at, std::string_view s) {
    unsigned part = 0;
    std::size_t n = 0;
    for (char c : s) {
        if (c == '.') {
            if (n < 4) b.at(at + n) = static_cast<std::uint8_t>(part);
            ++n;
            part = 0;
        } else if (c >= '0' && c <= '9') {
            part = part * 10 + static_cast<unsigned>(c - '0');
        }
    }
    if (n < 4) b.at(at + n) = static_cast<std::uint8_t>(part);
}

}  // namespace detail

// The 52-byte reply header followed by `payloadSize` zero bytes:
// "kestrel", version 01 00, command, header length 34 00, sender at 12.
inline Bytes replyDatagram(std::uint8_t code, std::size_t payloadSize,
                           std::string_view sender = "00:1a:2b:3c:4d:5e") {
    Bytes d(52 + payloadSize, 0);
    detail::text(d, 0, 7, "kestrel");
    d[7] = 0x01;
    d[8] = 0x00;
    d[9] = code;
    d[10] = 0x34;
    d[11] = 0x00;
    detail::text(d, 12, 20, sender);
    return d;
}

// A whole 216-byte scan reply datagram (code 17). Texts longer than their
// field are cut at the field width, without a terminator.
inline Bytes scanReplyPayload(const ScanReplySample& s = {}) {
    Bytes d = replyDatagram(17, 164, s.sender);
    detail::text(d, 52, 20, s.ip);
    d[92] = s.ip_type;
    detail::text(d, 93, 20, s.subnet_mask);
    detail::text(d, 113, 20, s.gateway);
    detail::text(d, 133, 20, s.dns1);
    detail::text(d, 153, 20, s.dns2);
    d[173] = s.https_enabled;
    detail::le16(d, 174, s.http_port);
    detail::le16(d, 176, s.https_port);
    detail::text(d, 178, 20, s.server_ip);
    detail::le16(d, 198, s.hardware_model);
    detail::le16(d, 200, s.edition);
    detail::le16(d, 202, s.max_door);
    detail::text(d, 204, 10, s.firmware_version);
    d[215] = s.status;
    return d;
}

// A 93-byte result reply (code 18); `result` at datagram byte 92.
inline Bytes resultReplyDatagram(std::uint8_t result,
                                 std::string_view sender = "00:1a:2b:3c:4d:5e") {
    Bytes d = replyDatagram(18, 41, sender);
    d[92] = result;
    return d;
}

// A 115-byte apply reply (code 19 by default, 19..21 are alike).
inline Bytes applyReplyDatagram(std::string_view replyText, std::uint8_t result,
                                std::uint8_t applyStatus, std::uint8_t oemIndex,
                                std::uint8_t code = 19,
                                std::string_view sender = "00:1a:2b:3c:4d:5e") {
    Bytes d = replyDatagram(code, 63, sender);
    detail::text(d, 92, 20, replyText);
    d[112] = result;
    d[113] = applyStatus;
    d[114] = oemIndex;
    return d;
}

// Ethernet II + IPv4 (with `ipOptionBytes` of options, rounded up to whole
// 32-bit words and filled with NOPs) + UDP around `datagram`. The IPv4
// header checksum is correct; the UDP checksum is 0 (none).
inline Bytes udpFrame(const Bytes& datagram, std::uint16_t dstPort = 8911,
                      std::string_view srcIp = "192.168.1.50",
                      std::string_view dstIp = "255.255.255.255", std::size_t ipOptionBytes = 0,
                      std::uint16_t srcPort = 8901) {
    const std::size_t optWords = (ipOptionBytes + 3) / 4;
    const std::size_t ipLen = 20 + optWords * 4;
    const std::size_t udpAt = 14 + ipLen;
    Bytes f(udpAt + 8 + datagram.size(), 0);

    // Ethernet: broadcast destination, a locally administered source, IPv4.
    for (std::size_t i = 0; i < 6; ++i) f[i] = 0xff;
    const std::uint8_t src[6] = {0x02, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
    for (std::size_t i = 0; i < 6; ++i) f[6 + i] = src[i];
    detail::be16(f, 12, 0x0800);

    // IPv4
    f[14] = static_cast<std::uint8_t>(0x40 | (ipLen / 4));
    detail::be16(f, 16, static_cast<std::uint16_t>(ipLen + 8 + datagram.size()));
    f[22] = 64;  // TTL
    f[23] = 17;  // UDP
    detail::ipv4(f, 26, srcIp);
    detail::ipv4(f, 30, dstIp);
    for (std::size_t i = 34; i < 14 + ipLen; ++i) f[i] = 0x01;  // NOP options
    std::uint32_t sum = 0;
    for (std::size_t i = 14; i < 14 + ipLen; i += 2)
        sum += static_cast<std::uint32_t>((f[i] << 8) | f[i + 1]);
    while (sum >> 16) sum = (sum & 0xffff) + (sum >> 16);
    detail::be16(f, 24, static_cast<std::uint16_t>(~sum & 0xffff));

    // UDP
    detail::be16(f, udpAt, srcPort);
    detail::be16(f, udpAt + 2, dstPort);
    detail::be16(f, udpAt + 4, static_cast<std::uint16_t>(8 + datagram.size()));
    for (std::size_t i = 0; i < datagram.size(); ++i) f[udpAt + 8 + i] = datagram[i];
    return f;
}

// The IPv4 packet of an Ethernet frame behind a Linux cooked capture header
// instead: SLL (16 bytes, protocol at 14) or SLL2 (20 bytes, protocol at 0).
inline Bytes cookedFrame(const Bytes& ethernet, bool v2, std::uint16_t protocol = 0x0800) {
    Bytes f(v2 ? 20 : 16, 0);
    detail::be16(f, v2 ? 0 : 14, protocol);
    detail::be16(f, v2 ? 8 : 2, 1);  // ARPHRD_ETHER
    if (v2) f[11] = 6;               // address length
    else detail::be16(f, 4, 6);
    f.insert(f.end(), ethernet.begin() + 14, ethernet.end());
    return f;
}

// 802.1Q tags (their TPIDs, outermost first) put in where the protocol field
// at `protocolAt` stood, which then follows them.
inline Bytes taggedFrame(Bytes frame, std::size_t protocolAt, std::vector<std::uint16_t> tpids) {
    for (auto it = tpids.rbegin(); it != tpids.rend(); ++it) {
        const std::uint8_t tag[] = {static_cast<std::uint8_t>(*it >> 8),
                                    static_cast<std::uint8_t>(*it & 0xFF), 0x00, 0x2A};
        frame.insert(frame.begin() + static_cast<std::ptrdiff_t>(protocolAt), std::begin(tag),
                     std::end(tag));
    }
    return frame;
}

}  // namespace kestrel::testing
