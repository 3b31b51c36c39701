#include "command_line.h"

#include <chrono>

#include "fendrix_version.h"
#include "wire/address_text.h"

namespace fendrix_cli {

using kestrel::SettingsChange;

namespace {

const std::map<std::string, Format> kFormats = {
    {"table", Format::Table}, {"json", Format::Json}, {"csv", Format::Csv}};

const std::map<std::string, kestrel::ReceiverMode> kReceivers = {
    {"auto", kestrel::ReceiverMode::Auto},
    {"capture", kestrel::ReceiverMode::Capture},
    {"socket", kestrel::ReceiverMode::Socket}};

const CLI::Validator kAddress(
    [](std::string& text) -> std::string {
        if (kestrel::isCanonicalIPv4(text)) return {};
        // Other programs read a leading zero as octal: say what was probably meant.
        if (const auto numbers = kestrel::dottedNumbers(text))
            return "leading zeros are not allowed in an IPv4 address: " + text + " (write " +
                   kestrel::ipv4Text(*numbers) + ")";
        return "not a dotted IPv4 address: " + text;
    },
    "A.B.C.D");

const char* const kStatsHelp =
    "Print rows, rows over the list's limit, ignored answers, capture counts, the last row's "
    "wall-clock time and memory growth to stderr";

void addFormat(CLI::App* cmd, std::string& format) {
    cmd->add_option("--format", format, "Output: table, json or csv")
        ->check(CLI::IsMember({"table", "json", "csv"}))
        ->capture_default_str();
}

// A scan also writes its rows as an address plan to edit (netcfg --plan).
void addScanFormat(CLI::App* cmd, std::string& format) {
    cmd->add_option("--format", format,
                    "Output: table, json, csv, or plan (the settings as a plan file for netcfg "
                    "--plan)")
        ->check(CLI::IsMember({"table", "json", "csv", "plan"}))
        ->capture_default_str();
}

CLI::Option* addTiming(CLI::App* cmd, Line& line, bool withTimeout) {
    cmd->add_option("--adapter", line.session.adapter,
                    "Adapter by description, interface name or IP (default: the first)");
    auto* receiver = addReceiver(cmd, line.receiver);
    cmd->add_option("--wait", line.wait_ms, "Milliseconds to gather scan replies")
        ->check(CLI::Range(0, 600000))
        ->capture_default_str();
    if (withTimeout)
        cmd->add_option("--timeout", line.timeout_ms,
                        "Milliseconds to wait for the controller's answer")
            ->check(CLI::Range(0, 600000))
            ->capture_default_str();
    return receiver;
}

void addCredentials(CLI::App* cmd, Line& line, std::string& user, bool required = true) {
    cmd->add_option("--user", user, "Super-admin user ID")->required(required);
    auto* pw = cmd->add_option("--password", line.password, "Super-admin password");
    auto* pwIn = cmd->add_flag("--password-stdin", line.password_stdin,
                               "Read the password from the first line of standard input");
    pw->excludes(pwIn);
    pwIn->excludes(pw);
}

void excludeEachOther(CLI::Option* a, CLI::Option* b) {
    a->excludes(b);
    b->excludes(a);
}

CLI::App* addScan(CLI::App& app, Line& line) {
    auto* scan =
        app.add_subcommand("scan", "Broadcast a scan and list the controllers that answer");
    auto* receiver = addTiming(scan, line, false);
    addScanFormat(scan, line.format);
    auto* save = scan->add_option("--save-pcap", line.session.save_pcap,
                                  "Also write the captured replies to this pcap file");
    auto* from = scan->add_option(
        "--from-pcap", line.session.from_pcap,
        "Read replies from this pcap file instead of the network; nothing is sent");
    scan->add_flag("--stats", line.stats, kStatsHelp);
    scan->add_flag("--check", line.check,
                   "Name each row's problems (two controllers with one address, a gateway outside "
                   "its subnet, ...); exit 11 when any row has one");
    excludeEachOther(save, from);
    excludeEachOther(from, receiver);
    return scan;
}

CLI::App* addNetcfg(CLI::App& app, Line& line, Commands& commands) {
    auto* netcfg = app.add_subcommand(
        "netcfg",
        "Change a controller's network settings, or a site's from a plan file; unset values keep "
        "the controller's own");
    addTiming(netcfg, line, true);
    commands.netcfg_target = netcfg->add_option("--target", line.netcfg.target,
                                                "Controller MAC or IP as the scan shows it");
    commands.netcfg_plan = netcfg->add_option(
        "--plan", line.plan.file,
        "CSV file of the site's address plan: one row per controller, checked whole before "
        "anything is sent");
    excludeEachOther(commands.netcfg_target, commands.netcfg_plan);
    auto* dhcp = netcfg->add_flag("--dhcp", line.dhcp, "Address from DHCP");
    auto* stat = netcfg->add_flag("--static", line.static_ip, "Static address");
    excludeEachOther(dhcp, stat);
    SettingsChange& change = line.netcfg.change;
    std::vector<CLI::Option*> single = {
        dhcp,
        stat,
        netcfg->add_option("--ip", change.ip, "New IP address")->check(kAddress),
        netcfg->add_option("--mask", change.mask, "Subnet mask")->check(kAddress),
        netcfg->add_option("--gateway", change.gateway, "Gateway")->check(kAddress),
        netcfg->add_option("--dns1", change.dns1, "DNS server 1")->check(kAddress),
        netcfg->add_option("--dns2", change.dns2, "DNS server 2")->check(kAddress),
        netcfg->add_option("--server-ip", change.server_ip, "Server IP")->check(kAddress),
        netcfg->add_option("--http-port", change.http_port, "HTTP port")
            ->check(CLI::Range(0, 65535)),
        netcfg->add_option("--https-port", change.https_port, "HTTPS port")
            ->check(CLI::Range(0, 65535)),
        netcfg->add_option("--https", line.https, "HTTPS on or off")
            ->check(CLI::IsMember({"on", "off"}))};
    for (auto* option : single) excludeEachOther(option, commands.netcfg_plan);
    netcfg
        ->add_flag("--dry-run", line.plan.dry_run, "With --plan: print each row's change and exit")
        ->needs(commands.netcfg_plan);
    netcfg
        ->add_option("--confirm-timeout", line.confirm_ms,
                     "With --plan: milliseconds of scans until a row's controller answers with "
                     "the planned settings")
        ->check(CLI::Range(0, 600000))
        ->capture_default_str()
        ->needs(commands.netcfg_plan);
    netcfg
        ->add_option("--format", line.plan_format,
                     "With --plan: output as text or json (one object per line)")
        ->check(CLI::IsMember({"text", "json"}))
        ->capture_default_str()
        ->needs(commands.netcfg_plan);
    // A dry run sends nothing and needs no credentials; main asks for them otherwise.
    addCredentials(netcfg, line, line.netcfg.user, false);
    netcfg->add_flag("--stats", line.stats, kStatsHelp);
    return netcfg;
}

CLI::App* addReset(CLI::App& app, Line& line) {
    auto* reset = app.add_subcommand("reset", "Reset a controller to factory defaults");
    addTiming(reset, line, true);
    reset->add_option("--target", line.reset.target, "Controller MAC or IP as the scan shows it")
        ->required();
    addCredentials(reset, line, line.reset.user);
    reset->add_flag("--stats", line.stats, kStatsHelp);
    return reset;
}

void addApply(CLI::App& app, Line& line, Commands& commands) {
    auto* apply =
        app.add_subcommand("apply", "Write an OEM brand and a MAC address into controllers");
    addTiming(apply, line, true);
    commands.apply = apply;
    commands.apply_oem =
        apply->add_option("--oem", line.apply_oem, "Brand: name, code or number 1..7");
    commands.apply_mac = apply->add_option("--mac", line.apply_mac, "New MAC address");
    commands.apply_target =
        apply->add_option("--target", line.apply_target, "Controller MAC or IP");
    auto* file =
        apply->add_option("--from", line.apply_from, "CSV file of target,brand,new MAC rows");
    apply->add_flag("--stats", line.stats, kStatsHelp);
    for (auto* single : {commands.apply_oem, commands.apply_mac, commands.apply_target})
        excludeEachOther(single, file);
}

#ifdef FENDRIX_JOURNAL
CLI::App* addJournal(CLI::App& app, Line& line) {
    auto* journal = app.add_subcommand("journal", "Export a production journal; reads only");
    journal->add_option("FILE", line.journal_file, "The journal file")->required();
    journal->add_option("--format", line.journal_format, "Output: csv or json")
        ->check(CLI::IsMember({"csv", "json"}))
        ->capture_default_str();
    return journal;
}
#endif

}  // namespace

CLI::Option* addReceiver(CLI::App* cmd, std::string& receiver) {
    return cmd
        ->add_option("--receiver", receiver,
                     "How replies come in: auto (the capture helper, else a capture of this "
                     "process, else a socket), capture (no socket) or socket")
        ->check(CLI::IsMember({"auto", "capture", "socket"}))
        ->capture_default_str();
}

kestrel::ReceiverMode receiverMode(const std::string& word) { return kReceivers.at(word); }

Commands addCommands(CLI::App& app, Line& line) {
    app.set_version_flag("--version", FENDRIX_VERSION_TEXT("fendrix-cli"));
    app.require_subcommand(1);
    Commands commands;
    commands.adapters = app.add_subcommand("adapters", "List the usable adapters");
    addFormat(commands.adapters, line.format);
    commands.scan = addScan(app, line);
    commands.netcfg = addNetcfg(app, line, commands);
    commands.reset = addReset(app, line);
    addApply(app, line, commands);
#ifdef FENDRIX_JOURNAL
    commands.produce = addProduceCommand(app, line.produce);
    commands.journal = addJournal(app, line);
#endif
    return commands;
}

Format formatOf(const Line& line) { return kFormats.at(line.format); }

kestrel::ReceiverMode receiverOf(const Line& line) { return receiverMode(line.receiver); }

Timing timingOf(const Line& line) {
    return {std::chrono::milliseconds(line.wait_ms), std::chrono::milliseconds(line.timeout_ms)};
}

}  // namespace fendrix_cli
