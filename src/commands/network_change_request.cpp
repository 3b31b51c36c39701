#include "commands/network_change_request.h"

#include "wire/address_text.h"
#include "wire/request_header.h"

namespace kestrel {

std::array<std::uint8_t, kNetworkChangeRequestLength> buildNetworkChangeRequest(
    const AdapterEntry& adapter, const NetworkChangeValues& v) {
    std::array<std::uint8_t, kNetworkChangeRequestLength> buf{};
    // Lower-casing again is harmless and keeps the target right whoever calls.
    buildRequestHeader(buf, cmd::NetworkChange, adapter.mac_text, lowerText(v.target_mac));

    namespace o = network_change;
    putText(buf, o::AdapterIp, o::IpWidth, adapter.ip_text);
    putText(buf, o::CurrentIp, o::IpWidth, v.current_ip);
    putU8(buf, o::Static, v.is_static ? 1 : 0);
    putText(buf, o::NewIp, o::IpWidth, v.new_ip);
    putText(buf, o::SubnetMask, o::IpWidth, v.subnet_mask);
    putText(buf, o::Gateway, o::IpWidth, v.gateway);
    putText(buf, o::Dns1, o::IpWidth, v.dns1);
    putText(buf, o::Dns2, o::IpWidth, v.dns2);
    putU8(buf, o::HttpsEnabled, v.https ? 1 : 0);
    putU16le(buf, o::HttpPort, v.http_port);
    putU16le(buf, o::HttpsPort, v.https_port);
    putText(buf, o::ServerIp, o::IpWidth, v.server_ip);
    putText(buf, o::UserId, o::CredentialWidth, v.user_id);
    putText(buf, o::Password, o::CredentialWidth, v.password);
    return buf;
}

}  // namespace kestrel
