#pragma once
// The 318-byte network change request (command 2).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "wire/adapter_entry.h"
#include "wire/protocol.h"

namespace kestrel {

namespace network_change {  // datagram offsets
inline constexpr std::size_t AdapterIp = 52;
inline constexpr std::size_t CurrentIp = 72;
inline constexpr std::size_t Static = 92;
inline constexpr std::size_t NewIp = 93;
inline constexpr std::size_t SubnetMask = 113;
inline constexpr std::size_t Gateway = 133;
inline constexpr std::size_t Dns1 = 153;
inline constexpr std::size_t Dns2 = 173;
inline constexpr std::size_t HttpsEnabled = 193;
inline constexpr std::size_t HttpPort = 194;
inline constexpr std::size_t HttpsPort = 196;
inline constexpr std::size_t ServerIp = 198;
inline constexpr std::size_t UserId = 218;
inline constexpr std::size_t Password = 268;
inline constexpr std::size_t IpWidth = 20;
inline constexpr std::size_t CredentialWidth = 50;
static_assert(Password + CredentialWidth == kNetworkChangeRequestLength,
              "the password ends the network change request");
}  // namespace network_change

struct NetworkChangeValues {
    std::string target_mac;  // lower-cased already
    std::string current_ip;  // the address the scan reported
    bool is_static = false;
    std::string new_ip, subnet_mask, gateway, dns1, dns2;  // "%d.%d.%d.%d" texts
    bool https = false;
    std::uint16_t http_port = 0;
    std::uint16_t https_port = 0;
    std::string server_ip;
    std::string user_id;
    std::string password;
};

std::array<std::uint8_t, kNetworkChangeRequestLength> buildNetworkChangeRequest(
    const AdapterEntry& adapter, const NetworkChangeValues& values);

}  // namespace kestrel
