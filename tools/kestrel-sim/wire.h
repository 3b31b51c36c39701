#pragma once
// The controller side of the datagram layouts, read and written with the
// simulator's own offsets (deliberately not shared with the tool's core, so
// that the two readings of the layouts check each other).
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// Bounds-checked writers: nothing lands outside the buffer or the field.
void put_text(Bytes& buf, std::size_t offset, std::size_t width, std::string_view text);
void put_u8(Bytes& buf, std::size_t offset, std::uint8_t v);
void put_u16le(Bytes& buf, std::size_t offset, std::uint16_t v);

// Bounds-checked readers: nothing when the field is not wholly received.
std::optional<std::uint8_t> get_u8(ByteView b, std::size_t offset);
std::optional<std::uint16_t> get_u16le(ByteView b, std::size_t offset);
// Up to the first NUL, never past `width`.
std::optional<std::string> get_text(ByteView b, std::size_t offset, std::size_t width);

namespace code {
inline constexpr std::uint8_t scan = 1, network_change = 2, factory_reset = 3, oem_mac = 5;
inline constexpr std::uint8_t scan_reply = 17, result_reply = 18;
}  // namespace code

inline constexpr std::size_t header_size = 52;
inline constexpr std::size_t scan_reply_size = 216;
inline constexpr std::size_t result_reply_size = 93;
inline constexpr std::size_t apply_reply_size = 115;

// Whole-datagram length of each request the controllers act on.
std::optional<std::size_t> request_length(std::uint8_t command);

struct Header {
    std::uint8_t command = 0;
    std::string sender;
    std::string target;
};
std::optional<Header> decode_header(ByteView udp_payload);

// What the controller reports and what a network change may set.
struct NetSettings {
    std::uint8_t ip_type = 1;  // 0 = DHCP
    std::string ip, subnet_mask, gateway, dns1, dns2, server_ip;
    std::uint8_t https_enabled = 0;
    std::uint16_t http_port = 80, https_port = 443;
};

struct Identity {
    std::string mac;  // as the controller sends it (any letter case)
    std::uint16_t hardware_model = 0, edition = 0, max_door = 0;
    std::string firmware_version;
    std::uint8_t status = 99;
};

struct NetworkChange {
    std::string pc_ip, current_ip;
    NetSettings settings;
    std::string user, password;
};
struct FactoryReset {
    std::string pc_ip, current_ip, user, password;
};
struct OemMac {
    std::string ip, oem_code, new_mac;
};

// Each decoder needs the whole request; a shorter datagram gives nothing.
std::optional<NetworkChange> decode_network_change(ByteView d);
std::optional<FactoryReset> decode_factory_reset(ByteView d);
std::optional<OemMac> decode_oem_mac(ByteView d);

Bytes encode_scan_reply(const Identity& id, const NetSettings& net, std::string_view requester);
Bytes encode_result_reply(std::string_view sender_mac, std::string_view requester,
                          std::uint8_t result);
Bytes encode_apply_reply(std::string_view sender_mac, std::string_view requester, std::uint8_t code,
                         std::string_view reply_text, std::uint8_t result,
                         std::uint8_t apply_status, std::uint8_t oem_index);

std::string to_hex(ByteView b);

}  // namespace sim
