#include "wire.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {
bool fits(std::size_t size, std::size_t offset, std::size_t len) {
    return offset <= size && len <= size - offset;
}

// Header fields.
constexpr std::size_t h_magic = 0, h_version = 7, h_command = 9, h_length = 10;
constexpr std::size_t h_sender = 12, h_target = 32, h_text = 20;

// Scan reply fields (datagram offsets).
constexpr std::size_t sr_ip = 52, sr_ip_type = 92, sr_mask = 93, sr_gateway = 113, sr_dns1 = 133,
                      sr_dns2 = 153, sr_https = 173, sr_http_port = 174, sr_https_port = 176,
                      sr_server_ip = 178, sr_model = 198, sr_edition = 200, sr_max_door = 202,
                      sr_firmware = 204, sr_firmware_width = 10, sr_status = 215;

// Network change request.
constexpr std::size_t nc_pc_ip = 52, nc_current_ip = 72, nc_static = 92, nc_ip = 93, nc_mask = 113,
                      nc_gateway = 133, nc_dns1 = 153, nc_dns2 = 173, nc_https = 193,
                      nc_http_port = 194, nc_https_port = 196, nc_server_ip = 198, nc_user = 218,
                      nc_password = 268, credential_width = 50;

// Factory reset request.
constexpr std::size_t fr_pc_ip = 52, fr_current_ip = 72, fr_user = 92, fr_password = 142;

// OEM/MAC request and its apply reply.
constexpr std::size_t om_ip = 72, om_code = 92, om_code_width = 50, om_new_mac = 142;
constexpr std::size_t ar_text = 92, ar_result = 112, ar_status = 113, ar_oem_index = 114;

// Result reply.
constexpr std::size_t rr_result = 92;

Bytes reply_header(std::size_t size, std::uint8_t command, std::string_view sender,
                   std::string_view target) {
    Bytes b(size, 0);
    put_text(b, h_magic, 7, "kestrel");
    put_u16le(b, h_version, 1);
    put_u8(b, h_command, command);
    put_u16le(b, h_length, static_cast<std::uint16_t>(header_size));
    put_text(b, h_sender, h_text, sender);
    put_text(b, h_target, h_text, target);
    return b;
}
}  // namespace

void put_text(Bytes& buf, std::size_t offset, std::size_t width, std::string_view text) {
    if (offset >= buf.size()) return;
    const std::size_t n = std::min({width, buf.size() - offset, text.size()});
    if (n > 0) std::memcpy(buf.data() + offset, text.data(), n);
}

void put_u8(Bytes& buf, std::size_t offset, std::uint8_t v) {
    if (fits(buf.size(), offset, 1)) buf[offset] = v;
}

void put_u16le(Bytes& buf, std::size_t offset, std::uint16_t v) {
    if (!fits(buf.size(), offset, 2)) return;
    buf[offset] = static_cast<std::uint8_t>(v & 0xFF);
    buf[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::optional<std::uint8_t> get_u8(ByteView b, std::size_t offset) {
    if (!fits(b.size(), offset, 1)) return std::nullopt;
    return b[offset];
}

std::optional<std::uint16_t> get_u16le(ByteView b, std::size_t offset) {
    if (!fits(b.size(), offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(b[offset] | (b[offset + 1] << 8));
}

std::optional<std::string> get_text(ByteView b, std::size_t offset, std::size_t width) {
    if (!fits(b.size(), offset, width)) return std::nullopt;
    const auto* first = b.data() + offset;
    const auto* last = std::find(first, first + width, std::uint8_t{0});
    return std::string(first, last);
}

std::optional<std::size_t> request_length(std::uint8_t command) {
    switch (command) {
    case code::scan: return 52;
    case code::network_change: return 318;
    case code::factory_reset: return 192;
    case code::oem_mac: return 162;
    default: return std::nullopt;
    }
}

std::optional<Header> decode_header(ByteView d) {
    auto command = get_u8(d, h_command);
    auto sender = get_text(d, h_sender, h_text);
    auto target = get_text(d, h_target, h_text);
    if (!command || !sender || !target) return std::nullopt;
    return Header{*command, *sender, *target};
}

std::optional<NetworkChange> decode_network_change(ByteView d) {
    if (d.size() < 318) return std::nullopt;
    NetworkChange r;
    r.pc_ip = *get_text(d, nc_pc_ip, h_text);
    r.current_ip = *get_text(d, nc_current_ip, h_text);
    r.settings.ip_type = *get_u8(d, nc_static);
    r.settings.ip = *get_text(d, nc_ip, h_text);
    r.settings.subnet_mask = *get_text(d, nc_mask, h_text);
    r.settings.gateway = *get_text(d, nc_gateway, h_text);
    r.settings.dns1 = *get_text(d, nc_dns1, h_text);
    r.settings.dns2 = *get_text(d, nc_dns2, h_text);
    r.settings.https_enabled = *get_u8(d, nc_https);
    r.settings.http_port = *get_u16le(d, nc_http_port);
    r.settings.https_port = *get_u16le(d, nc_https_port);
    r.settings.server_ip = *get_text(d, nc_server_ip, h_text);
    r.user = *get_text(d, nc_user, credential_width);
    r.password = *get_text(d, nc_password, credential_width);
    return r;
}

std::optional<FactoryReset> decode_factory_reset(ByteView d) {
    if (d.size() < 192) return std::nullopt;
    return FactoryReset{*get_text(d, fr_pc_ip, h_text), *get_text(d, fr_current_ip, h_text),
                        *get_text(d, fr_user, credential_width),
                        *get_text(d, fr_password, credential_width)};
}

std::optional<OemMac> decode_oem_mac(ByteView d) {
    if (d.size() < 162) return std::nullopt;
    return OemMac{*get_text(d, om_ip, h_text), *get_text(d, om_code, om_code_width),
                  *get_text(d, om_new_mac, h_text)};
}

Bytes encode_scan_reply(const Identity& id, const NetSettings& net, std::string_view requester) {
    Bytes b = reply_header(scan_reply_size, code::scan_reply, id.mac, requester);
    put_text(b, sr_ip, h_text, net.ip);
    put_u8(b, sr_ip_type, net.ip_type);
    put_text(b, sr_mask, h_text, net.subnet_mask);
    put_text(b, sr_gateway, h_text, net.gateway);
    put_text(b, sr_dns1, h_text, net.dns1);
    put_text(b, sr_dns2, h_text, net.dns2);
    put_u8(b, sr_https, net.https_enabled);
    put_u16le(b, sr_http_port, net.http_port);
    put_u16le(b, sr_https_port, net.https_port);
    put_text(b, sr_server_ip, h_text, net.server_ip);
    put_u16le(b, sr_model, id.hardware_model);
    put_u16le(b, sr_edition, id.edition);
    put_u16le(b, sr_max_door, id.max_door);
    put_text(b, sr_firmware, sr_firmware_width, id.firmware_version);
    put_u8(b, sr_status, id.status);
    return b;
}

Bytes encode_result_reply(std::string_view sender_mac, std::string_view requester,
                          std::uint8_t result) {
    Bytes b = reply_header(result_reply_size, code::result_reply, sender_mac, requester);
    put_u8(b, rr_result, result);
    return b;
}

Bytes encode_apply_reply(std::string_view sender_mac, std::string_view requester,
                         std::uint8_t command, std::string_view reply_text, std::uint8_t result,
                         std::uint8_t apply_status, std::uint8_t oem_index) {
    Bytes b = reply_header(apply_reply_size, command, sender_mac, requester);
    // One byte short of the field so the text always ends in a NUL.
    put_text(b, ar_text, h_text - 1, reply_text);
    put_u8(b, ar_result, result);
    put_u8(b, ar_status, apply_status);
    put_u8(b, ar_oem_index, oem_index);
    return b;
}

std::string to_hex(ByteView b) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string s;
    s.reserve(b.size() * 2);
    for (auto c : b) {
        s.push_back(digits[c >> 4]);
        s.push_back(digits[c & 0xF]);
    }
    return s;
}

}  // namespace sim
