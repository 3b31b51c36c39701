#pragma once
// The 192-byte factory reset request (command 3).
#include <array>
#include <cstdint>
#include <string_view>

#include "wire/adapter_entry.h"
#include "wire/protocol.h"

namespace kestrel {

namespace factory_reset {  // datagram offsets
inline constexpr std::size_t AdapterIp = 52;
inline constexpr std::size_t CurrentIp = 72;
inline constexpr std::size_t UserId = 92;
inline constexpr std::size_t Password = 142;
inline constexpr std::size_t IpWidth = 20;
inline constexpr std::size_t CredentialWidth = 50;
static_assert(Password + CredentialWidth == kFactoryResetRequestLength,
              "the password ends the factory reset request");
}  // namespace factory_reset

// targetMac is lower-cased already; over-long texts are cut at their field.
std::array<std::uint8_t, kFactoryResetRequestLength> buildFactoryResetRequest(
    const AdapterEntry& adapter, std::string_view targetMac, std::string_view currentIp,
    std::string_view userId, std::string_view password);

}  // namespace kestrel
