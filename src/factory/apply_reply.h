#pragma once
// The answer of a controller to an OEM and MAC request (codes 19 to 21).
#include <cstdint>
#include <optional>
#include <string>

#include "net/byte_io.h"

namespace kestrel {

namespace apply_reply {
inline constexpr std::size_t ReplyText = 40, ReplyTextWidth = 20;  // payload offsets
inline constexpr std::size_t Result = 60;
inline constexpr std::size_t ApplyStatus = 61;
inline constexpr std::size_t OemIndex = 62;
}  // namespace apply_reply

struct ApplyReply {
    std::string reply_text;  // up to its first NUL, never past its 20 bytes
    std::uint8_t result = 0;
    std::uint8_t apply_status = 0;  // 2: applied
    std::uint8_t oem_index = 0;

    bool operator==(const ApplyReply&) const = default;
};

// Decodes the 63 payload bytes; nothing when fewer bytes are given.
std::optional<ApplyReply> decodeApplyReply(ByteSpan payload);

}  // namespace kestrel
