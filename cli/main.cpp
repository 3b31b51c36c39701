// fendrix-cli: the core of Fendrix without windows, for scripts and production lines.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <string>

#include "apply_command.h"
#include "device_commands.h"
#include "exit_codes.h"
#include "fendrix_version.h"
#include "interrupt_watch.h"
#include "net/address_text.h"
#include "output/safe_text.h"
#ifdef FENDRIX_JOURNAL
#include "produce_command.h"
#include "production/journal_export.h"
#endif
#include "scan_output.h"
#include "scan_stats.h"
#include "session.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

using namespace fendrix_cli;

namespace {

const std::map<std::string, Format> kFormats = {
    {"table", Format::Table}, {"json", Format::Json}, {"csv", Format::Csv}};

void addFormat(CLI::App* cmd, std::string& format) {
    cmd->add_option("--format", format, "Output: table, json or csv")
        ->check(CLI::IsMember({"table", "json", "csv"}))
        ->capture_default_str();
}

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

const std::map<std::string, kestrel::ReceiverMode> kReceivers = {
    {"auto", kestrel::ReceiverMode::Auto},
    {"capture", kestrel::ReceiverMode::Capture},
    {"socket", kestrel::ReceiverMode::Socket}};

struct Line {
    SessionOptions session;
    std::string receiver = "auto";
    int wait_ms = 1500;
    int timeout_ms = 3000;
    std::string format = "table";
    bool stats = false;
    NetcfgArgs netcfg;
    bool dhcp = false, static_ip = false;
    std::string https;
    ResetArgs reset;
    std::string password;
    bool password_stdin = false;
    std::string apply_oem, apply_mac, apply_target, apply_from;
    std::string journal_file, journal_format = "csv";
};

CLI::Option* addTiming(CLI::App* cmd, Line& line, bool withTimeout) {
    cmd->add_option("--adapter", line.session.adapter,
                    "Adapter by description, interface name or IP (default: the first)");
    auto* receiver =
        cmd->add_option("--receiver", line.receiver,
                        "How replies come in: auto (the capture helper, else a capture of this "
                        "process, else a socket), capture (no socket) or socket")
            ->check(CLI::IsMember({"auto", "capture", "socket"}))
            ->capture_default_str();
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

void addCredentials(CLI::App* cmd, Line& line, std::string& user) {
    cmd->add_option("--user", user, "Super-admin user ID")->required();
    auto* pw = cmd->add_option("--password", line.password, "Super-admin password");
    auto* pwIn = cmd->add_flag("--password-stdin", line.password_stdin,
                               "Read the password from the first line of standard input");
    pw->excludes(pwIn);
    pwIn->excludes(pw);
}

Timing timingOf(const Line& line) {
    return {std::chrono::milliseconds(line.wait_ms), std::chrono::milliseconds(line.timeout_ms)};
}

int usage(const std::string& message) {
    std::fprintf(stderr, "fendrix-cli: %s\n", kestrel::terminalText(message).c_str());
    return kExitUsage;
}

// Results that never reached their file or pipe are no results: a full disk
// or a closed pipe turns a success into a failure.
int checkedOutput(int rc) {
    std::cout.flush();
    if (std::fflush(stdout) == 0 && !std::ferror(stdout) && std::cout.good()) return rc;
    std::fprintf(stderr, "fendrix-cli: cannot write the output: %s\n", std::strerror(errno));
    return rc == kExitOk ? kExitOutputFailed : rc;
}

// What a run passed over, on stderr: the results alone do not show it.
void noteWhatWasLeftOut(const Session& session, bool sentRequest) {
    if (const auto over = session.devices().refused())
        std::fprintf(stderr,
                     "fendrix-cli: the device list is full (%zu rows): %zu further replies were "
                     "not listed\n",
                     session.devices().size(), over);
    if (const auto ignored = session.ignoredAnswers(); ignored > 0 && sentRequest)
        std::fprintf(stderr,
                     "fendrix-cli: %zu result or apply replies were ignored: not from the target "
                     "controller, or not after the request\n",
                     ignored);
}

ScanStats statsOf(const Session& session) {
    ScanStats figures;
    figures.rows = session.devices().size();
    figures.rows_over_limit = session.devices().refused();
    figures.ignored_answers = session.ignoredAnswers();
    figures.capture = session.captureStats();
    figures.receiver = session.receiverWord();
    // The row was timed on the steady clock; carry it over to the wall clock.
    if (const auto at = session.lastRowAt())
        figures.last_row_at =
            wallClockSeconds() -
            std::chrono::duration<double>(std::chrono::steady_clock::now() - *at).count();
    return figures;
}

}  // namespace

int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape): CLI11 set-up faults only
#ifdef _WIN32
    // Lines end in "\n" as on Linux, not "\r\n": scripts read the same bytes
    // from both builds.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    CLI::App app{
        "Finds Kestrel door-access controllers on the adapter's Ethernet segment and acts on "
        "them."};
    app.set_version_flag("--version", FENDRIX_VERSION_TEXT("fendrix-cli"));
    app.require_subcommand(1);
    Line line;

    auto* adapters = app.add_subcommand("adapters", "List the usable adapters");
    addFormat(adapters, line.format);

    auto* scan =
        app.add_subcommand("scan", "Broadcast a scan and list the controllers that answer");
    auto* receiver = addTiming(scan, line, false);
    addFormat(scan, line.format);
    auto* save = scan->add_option("--save-pcap", line.session.save_pcap,
                                  "Also write the captured replies to this pcap file");
    auto* from = scan->add_option(
        "--from-pcap", line.session.from_pcap,
        "Read replies from this pcap file instead of the network; nothing is sent");
    const std::string statsHelp =
        "Print rows, rows over the list's limit, ignored answers, capture counts, the last row's "
        "wall-clock time and memory growth to stderr";
    scan->add_flag("--stats", line.stats, statsHelp);
    save->excludes(from);
    from->excludes(save);
    from->excludes(receiver);
    receiver->excludes(from);

    auto* netcfg = app.add_subcommand(
        "netcfg", "Change a controller's network settings; unset values keep the controller's own");
    addTiming(netcfg, line, true);
    netcfg->add_option("--target", line.netcfg.target, "Controller MAC or IP as the scan shows it")
        ->required();
    auto* dhcp = netcfg->add_flag("--dhcp", line.dhcp, "Address from DHCP");
    auto* stat = netcfg->add_flag("--static", line.static_ip, "Static address");
    dhcp->excludes(stat);
    stat->excludes(dhcp);
    netcfg->add_option("--ip", line.netcfg.ip, "New IP address")->check(kAddress);
    netcfg->add_option("--mask", line.netcfg.mask, "Subnet mask")->check(kAddress);
    netcfg->add_option("--gateway", line.netcfg.gateway, "Gateway")->check(kAddress);
    netcfg->add_option("--dns1", line.netcfg.dns1, "DNS server 1")->check(kAddress);
    netcfg->add_option("--dns2", line.netcfg.dns2, "DNS server 2")->check(kAddress);
    netcfg->add_option("--server-ip", line.netcfg.server_ip, "Server IP")->check(kAddress);
    netcfg->add_option("--http-port", line.netcfg.http_port, "HTTP port")
        ->check(CLI::Range(0, 65535));
    netcfg->add_option("--https-port", line.netcfg.https_port, "HTTPS port")
        ->check(CLI::Range(0, 65535));
    netcfg->add_option("--https", line.https, "HTTPS on or off")
        ->check(CLI::IsMember({"on", "off"}));
    addCredentials(netcfg, line, line.netcfg.user);
    netcfg->add_flag("--stats", line.stats, statsHelp);

    auto* reset = app.add_subcommand("reset", "Reset a controller to factory defaults");
    addTiming(reset, line, true);
    reset->add_option("--target", line.reset.target, "Controller MAC or IP as the scan shows it")
        ->required();
    addCredentials(reset, line, line.reset.user);
    reset->add_flag("--stats", line.stats, statsHelp);

    auto* apply =
        app.add_subcommand("apply", "Write an OEM brand and a MAC address into controllers");
    addTiming(apply, line, true);
    auto* oem = apply->add_option("--oem", line.apply_oem, "Brand: name, code or number 1..7");
    auto* mac = apply->add_option("--mac", line.apply_mac, "New MAC address");
    auto* target = apply->add_option("--target", line.apply_target, "Controller MAC or IP");
    auto* file =
        apply->add_option("--from", line.apply_from, "CSV file of target,brand,new MAC rows");
    apply->add_flag("--stats", line.stats, statsHelp);
    for (auto* single : {oem, mac, target}) {
        single->excludes(file);
        file->excludes(single);
    }

#ifdef FENDRIX_JOURNAL
    ProduceArgs produceArgs;
    auto* produce = addProduceCommand(app, produceArgs);
    auto* journal = app.add_subcommand("journal", "Export a production journal; reads only");
    journal->add_option("FILE", line.journal_file, "The journal file")->required();
    journal->add_option("--format", line.journal_format, "Output: csv or json")
        ->check(CLI::IsMember({"csv", "json"}))
        ->capture_default_str();
#endif

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }

    if (adapters->parsed()) {
        const auto list = usableSystemAdapters();
        if (list.empty()) {
            std::fputs("fendrix-cli: Check your network connection ! (no usable adapter)\n",
                       stderr);
            return kExitNoNetwork;
        }
        printAdapters(std::cout, list, kFormats.at(line.format));
        return checkedOutput(kExitOk);
    }

#ifdef FENDRIX_JOURNAL
    if (journal->parsed()) {
        try {
            kestrel::writeJournal(std::cout, kestrel::readJournal(line.journal_file),
                                  line.journal_format == "json" ? kestrel::JournalFormat::Json
                                                                : kestrel::JournalFormat::Csv);
        } catch (const kestrel::JournalError& e) {
            std::fprintf(stderr, "fendrix-cli: %s\n", e.what());
            return kExitJournal;
        }
        return checkedOutput(kExitOk);
    }
    if (produce->parsed()) return checkedOutput(runProduce(produceArgs));
#endif

    // Everything the subcommands need from the line is checked before
    // anything is sent.
    if (netcfg->parsed() || reset->parsed()) {
        if (line.password_stdin) {
            const auto typed = readPasswordLine();
            if (!typed || typed->empty())
                return usage("--password-stdin: standard input holds no password");
            line.password = *typed;
        } else if (line.password.empty() &&
                   !(netcfg->parsed() ? netcfg : reset)->count("--password")) {
            return usage("--password or --password-stdin is required");
        }
    }
    std::vector<ApplyJob> jobs;
    if (apply->parsed()) {
        if (!line.apply_from.empty()) {
            std::ifstream in(line.apply_from);
            if (!in) return usage("cannot read " + line.apply_from);
            jobs = kestrel::readApplyCsv(in);
            if (jobs.empty()) return usage(line.apply_from + " holds no rows");
            if (const auto repeated = kestrel::repeatedNewMac(jobs))
                return usage(line.apply_from + ": " + *repeated + "; nothing was sent");
        } else {
            if (!oem->count() || !mac->count() || !target->count())
                return usage("apply needs --oem, --mac and --target, or --from FILE.csv");
            jobs.push_back(
                kestrel::makeApplyJob(line.apply_target, line.apply_oem, line.apply_mac));
            if (!jobs.front().problem.empty()) return usage(jobs.front().problem);
        }
    }

    line.session.receiver = kReceivers.at(line.receiver);
    if (!line.session.save_pcap.empty() && line.session.receiver == kestrel::ReceiverMode::Socket)
        return usage("--save-pcap needs a capture; the socket receiver has no frames to write");

    // Made before the capture's thread, which must not take the signals.
    // Declared after the session, so that it is gone before the session is.
    Session session;
    InterruptWatch signals([&session](int signal) { session.interrupt(signal); });
    if (const int rc = session.open(line.session); rc != kExitOk) return rc;
    const Timing timing = timingOf(line);
    // Memory is sampled around the work, before the output is built.
    const auto rssBefore = residentKiB();
    std::optional<std::int64_t> rssAfter;
    auto reportStats = [&] {
        if (!line.stats) return;
        ScanStats figures = statsOf(session);
        figures.rss_before_kib = rssBefore;
        figures.rss_after_kib = rssAfter;
        printScanStats(stderr, figures);
    };

    if (scan->parsed()) {
        if (!session.scan(timing.scan_wait)) return kExitNoNetwork;
        if (const auto lost = session.captureLost()) {
            // A list cut short by a dead capture is not a scan result.
            session.close();
            std::fprintf(stderr, "fendrix-cli: %s\n", lost->message.c_str());
            return session.replaying() ? kExitUsage : kExitNoNetwork;
        }
        rssAfter = residentKiB();
        // Closing ends the capture, which completes the --save-pcap file.
        session.close();
        printRows(std::cout, session.devices(), kFormats.at(line.format));
        reportStats();
        noteWhatWasLeftOut(session, false);
        const auto stats = session.captureStats();
        if (stats.dropped > 0 || stats.if_dropped > 0)
            std::fprintf(
                stderr,
                "fendrix-cli: frames lost: %llu in the capture ring, %llu by the interface\n",
                static_cast<unsigned long long>(stats.dropped),
                static_cast<unsigned long long>(stats.if_dropped));
        if (const auto signal = session.interruption()) {
            std::fputs("fendrix-cli: interrupted; the list holds the replies until then\n", stderr);
            return checkedOutput(exitForSignal(*signal));
        }
        return checkedOutput(kExitOk);
    }
    // A capture that died meanwhile explains a missing answer better than a timeout.
    auto unlessLost = [&session](int rc) {
        const auto lost = session.captureLost();
        if (rc != kExitTimeout || !lost) return rc;
        std::fprintf(stderr, "fendrix-cli: %s\n", lost->message.c_str());
        return kExitNoNetwork;
    };
    int rc = kExitUsage;
    if (netcfg->parsed()) {
        if (line.dhcp) line.netcfg.is_static = false;
        if (line.static_ip) line.netcfg.is_static = true;
        if (!line.https.empty()) line.netcfg.https = line.https == "on";
        line.netcfg.password = line.password;
        rc = unlessLost(runNetcfg(session, line.netcfg, timing));
    } else if (reset->parsed()) {
        line.reset.password = line.password;
        rc = unlessLost(runReset(session, line.reset, timing));
    } else if (apply->parsed()) {
        rc = unlessLost(line.apply_from.empty() ? runApply(session, jobs.front(), timing)
                                                : runApplyBatch(session, jobs, timing));
    }
    rssAfter = residentKiB();
    session.close();
    reportStats();
    noteWhatWasLeftOut(session, true);
    if (isSignalExit(rc) && line.apply_from.empty())
        std::fputs("fendrix-cli: interrupted\n", stderr);
    return checkedOutput(rc);
}
