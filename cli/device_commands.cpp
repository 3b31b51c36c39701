#include "device_commands.h"

#include "commands/factory_reset_request.h"
#include "exit_codes.h"
#include "output/safe_text.h"
#include "wire/address_text.h"

namespace fendrix_cli {

using namespace kestrel;

std::string addressField(const std::string& text) {
    const auto numbers = dottedNumbers(text);
    return numbers ? ipv4Text(*numbers) : "0.0.0.0";
}

NetworkChangeValues netcfgValues(const DeviceRecord& record, const NetcfgArgs& args) {
    auto pick = [](const std::optional<std::string>& given, const std::string& current) {
        return addressField(given.value_or(current));
    };
    NetworkChangeValues v;
    v.target_mac = lowerText(record.mac);
    v.current_ip = record.ip;  // where it is now, not where it is going
    v.is_static = args.is_static.value_or(record.ip_type != 0);
    v.new_ip = pick(args.ip, record.ip);
    v.subnet_mask = pick(args.mask, record.subnet_mask);
    v.gateway = pick(args.gateway, record.gateway);
    v.dns1 = pick(args.dns1, record.dns1);
    v.dns2 = pick(args.dns2, record.dns2);
    v.server_ip = pick(args.server_ip, record.server_ip);
    v.https = args.https.value_or(record.https_enabled == 1);
    v.http_port = args.http_port.value_or(record.http_port);
    v.https_port = args.https_port.value_or(record.https_port);
    v.user_id = args.user;
    v.password = args.password;
    return v;
}

std::vector<std::string> undecidedSettings(const CarriedSettings& disputed,
                                           const NetcfgArgs& args) {
    struct Option {
        CarriedSetting setting;
        bool given;
        const char* name;
    };
    const Option options[] = {
        {CarriedSetting::IpType, args.is_static.has_value(), "--dhcp or --static"},
        {CarriedSetting::SubnetMask, args.mask.has_value(), "--mask"},
        {CarriedSetting::Gateway, args.gateway.has_value(), "--gateway"},
        {CarriedSetting::Dns1, args.dns1.has_value(), "--dns1"},
        {CarriedSetting::Dns2, args.dns2.has_value(), "--dns2"},
        {CarriedSetting::ServerIp, args.server_ip.has_value(), "--server-ip"},
        {CarriedSetting::Https, args.https.has_value(), "--https"},
        {CarriedSetting::HttpPort, args.http_port.has_value(), "--http-port"},
        {CarriedSetting::HttpsPort, args.https_port.has_value(), "--https-port"},
    };
    std::vector<std::string> undecided;
    for (const auto& o : options)
        if (disputed.test(static_cast<std::size_t>(o.setting)) && !o.given)
            undecided.emplace_back(o.name);
    return undecided;
}

int runNetcfg(Session& session, const NetcfgArgs& args, const Timing& timing) {
    const auto found = scanForTarget(session, args.target, timing);
    if (!found.record) return found.code;
    // Replies that disagree mean that one of them may be forged: what the
    // controller really holds is unknown, so nothing of it is sent back.
    if (const auto undecided = undecidedSettings(found.disputed, args); !undecided.empty()) {
        std::string fields, options;
        for (std::size_t i = 0; i < static_cast<std::size_t>(CarriedSetting::Count); ++i)
            if (found.disputed.test(i))
                fields += (fields.empty() ? "" : ", ") +
                          std::string(settingName(static_cast<CarriedSetting>(i)));
        for (const auto& o : undecided) options += (options.empty() ? "" : ", ") + o;
        std::fprintf(stderr,
                     "fendrix-cli: the scan holds replies for %s that disagree on %s; nothing was "
                     "sent: give %s\n",
                     terminalText(args.target).c_str(), fields.c_str(), options.c_str());
        return kExitNoTarget;
    }
    const auto request =
        buildNetworkChangeRequest(session.adapter(), netcfgValues(*found.record, args));
    return sendAndReportResult(session, *found.record, request, timing);
}

int runReset(Session& session, const ResetArgs& args, const Timing& timing) {
    const auto found = scanForTarget(session, args.target, timing);
    if (!found.record) return found.code;
    const DeviceRecord& record = *found.record;
    const auto request = buildFactoryResetRequest(session.adapter(), lowerText(record.mac),
                                                  record.ip, args.user, args.password);
    return sendAndReportResult(session, record, request, timing);
}

}  // namespace fendrix_cli
