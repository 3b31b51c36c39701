#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

#include "net/byte_io.h"

namespace kestrel {

namespace result_reply {
inline constexpr std::size_t Result = 40;  // payload offset (datagram byte 92)
}

// The `result` byte of a 41-byte result reply payload.
std::optional<std::uint8_t> decodeResultReply(ByteSpan payload);

// The message a result code shows (information icon), or nothing for codes
// without one. Shared with the apply reply, which uses the same texts.
std::optional<std::string_view> resultMessage(std::uint8_t result);

}  // namespace kestrel
