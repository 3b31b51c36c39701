#pragma once
// Decoding of a scan reply (code 17) into a device record.
#include <optional>

#include "discovery/device_record.h"
#include "net/byte_io.h"

namespace kestrel {

// Payload offsets of the 164-byte scan reply.
namespace scan_reply {
inline constexpr std::size_t Ip = 0;
inline constexpr std::size_t IpType = 40;
inline constexpr std::size_t SubnetMask = 41;
inline constexpr std::size_t Gateway = 61;
inline constexpr std::size_t Dns1 = 81;
inline constexpr std::size_t Dns2 = 101;
inline constexpr std::size_t HttpsEnabled = 121;
inline constexpr std::size_t HttpPort = 122;
inline constexpr std::size_t HttpsPort = 124;
inline constexpr std::size_t ServerIp = 126;
inline constexpr std::size_t HardwareModel = 146;
inline constexpr std::size_t Edition = 148;
inline constexpr std::size_t MaxDoor = 150;
inline constexpr std::size_t FirmwareVersion = 152, FirmwareVersionWidth = 10;
inline constexpr std::size_t Status = 163;
inline constexpr std::size_t TextWidth = 20;
inline constexpr std::uint8_t StatusOk = 99;
}  // namespace scan_reply

// header: the 52-byte reply header; payload: the 164 bytes after it.
// Nothing when either is shorter than that.
std::optional<DeviceRecord> decodeScanReply(ByteSpan header, ByteSpan payload);

}  // namespace kestrel
