#pragma once
// Every scan reply for one target, seen as it arrives rather than as the list
// keeps it (the list drops a reply equal to a row by MAC and IP, whatever the
// rest says). A forged reply with the target's MAC and IP but other settings
// must not decide what a network change sends back to the controller.
#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "discovery/device_record.h"

namespace kestrel {

// The settings that a network change sends back unchanged unless the
// operator gives them.
enum class CarriedSetting {
    IpType,
    SubnetMask,
    Gateway,
    Dns1,
    Dns2,
    ServerIp,
    Https,
    HttpPort,
    HttpsPort,
    Count
};
using CarriedSettings = std::bitset<static_cast<std::size_t>(CarriedSetting::Count)>;

// The record field that holds a setting ("gateway", "https_enabled", ...).
std::string_view settingName(CarriedSetting setting);

// The carried settings in which two records differ, read as a network change
// reads them: any non-zero ip_type is static, HTTPS is on only for 1;
// address texts are compared as texts.
CarriedSettings differingSettings(const DeviceRecord& a, const DeviceRecord& b);

// A record is the target named by its MAC text (any letter case) or IP text.
bool isTarget(const DeviceRecord& record, std::string_view target);

class TargetReplies {
public:
    explicit TargetReplies(std::string target) : target_(std::move(target)) {}

    // Takes any scan reply; those for other controllers are passed over.
    void see(const DeviceRecord& record);

    // The first reply for the target, if any.
    const std::optional<DeviceRecord>& first() const { return first_; }
    // More than one controller (MAC and IP) answered for the target.
    bool ambiguous() const { return ambiguous_; }
    // Settings in which replies with the first one's MAC and IP disagree.
    CarriedSettings disputed() const { return disputed_; }

private:
    std::string target_;
    std::optional<DeviceRecord> first_;
    bool ambiguous_ = false;
    CarriedSettings disputed_;
};

}  // namespace kestrel
