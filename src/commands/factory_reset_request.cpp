#include "commands/factory_reset_request.h"

#include "wire/address_text.h"
#include "wire/request_header.h"

namespace kestrel {

std::array<std::uint8_t, kFactoryResetRequestLength> buildFactoryResetRequest(
    const AdapterEntry& adapter, std::string_view targetMac, std::string_view currentIp,
    std::string_view userId, std::string_view password) {
    std::array<std::uint8_t, kFactoryResetRequestLength> buf{};
    buildRequestHeader(buf, cmd::FactoryReset, adapter.mac_text, lowerText(targetMac));

    namespace o = factory_reset;
    putText(buf, o::AdapterIp, o::IpWidth, adapter.ip_text);
    putText(buf, o::CurrentIp, o::IpWidth, currentIp);
    // The edits have no limit of their own; putText cuts at the field.
    putText(buf, o::UserId, o::CredentialWidth, userId);
    putText(buf, o::Password, o::CredentialWidth, password);
    return buf;
}

}  // namespace kestrel
