#pragma once
// The answer of a controller to an OEM and MAC request (codes 19 to 21).
#include <cstdint>
#include <optional>
#include <string>

#include "wire/byte_io.h"
#include "wire/protocol.h"

namespace kestrel {

namespace apply_reply {  // datagram offsets; bytes 52..91 are not interpreted
inline constexpr std::size_t ReplyText = 92, ReplyTextWidth = 20;
inline constexpr std::size_t Result = 112;       // u8
inline constexpr std::size_t ApplyStatus = 113;  // u8
inline constexpr std::size_t OemIndex = 114;     // u8
static_assert(OemIndex + 1 == kApplyReplyLength, "the OEM index ends the apply reply");
}  // namespace apply_reply

struct ApplyReply {
    std::string reply_text;  // up to its first NUL, never past its 20 bytes
    std::uint8_t result = 0;
    std::uint8_t apply_status = 0;  // 2: applied
    std::uint8_t oem_index = 0;

    bool operator==(const ApplyReply&) const = default;
};

// Decodes the 115-byte datagram; nothing when fewer bytes are given.
std::optional<ApplyReply> decodeApplyReply(ByteSpan datagram);

}  // namespace kestrel
