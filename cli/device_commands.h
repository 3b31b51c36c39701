#pragma once
// netcfg and reset: one request to one controller, answered by a result reply.
#include <string>
#include <vector>

#include "command_support.h"
#include "commands/network_change_request.h"
#include "discovery/target_replies.h"
#include "site/settings_change.h"

namespace fendrix_cli {

// What the command line says; every unset setting keeps the controller's value.
struct NetcfgArgs {
    std::string target;
    kestrel::SettingsChange change;
    std::string user, password;
};

struct ResetArgs {
    std::string target;
    std::string user, password;
};

// The values sent: the record's, overridden by what the line gives.
kestrel::NetworkChangeValues netcfgValues(const kestrel::DeviceRecord& record,
                                          const NetcfgArgs& args);

// The disputed settings that the line does not give, by their option
// ("--gateway", ...): what the operator must decide before a change is sent.
std::vector<std::string> undecidedSettings(const kestrel::CarriedSettings& disputed,
                                           const NetcfgArgs& args);

int runNetcfg(Session& session, const NetcfgArgs& args, const Timing& timing);
int runReset(Session& session, const ResetArgs& args, const Timing& timing);

}  // namespace fendrix_cli
