#include "discovery/target_replies.h"

#include "wire/address_text.h"

namespace kestrel {

namespace {

bool sameController(const DeviceRecord& a, const DeviceRecord& b) {
    return a.ip == b.ip && upperText(a.mac) == upperText(b.mac);
}

}  // namespace

std::string_view settingName(CarriedSetting setting) {
    switch (setting) {
    case CarriedSetting::IpType: return "ip_type";
    case CarriedSetting::SubnetMask: return "subnet_mask";
    case CarriedSetting::Gateway: return "gateway";
    case CarriedSetting::Dns1: return "dns1";
    case CarriedSetting::Dns2: return "dns2";
    case CarriedSetting::ServerIp: return "server_ip";
    case CarriedSetting::Https: return "https_enabled";
    case CarriedSetting::HttpPort: return "http_port";
    case CarriedSetting::HttpsPort: return "https_port";
    case CarriedSetting::Count: break;
    }
    return {};
}

CarriedSettings differingSettings(const DeviceRecord& a, const DeviceRecord& b) {
    CarriedSettings d;
    auto mark = [&d](CarriedSetting s, bool differs) {
        if (differs) d.set(static_cast<std::size_t>(s));
    };
    mark(CarriedSetting::IpType, (a.ip_type != 0) != (b.ip_type != 0));
    mark(CarriedSetting::SubnetMask, a.subnet_mask != b.subnet_mask);
    mark(CarriedSetting::Gateway, a.gateway != b.gateway);
    mark(CarriedSetting::Dns1, a.dns1 != b.dns1);
    mark(CarriedSetting::Dns2, a.dns2 != b.dns2);
    mark(CarriedSetting::ServerIp, a.server_ip != b.server_ip);
    mark(CarriedSetting::Https, (a.https_enabled == 1) != (b.https_enabled == 1));
    mark(CarriedSetting::HttpPort, a.http_port != b.http_port);
    mark(CarriedSetting::HttpsPort, a.https_port != b.https_port);
    return d;
}

bool isTarget(const DeviceRecord& record, std::string_view target) {
    return record.ip == target || upperText(record.mac) == upperText(target);
}

void TargetReplies::see(const DeviceRecord& record) {
    if (!isTarget(record, target_)) return;
    if (!first_) {
        first_ = record;
        return;
    }
    // Every setting that some reply holds otherwise than the first is in
    // dispute, so the first reply is the only one kept.
    if (sameController(*first_, record)) disputed_ |= differingSettings(*first_, record);
    else ambiguous_ = true;
}

}  // namespace kestrel
