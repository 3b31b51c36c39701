#include "site/settings_change.h"

#include "wire/address_text.h"

namespace kestrel {

std::string_view settingColumn(Setting setting) {
    switch (setting) {
    case Setting::Mode: return "mode";
    case Setting::Ip: return "ip";
    case Setting::Mask: return "mask";
    case Setting::Gateway: return "gateway";
    case Setting::Dns1: return "dns1";
    case Setting::Dns2: return "dns2";
    case Setting::ServerIp: return "server_ip";
    case Setting::HttpPort: return "http_port";
    case Setting::HttpsPort: return "https_port";
    case Setting::Https: return "https";
    case Setting::Count: break;
    }
    return {};
}

Setting settingOf(CarriedSetting carried) {
    switch (carried) {
    case CarriedSetting::IpType: return Setting::Mode;
    case CarriedSetting::SubnetMask: return Setting::Mask;
    case CarriedSetting::Gateway: return Setting::Gateway;
    case CarriedSetting::Dns1: return Setting::Dns1;
    case CarriedSetting::Dns2: return Setting::Dns2;
    case CarriedSetting::ServerIp: return Setting::ServerIp;
    case CarriedSetting::Https: return Setting::Https;
    case CarriedSetting::HttpPort: return Setting::HttpPort;
    case CarriedSetting::HttpsPort: return Setting::HttpsPort;
    case CarriedSetting::Count: break;
    }
    return Setting::Count;
}

std::string addressField(std::string_view text) {
    const auto numbers = dottedNumbers(text);
    return numbers ? ipv4Text(*numbers) : "0.0.0.0";
}

NetworkChangeValues changedSettings(const DeviceRecord& record, const SettingsChange& change) {
    auto pick = [](const std::optional<std::string>& given, const std::string& current) {
        return addressField(given.value_or(current));
    };
    NetworkChangeValues v;
    v.target_mac = lowerText(record.mac);
    v.current_ip = record.ip;  // where it is now, not where it is going
    v.is_static = change.is_static.value_or(record.ip_type != 0);
    v.new_ip = pick(change.ip, record.ip);
    v.subnet_mask = pick(change.mask, record.subnet_mask);
    v.gateway = pick(change.gateway, record.gateway);
    v.dns1 = pick(change.dns1, record.dns1);
    v.dns2 = pick(change.dns2, record.dns2);
    v.server_ip = pick(change.server_ip, record.server_ip);
    v.https = change.https.value_or(record.https_enabled == 1);
    v.http_port = change.http_port.value_or(record.http_port);
    v.https_port = change.https_port.value_or(record.https_port);
    return v;
}

CarriedSettings givenSettings(const SettingsChange& change) {
    CarriedSettings given;
    auto mark = [&given](CarriedSetting s, bool set) {
        if (set) given.set(static_cast<std::size_t>(s));
    };
    mark(CarriedSetting::IpType, change.is_static.has_value());
    mark(CarriedSetting::SubnetMask, change.mask.has_value());
    mark(CarriedSetting::Gateway, change.gateway.has_value());
    mark(CarriedSetting::Dns1, change.dns1.has_value());
    mark(CarriedSetting::Dns2, change.dns2.has_value());
    mark(CarriedSetting::ServerIp, change.server_ip.has_value());
    mark(CarriedSetting::Https, change.https.has_value());
    mark(CarriedSetting::HttpPort, change.http_port.has_value());
    mark(CarriedSetting::HttpsPort, change.https_port.has_value());
    return given;
}

std::vector<SettingDiff> settingDiffs(const DeviceRecord& record,
                                      const NetworkChangeValues& planned) {
    const NetworkChangeValues now = changedSettings(record, {});
    auto mode = [](bool isStatic) { return std::string(isStatic ? "static" : "dhcp"); };
    auto onOff = [](bool on) { return std::string(on ? "on" : "off"); };
    std::vector<SettingDiff> diffs;
    auto add = [&diffs](Setting setting, const std::string& from, const std::string& to) {
        if (from != to) diffs.push_back({setting, from, to});
    };
    add(Setting::Mode, mode(now.is_static), mode(planned.is_static));
    if (planned.is_static) {
        add(Setting::Ip, now.new_ip, planned.new_ip);
        add(Setting::Mask, now.subnet_mask, planned.subnet_mask);
        add(Setting::Gateway, now.gateway, planned.gateway);
        add(Setting::Dns1, now.dns1, planned.dns1);
        add(Setting::Dns2, now.dns2, planned.dns2);
    }
    add(Setting::ServerIp, now.server_ip, planned.server_ip);
    add(Setting::HttpPort, std::to_string(now.http_port), std::to_string(planned.http_port));
    add(Setting::HttpsPort, std::to_string(now.https_port), std::to_string(planned.https_port));
    add(Setting::Https, onOff(now.https), onOff(planned.https));
    return diffs;
}

}  // namespace kestrel
