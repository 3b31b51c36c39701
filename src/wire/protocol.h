#pragma once
// Ports, command codes and datagram lengths of the controller protocol.
// Every layout of the tool names its fields by datagram offset (the header
// begins at 0, a reply's payload at 52) and proves at compile time that its
// last field ends at its length.
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
static_assert(Target + TargetWidth == Size, "the target ends the header");
}  // namespace hdr

inline constexpr std::size_t kScanRequestLength = 52;
inline constexpr std::size_t kNetworkChangeRequestLength = 318;
inline constexpr std::size_t kFactoryResetRequestLength = 192;
inline constexpr std::size_t kOemMacRequestLength = 162;

static_assert(kScanRequestLength == hdr::Size, "a scan request is the header alone");

inline constexpr std::size_t kScanReplyPayload = 164;
inline constexpr std::size_t kResultReplyPayload = 41;
inline constexpr std::size_t kApplyReplyPayload = 63;
inline constexpr std::size_t kScanReplyLength = hdr::Size + kScanReplyPayload;
inline constexpr std::size_t kResultReplyLength = hdr::Size + kResultReplyPayload;
inline constexpr std::size_t kApplyReplyLength = hdr::Size + kApplyReplyPayload;

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
    case cmd::ScanReply: return kScanReplyLength;
    case cmd::ResultReply: return kResultReplyLength;
    default: break;
    }
    if (isApplyReply(code)) return kApplyReplyLength;
    return std::nullopt;
}

// Length of a reply datagram, header included; nothing for codes that the
// tool does not act on.
constexpr std::optional<std::size_t> replyLength(std::uint8_t code) {
    if (code == cmd::ScanReply || code == cmd::ResultReply || isApplyReply(code))
        return datagramLength(code);
    return std::nullopt;
}

}  // namespace kestrel
