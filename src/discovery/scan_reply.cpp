#include "discovery/scan_reply.h"

namespace kestrel {

std::optional<DeviceRecord> decodeScanReply(ByteSpan datagram) {
    const ByteReader p(datagram);
    if (!p.has(0, kScanReplyLength)) return std::nullopt;

    namespace f = scan_reply;
    // Every field lies inside the checked size, so the readers below cannot
    // come back empty; value_or keeps that assumption from being a crash.
    DeviceRecord r;
    r.mac = p.text(hdr::Sender, hdr::SenderWidth).value_or("");
    r.ip_type = p.u8(f::IpType).value_or(0);
    r.ip = p.text(f::Ip, f::TextWidth).value_or("");
    r.subnet_mask = p.text(f::SubnetMask, f::TextWidth).value_or("");
    r.gateway = p.text(f::Gateway, f::TextWidth).value_or("");
    r.server_ip = p.text(f::ServerIp, f::TextWidth).value_or("");
    r.dns1 = p.text(f::Dns1, f::TextWidth).value_or("");
    r.dns2 = p.text(f::Dns2, f::TextWidth).value_or("");
    r.https_enabled = p.u8(f::HttpsEnabled).value_or(0);
    r.http_port = p.u16le(f::HttpPort).value_or(0);
    r.https_port = p.u16le(f::HttpsPort).value_or(0);
    r.hardware_model = p.u16le(f::HardwareModel).value_or(0);
    r.edition = p.u16le(f::Edition).value_or(0);
    r.max_door = p.u16le(f::MaxDoor).value_or(0);
    r.status = p.u8(f::Status).value_or(0);
    r.firmware_version = p.text(f::FirmwareVersion, f::FirmwareVersionWidth).value_or("");
    return r;
}

}  // namespace kestrel
