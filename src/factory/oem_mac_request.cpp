#include "factory/oem_mac_request.h"

#include "factory/oem_table.h"
#include "wire/address_text.h"
#include "wire/request_header.h"

namespace kestrel {

std::array<std::uint8_t, kOemMacRequestLength> buildOemMacRequest(std::string_view adapterMac,
                                                                  std::string_view targetMac,
                                                                  std::string_view controllerIp,
                                                                  int oemIndex,
                                                                  std::string_view newMac) {
    std::array<std::uint8_t, kOemMacRequestLength> buf{};
    buildRequestHeader(buf, cmd::OemMac, adapterMac, lowerText(targetMac));
    // Bytes 52..71 stay zero: this request carries no adapter IP text.
    putText(buf, oem_mac::Ip, oem_mac::IpWidth, controllerIp);
    // The new MAC travels only together with a brand code.
    const std::string_view code = oemCode(oemIndex);
    if (!code.empty()) {
        putText(buf, oem_mac::OemCode, oem_mac::OemCodeWidth, code);
        putText(buf, oem_mac::NewMac, oem_mac::NewMacWidth, newMac);
    }
    return buf;
}

}  // namespace kestrel
