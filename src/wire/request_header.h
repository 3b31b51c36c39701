#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "wire/byte_io.h"
#include "wire/protocol.h"

namespace kestrel {

// Writes the 52 header bytes into a zero-filled buffer of at least 52 bytes.
// Writes nothing past offset 51; a text longer than its field is cut.
void buildRequestHeader(MutableByteSpan buf, std::uint8_t command, std::string_view sender,
                        std::string_view target);

// The whole scan request: the header alone, with an empty target.
std::array<std::uint8_t, kScanRequestLength> buildScanRequest(std::string_view senderMac);

}  // namespace kestrel
