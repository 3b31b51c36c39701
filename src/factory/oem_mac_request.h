#pragma once
// The 162-byte OEM and MAC request (command 5).
#include <array>
#include <cstdint>
#include <string_view>

#include "wire/protocol.h"

namespace kestrel {

namespace oem_mac {  // datagram offsets
inline constexpr std::size_t Ip = 72, IpWidth = 20;
inline constexpr std::size_t OemCode = 92, OemCodeWidth = 50;
inline constexpr std::size_t NewMac = 142, NewMacWidth = 20;
static_assert(NewMac + NewMacWidth == kOemMacRequestLength, "the new MAC ends the OEM/MAC request");
}  // namespace oem_mac

std::array<std::uint8_t, kOemMacRequestLength> buildOemMacRequest(std::string_view adapterMac,
                                                                  std::string_view targetMac,
                                                                  std::string_view controllerIp,
                                                                  int oemIndex,
                                                                  std::string_view newMac);

}  // namespace kestrel
