#include "device_commands.h"

#include "commands/factory_reset_request.h"
#include "exit_codes.h"
#include "net/address_text.h"

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

int runNetcfg(Session& session, const NetcfgArgs& args, const Timing& timing) {
    const auto record = scanForTarget(session, args.target, timing);
    if (!record) return kExitNoTarget;
    const auto request = buildNetworkChangeRequest(session.adapter(), netcfgValues(*record, args));
    return sendAndReportResult(session, *record, request, timing);
}

int runReset(Session& session, const ResetArgs& args, const Timing& timing) {
    const auto record = scanForTarget(session, args.target, timing);
    if (!record) return kExitNoTarget;
    const auto request = buildFactoryResetRequest(session.adapter(), lowerText(record->mac),
                                                  record->ip, args.user, args.password);
    return sendAndReportResult(session, *record, request, timing);
}

}  // namespace fendrix_cli
