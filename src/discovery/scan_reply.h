#pragma once
// Decoding of a scan reply (code 17) into a device record.
#include <optional>

#include "discovery/device_record.h"
#include "wire/byte_io.h"
#include "wire/protocol.h"

namespace kestrel {

namespace scan_reply {  // datagram offsets; the header's sender is the MAC
inline constexpr std::size_t Ip = 52;
inline constexpr std::size_t IpType = 92;  // u8
inline constexpr std::size_t SubnetMask = 93;
inline constexpr std::size_t Gateway = 113;
inline constexpr std::size_t Dns1 = 133;
inline constexpr std::size_t Dns2 = 153;
inline constexpr std::size_t HttpsEnabled = 173;  // u8
inline constexpr std::size_t HttpPort = 174;      // u16
inline constexpr std::size_t HttpsPort = 176;     // u16
inline constexpr std::size_t ServerIp = 178;
inline constexpr std::size_t HardwareModel = 198;  // u16
inline constexpr std::size_t Edition = 200;        // u16
inline constexpr std::size_t MaxDoor = 202;        // u16
inline constexpr std::size_t FirmwareVersion = 204, FirmwareVersionWidth = 10;
inline constexpr std::size_t Status = 215;  // u8
inline constexpr std::size_t TextWidth = 20;
inline constexpr std::uint8_t StatusOk = 99;
static_assert(Status + 1 == kScanReplyLength, "the status byte ends the scan reply");
}  // namespace scan_reply

// The 216-byte datagram: header and payload. Nothing when fewer bytes are given.
std::optional<DeviceRecord> decodeScanReply(ByteSpan datagram);

}  // namespace kestrel
