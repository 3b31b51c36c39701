#pragma once
// A change of one controller's network settings, as fendrix-cli's options or
// a row of a plan give it: every setting left out keeps the controller's
// value, as the window's dialog pre-fills it. What is sent, what would
// change, and whether a scan reply shows the change done.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/network_change_request.h"
#include "discovery/device_record.h"
#include "discovery/target_replies.h"

namespace kestrel {

// The settings a change can give, by the names of a plan file's columns.
enum class Setting {
    Mode,
    Ip,
    Mask,
    Gateway,
    Dns1,
    Dns2,
    ServerIp,
    HttpPort,
    HttpsPort,
    Https,
    Count
};
std::string_view settingColumn(Setting setting);  // "mode", "ip", ... "https"
// The column of a setting that a network change carries back.
Setting settingOf(CarriedSetting carried);

struct SettingsChange {
    std::optional<bool> is_static;
    std::optional<std::string> ip, mask, gateway, dns1, dns2, server_ip;
    std::optional<std::uint16_t> http_port, https_port;
    std::optional<bool> https;
};

// The canonical text of a dotted address, leading zeros read as decimal the
// way the window's address control reads a controller's value; "0.0.0.0" for
// a text that is none (an empty DNS field, say), as a blank field would send.
std::string addressField(std::string_view text);

// The values a network change sends: the record's, overridden by the change;
// no credentials yet.
NetworkChangeValues changedSettings(const DeviceRecord& record, const SettingsChange& change);

// The settings that the change gives, by the names of the settings that a
// network change carries back (kestrel::CarriedSetting).
CarriedSettings givenSettings(const SettingsChange& change);

// One setting that a change alters, with its value before and after as the
// request writes it (addresses as dotted text, "static" or "dhcp", "on" or
// "off", ports as numbers).
struct SettingDiff {
    Setting setting;
    std::string from, to;
    bool operator==(const SettingDiff&) const = default;
};

// What `planned` alters of what `record` holds. The address settings (ip,
// mask, gateway, dns1, dns2) of a controller that is to take DHCP are the
// DHCP server's: they are sent as they are and not compared.
std::vector<SettingDiff> settingDiffs(const DeviceRecord& record,
                                      const NetworkChangeValues& planned);

}  // namespace kestrel
