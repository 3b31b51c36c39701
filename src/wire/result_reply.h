#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "wire/byte_io.h"
#include "wire/protocol.h"

namespace kestrel {

namespace result_reply {                   // datagram offsets
inline constexpr std::size_t Result = 92;  // u8; bytes 52..91 are not interpreted
static_assert(Result + 1 == kResultReplyLength, "the result byte ends the result reply");
}  // namespace result_reply

// The `result` byte of the 93-byte datagram; nothing when fewer bytes are given.
std::optional<std::uint8_t> decodeResultReply(ByteSpan datagram);

// The message a result code shows (information icon), or nothing for codes
// without one. Shared with the apply reply, which uses the same texts.
std::optional<std::string_view> resultMessage(std::uint8_t result);

}  // namespace kestrel
