#pragma once
// netcfg and reset: one request to one controller, answered by a result reply.
#include <cstdint>
#include <optional>
#include <string>

#include <vector>

#include "command_support.h"
#include "commands/network_change_request.h"
#include "discovery/target_replies.h"

namespace fendrix_cli {

// What the command line says; every unset field keeps the controller's value.
struct NetcfgArgs {
    std::string target;
    std::optional<bool> is_static;
    std::optional<std::string> ip, mask, gateway, dns1, dns2, server_ip;
    std::optional<std::uint16_t> http_port, https_port;
    std::optional<bool> https;
    std::string user, password;
};

struct ResetArgs {
    std::string target;
    std::string user, password;
};

// The canonical text of a dotted address, leading zeros read as decimal the
// way the window's address control reads a controller's value; "0.0.0.0" for
// a text that is none (an empty DNS field, say), as a blank field would send.
std::string addressField(const std::string& text);

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
