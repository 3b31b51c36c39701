#include "device_commands.h"

#include "commands/factory_reset_request.h"
#include "exit_codes.h"
#include "output/safe_text.h"
#include "site/settings_change.h"
#include "wire/address_text.h"

namespace fendrix_cli {

using namespace kestrel;

NetworkChangeValues netcfgValues(const DeviceRecord& record, const NetcfgArgs& args) {
    NetworkChangeValues v = changedSettings(record, args.change);
    v.user_id = args.user;
    v.password = args.password;
    return v;
}

std::vector<std::string> undecidedSettings(const CarriedSettings& disputed,
                                           const NetcfgArgs& args) {
    // The options by the carried setting that each gives.
    static constexpr const char* kOptions[] = {
        "--dhcp or --static", "--mask",  "--gateway",   "--dns1",      "--dns2",
        "--server-ip",        "--https", "--http-port", "--https-port"};
    static_assert(std::size(kOptions) == static_cast<std::size_t>(CarriedSetting::Count));
    const CarriedSettings undecided = disputed & ~givenSettings(args.change);
    std::vector<std::string> options;
    for (std::size_t i = 0; i < undecided.size(); ++i)
        if (undecided.test(i)) options.emplace_back(kOptions[i]);
    return options;
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
