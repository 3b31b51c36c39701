#include "frames.h"

#include <cstdio>

namespace sim {

namespace {
constexpr std::size_t eth_size = 14, ip_min = 20, udp_size = 8;
constexpr std::uint16_t ethertype_ipv4 = 0x0800, ethertype_arp = 0x0806;

void put_u16be(Bytes& b, std::size_t off, std::uint16_t v) {
    b[off] = static_cast<std::uint8_t>(v >> 8);
    b[off + 1] = static_cast<std::uint8_t>(v & 0xFF);
}
std::uint16_t get_u16be(ByteView b, std::size_t off) {
    return static_cast<std::uint16_t>((b[off] << 8) | b[off + 1]);
}
template <std::size_t N>
std::array<std::uint8_t, N> take(ByteView b, std::size_t off) {
    std::array<std::uint8_t, N> a{};
    for (std::size_t i = 0; i < N; ++i) a[i] = b[off + i];
    return a;
}
template <std::size_t N>
void give(Bytes& b, std::size_t off, const std::array<std::uint8_t, N>& a) {
    for (std::size_t i = 0; i < N; ++i) b[off + i] = a[i];
}
int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}
}  // namespace

std::optional<Mac> parse_mac(std::string_view t) {
    if (t.size() != 17) return std::nullopt;
    Mac m{};
    for (std::size_t i = 0; i < 6; ++i) {
        const int hi = hex_digit(t[i * 3]), lo = hex_digit(t[i * 3 + 1]);
        if (hi < 0 || lo < 0 || (i < 5 && t[i * 3 + 2] != ':')) return std::nullopt;
        m[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return m;
}

std::string mac_text(const Mac& m) {
    char s[18];
    std::snprintf(s, sizeof s, "%02x:%02x:%02x:%02x:%02x:%02x", m[0], m[1], m[2], m[3], m[4], m[5]);
    return s;
}

std::optional<Ipv4> parse_ipv4(std::string_view t) {
    Ipv4 a{};
    std::size_t part = 0, digits = 0;
    unsigned value = 0;
    for (char c : t) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<unsigned>(c - '0');
            if (++digits > 3 || value > 255) return std::nullopt;
        } else if (c == '.' && digits > 0 && part < 3) {
            a[part++] = static_cast<std::uint8_t>(value);
            value = 0;
            digits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (part != 3 || digits == 0) return std::nullopt;
    a[3] = static_cast<std::uint8_t>(value);
    return a;
}

std::string ipv4_text(const Ipv4& a) {
    return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
           std::to_string(a[3]);
}

std::uint16_t inet_checksum(ByteView b, std::uint32_t sum) {
    for (std::size_t i = 0; i + 1 < b.size(); i += 2)
        sum += static_cast<std::uint32_t>((b[i] << 8) | b[i + 1]);
    if (b.size() % 2) sum += static_cast<std::uint32_t>(b.back() << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::optional<UdpFrame> parse_udp_frame(ByteView f) {
    if (f.size() < eth_size + ip_min) return std::nullopt;
    if (get_u16be(f, 12) != ethertype_ipv4) return std::nullopt;
    const std::size_t ip = eth_size;
    if ((f[ip] >> 4) != 4) return std::nullopt;
    const std::size_t ihl = static_cast<std::size_t>(f[ip] & 0x0F) * 4;
    if (ihl < ip_min || f[ip + 9] != 17) return std::nullopt;
    const std::size_t udp = ip + ihl;
    if (f.size() < udp + udp_size) return std::nullopt;
    UdpFrame r;
    r.ends.dst_mac = take<6>(f, 0);
    r.ends.src_mac = take<6>(f, 6);
    r.ends.src_ip = take<4>(f, ip + 12);
    r.ends.dst_ip = take<4>(f, ip + 16);
    r.ends.src_port = get_u16be(f, udp);
    r.ends.dst_port = get_u16be(f, udp + 2);
    const std::size_t claimed = get_u16be(f, udp + 4);
    const std::size_t held = f.size() - udp;
    const std::size_t len = claimed < udp_size ? held : std::min(claimed, held);
    r.payload = f.subspan(udp + udp_size, len - udp_size);
    return r;
}

Bytes with_vlan_tags(Bytes frame, const std::vector<std::uint16_t>& ids) {
    if (frame.size() < eth_size) return frame;
    Bytes tags;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::uint16_t tpid = ids.size() > 1 && i == 0 ? 0x88A8 : 0x8100;
        tags.push_back(static_cast<std::uint8_t>(tpid >> 8));
        tags.push_back(static_cast<std::uint8_t>(tpid & 0xFF));
        tags.push_back(static_cast<std::uint8_t>((ids[i] >> 8) & 0x0F));
        tags.push_back(static_cast<std::uint8_t>(ids[i] & 0xFF));
    }
    frame.insert(frame.begin() + 12, tags.begin(), tags.end());
    return frame;
}

std::optional<ArpRequest> parse_arp_request(ByteView f) {
    if (f.size() < eth_size + 28 || get_u16be(f, 12) != ethertype_arp) return std::nullopt;
    const std::size_t a = eth_size;
    // Ethernet/IPv4 ARP, operation 1 (request).
    if (get_u16be(f, a) != 1 || get_u16be(f, a + 2) != ethertype_ipv4 || f[a + 4] != 6 ||
        f[a + 5] != 4 || get_u16be(f, a + 6) != 1)
        return std::nullopt;
    ArpRequest r;
    r.sender_mac = take<6>(f, a + 8);
    r.sender_ip = take<4>(f, a + 14);
    r.target_ip = take<4>(f, a + 24);
    return r;
}

Bytes build_udp_frame(const UdpEndpoints& e, ByteView payload) {
    const std::size_t ip = eth_size, udp = eth_size + ip_min, data = udp + udp_size;
    Bytes b(data + payload.size(), 0);
    give(b, 0, e.dst_mac);
    give(b, 6, e.src_mac);
    put_u16be(b, 12, ethertype_ipv4);
    b[ip] = 0x45;
    put_u16be(b, ip + 2, static_cast<std::uint16_t>(ip_min + udp_size + payload.size()));
    b[ip + 8] = 64;  // TTL
    b[ip + 9] = 17;  // UDP
    give(b, ip + 12, e.src_ip);
    give(b, ip + 16, e.dst_ip);
    put_u16be(b, ip + 10, inet_checksum(ByteView(b).subspan(ip, ip_min)));
    put_u16be(b, udp, e.src_port);
    put_u16be(b, udp + 2, e.dst_port);
    const auto udp_len = static_cast<std::uint16_t>(udp_size + payload.size());
    put_u16be(b, udp + 4, udp_len);
    for (std::size_t i = 0; i < payload.size(); ++i) b[data + i] = payload[i];
    // Pseudo-header sum: addresses, protocol, UDP length.
    std::uint32_t pseudo = 17u + udp_len;
    for (std::size_t i = 0; i < 8; i += 2)
        pseudo += static_cast<std::uint32_t>((b[ip + 12 + i] << 8) | b[ip + 13 + i]);
    std::uint16_t sum = inet_checksum(ByteView(b).subspan(udp), pseudo);
    put_u16be(b, udp + 6, sum == 0 ? 0xFFFF : sum);
    return b;
}

Bytes build_arp_reply(const Mac& own_mac, const Ipv4& own_ip, const ArpRequest& req) {
    Bytes b(eth_size + 28, 0);
    give(b, 0, req.sender_mac);
    give(b, 6, own_mac);
    put_u16be(b, 12, ethertype_arp);
    const std::size_t a = eth_size;
    put_u16be(b, a, 1);
    put_u16be(b, a + 2, ethertype_ipv4);
    b[a + 4] = 6;
    b[a + 5] = 4;
    put_u16be(b, a + 6, 2);  // reply
    give(b, a + 8, own_mac);
    give(b, a + 14, own_ip);
    give(b, a + 18, req.sender_mac);
    give(b, a + 24, req.sender_ip);
    return b;
}

}  // namespace sim
