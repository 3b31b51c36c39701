// fendrix-cli's command line: every subcommand and option, and the values
// they fill in. Parsing checks only the form of each value; what needs the
// other options or a file is checked in main before anything is sent.
#pragma once

#include <CLI/CLI.hpp>

#include <map>
#include <string>

#include "adapter_output.h"
#include "command_support.h"
#include "device_commands.h"
#include "plan_command.h"
#include "session.h"
#ifdef FENDRIX_JOURNAL
#include "produce_command.h"
#endif

namespace fendrix_cli {

// The values of one command line.
struct Line {
    SessionOptions session;
    std::string receiver = "auto";
    int wait_ms = 1500;
    int timeout_ms = 3000;
    std::string format = "table";
    bool stats = false;
    bool check = false;
    NetcfgArgs netcfg;
    PlanArgs plan;
    std::string plan_format = "text";
    int confirm_ms = 10000;
    bool dhcp = false, static_ip = false;
    std::string https;
    ResetArgs reset;
    std::string password;
    bool password_stdin = false;
    std::string apply_oem, apply_mac, apply_target, apply_from;
    std::string journal_file, journal_format = "csv";
#ifdef FENDRIX_JOURNAL
    ProduceArgs produce;
#endif
};

// The subcommands, to ask which one was given.
struct Commands {
    CLI::App* adapters = nullptr;
    CLI::App* scan = nullptr;
    CLI::App* netcfg = nullptr;
    CLI::App* reset = nullptr;
    CLI::App* apply = nullptr;
    CLI::App* produce = nullptr;  // null where the journal is not built
    CLI::App* journal = nullptr;
    // netcfg's two forms: one controller, or a plan file.
    CLI::Option* netcfg_target = nullptr;
    CLI::Option* netcfg_plan = nullptr;
    // apply's single-controller options, all three or none.
    CLI::Option* apply_oem = nullptr;
    CLI::Option* apply_mac = nullptr;
    CLI::Option* apply_target = nullptr;
};

// Adds every subcommand to APP, filling LINE when it is parsed.
Commands addCommands(CLI::App& app, Line& line);

// --receiver, as every command that scans has it.
CLI::Option* addReceiver(CLI::App* cmd, std::string& receiver);
kestrel::ReceiverMode receiverMode(const std::string& word);

Format formatOf(const Line& line);
kestrel::ReceiverMode receiverOf(const Line& line);
Timing timingOf(const Line& line);

}  // namespace fendrix_cli
