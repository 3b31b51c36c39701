#pragma once
// Ports, command codes and datagram lengths of the controller protocol.
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kestrel {

inline constexpr std::uint16_t kRequestPort = 8901;  // controllers listen here
inline constexpr std::uint16_t kReplyPort = 8911;    // controllers answer here

namespace cmd {
inline constexpr std::uint8_t Scan = 1;
inline constexpr std::uint8_t NetworkChange = 2;
inline constexpr std::uint8_t FactoryReset = 3;
inline constexpr std::uint8_t OemMac = 5;
inline constexpr std::uint8_t ScanReply = 17;
inline constexpr std::uint8_t ResultReply = 18;
inline constexpr std::uint8_t ApplyReplyFirst = 19;
inline constexpr std::uint8_t ApplyReplyLast = 21;
}  // namespace cmd

// The 52-byte header that begins every datagram.
namespace hdr {
inline constexpr std::size_t Size = 52;
inline constexpr std::size_t Magic = 0, MagicWidth = 7;
inline constexpr std::size_t Version = 7;
inline constexpr std::size_t Command = 9;
inline constexpr std::size_t HeaderLength = 10;
inline constexpr std::size_t Sender = 12, SenderWidth = 20;
inline constexpr std::size_t Target = 32, TargetWidth = 20;
inline constexpr char MagicText[] = "kestrel";
inline constexpr std::uint16_t VersionValue = 1;
}  // namespace hdr

inline constexpr std::size_t kScanRequestLength = 52;
inline constexpr std::size_t kNetworkChangeRequestLength = 318;
inline constexpr std::size_t kFactoryResetRequestLength = 192;
inline constexpr std::size_t kOemMacRequestLength = 162;

inline constexpr std::size_t kScanReplyPayload = 164;
inline constexpr std::size_t kResultReplyPayload = 41;
inline constexpr std::size_t kApplyReplyPayload = 63;

inline constexpr bool isApplyReply(std::uint8_t code) {
    return code >= cmd::ApplyReplyFirst && code <= cmd::ApplyReplyLast;
}

// Length of the whole datagram for a code, header included; nothing for a
// code outside the table.
constexpr std::optional<std::size_t> datagramLength(std::uint8_t code) {
    switch (code) {
    case cmd::Scan: return kScanRequestLength;
    case cmd::NetworkChange: return kNetworkChangeRequestLength;
    case cmd::FactoryReset: return kFactoryResetRequestLength;
    case cmd::OemMac: return kOemMacRequestLength;
    case cmd::ScanReply: return hdr::Size + kScanReplyPayload;
    case cmd::ResultReply: return hdr::Size + kResultReplyPayload;
    default: break;
    }
    if (isApplyReply(code)) return hdr::Size + kApplyReplyPayload;
    return std::nullopt;
}

// Payload size that follows the header of a reply code; nothing for codes
// that the tool does not act on.
constexpr std::optional<std::size_t> replyPayloadLength(std::uint8_t code) {
    if (code == cmd::ScanReply) return kScanReplyPayload;
    if (code == cmd::ResultReply) return kResultReplyPayload;
    if (isApplyReply(code)) return kApplyReplyPayload;
    return std::nullopt;
}

}  // namespace kestrel
