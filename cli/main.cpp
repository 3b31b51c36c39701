// fendrix-cli: the core of Fendrix without windows, for scripts and production lines.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "adapter_output.h"
#include "apply_command.h"
#include "command_line.h"
#include "command_support.h"
#include "device_commands.h"
#include "exit_codes.h"
#include "interrupt_watch.h"
#include "line_ends.h"
#include "output/device_rows.h"
#include "output/safe_text.h"
#include "transport/system_library.h"
#ifdef FENDRIX_JOURNAL
#include "produce_command.h"
#include "production/journal_export.h"
#endif
#include "scan_stats.h"
#include "session.h"

using namespace fendrix_cli;

namespace {

int usage(const std::string& message) { return say(kExitUsage, message); }

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
    const auto drops = session.drops();
    if (drops.queue_full > 0)
        std::fprintf(stderr,
                     "fendrix-cli: the reply queue was full: %zu replies were dropped before they "
                     "were read\n",
                     drops.queue_full);
    if (drops.list_full > 0)
        std::fprintf(stderr,
                     "fendrix-cli: the device list is full (%zu rows): %zu further replies were "
                     "not listed\n",
                     session.devices().size(), drops.list_full);
    if (const auto ignored = session.ignoredAnswers(); ignored > 0 && sentRequest)
        std::fprintf(stderr,
                     "fendrix-cli: %zu result or apply replies were ignored: not from the target "
                     "controller, or not after the request\n",
                     ignored);
}

ScanStats statsOf(const Session& session) {
    ScanStats figures;
    figures.rows = session.devices().size();
    figures.rows_over_limit = session.drops().list_full;
    figures.queue_dropped = session.drops().queue_full;
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

int runAdapters(const Line& line) {
    const auto list = usableSystemAdapters();
    if (list.empty()) {
        std::fputs("fendrix-cli: Check your network connection ! (no usable adapter)\n", stderr);
        return kExitNoNetwork;
    }
    printAdapters(std::cout, list, formatOf(line));
    return checkedOutput(kExitOk);
}

#ifdef FENDRIX_JOURNAL
int runJournal(const Line& line) {
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
#endif

// netcfg and reset: the password from the line or from standard input.
int takePassword(Line& line, const CLI::App* command) {
    if (line.password_stdin) {
        const auto typed = readPasswordLine();
        if (!typed || typed->empty())
            return usage("--password-stdin: standard input holds no password");
        line.password = *typed;
    } else if (line.password.empty() && !command->count("--password")) {
        return usage("--password or --password-stdin is required");
    }
    return kExitOk;
}

// apply: one job from the options or every row of the CSV file, refused as a
// whole before anything is sent.
int takeApplyJobs(const Line& line, const Commands& commands, std::vector<ApplyJob>& jobs) {
    if (!line.apply_from.empty()) {
        std::ifstream in(line.apply_from);
        if (!in) return usage("cannot read " + line.apply_from);
        jobs = kestrel::readApplyCsv(in);
        if (jobs.empty()) return usage(line.apply_from + " holds no rows");
        if (const auto repeated = kestrel::repeatedNewMac(jobs))
            return usage(line.apply_from + ": " + *repeated + "; nothing was sent");
        return kExitOk;
    }
    if (!commands.apply_oem->count() || !commands.apply_mac->count() ||
        !commands.apply_target->count())
        return usage("apply needs --oem, --mac and --target, or --from FILE.csv");
    jobs.push_back(kestrel::makeApplyJob(line.apply_target, line.apply_oem, line.apply_mac));
    if (!jobs.front().problem.empty()) return usage(jobs.front().problem);
    return kExitOk;
}

// Memory is sampled around the work, before the output is built.
struct StatsReport {
    StatsReport(const Line& l, const Session& s) : line(l), session(s) {}
    const Line& line;
    const Session& session;
    std::optional<std::int64_t> rss_before = residentKiB();
    std::optional<std::int64_t> rss_after;

    void workDone() { rss_after = residentKiB(); }
    void print() const {
        if (!line.stats) return;
        ScanStats figures = statsOf(session);
        figures.rss_before_kib = rss_before;
        figures.rss_after_kib = rss_after;
        printScanStats(stderr, figures);
    }
};

int runScan(Session& session, const Line& line, StatsReport& stats) {
    if (!session.scan(timingOf(line).scan_wait)) return kExitNoNetwork;
    if (const auto lost = session.captureLost()) {
        // A list cut short by a dead capture is not a scan result.
        session.close();
        std::fprintf(stderr, "fendrix-cli: %s\n", lost->message.c_str());
        return session.replaying() ? kExitUsage : kExitNoNetwork;
    }
    stats.workDone();
    // Closing ends the capture, which completes the --save-pcap file.
    session.close();
    kestrel::writeDeviceRows(std::cout, session.devices(), formatOf(line));
    stats.print();
    noteWhatWasLeftOut(session, false);
    const auto counts = session.captureStats();
    if (counts.dropped > 0 || counts.if_dropped > 0)
        std::fprintf(stderr,
                     "fendrix-cli: frames lost: %llu in the capture ring, %llu by the interface\n",
                     static_cast<unsigned long long>(counts.dropped),
                     static_cast<unsigned long long>(counts.if_dropped));
    if (const auto signal = session.interruption()) {
        std::fputs("fendrix-cli: interrupted; the list holds the replies until then\n", stderr);
        return checkedOutput(exitForSignal(*signal));
    }
    return checkedOutput(kExitOk);
}

// netcfg, reset or apply: one request (or a batch) and its answers.
int runOnController(Session& session, Line& line, const Commands& commands,
                    const std::vector<ApplyJob>& jobs, StatsReport& stats) {
    const Timing timing = timingOf(line);
    // A capture that died meanwhile explains a missing answer better than a timeout.
    auto unlessLost = [&session](int rc) {
        const auto lost = session.captureLost();
        if (rc != kExitTimeout || !lost) return rc;
        std::fprintf(stderr, "fendrix-cli: %s\n", lost->message.c_str());
        return kExitNoNetwork;
    };
    int rc = kExitUsage;
    if (commands.netcfg->parsed()) {
        if (line.dhcp) line.netcfg.is_static = false;
        if (line.static_ip) line.netcfg.is_static = true;
        if (!line.https.empty()) line.netcfg.https = line.https == "on";
        line.netcfg.password = line.password;
        rc = unlessLost(runNetcfg(session, line.netcfg, timing));
    } else if (commands.reset->parsed()) {
        line.reset.password = line.password;
        rc = unlessLost(runReset(session, line.reset, timing));
    } else if (commands.apply->parsed()) {
        rc = unlessLost(line.apply_from.empty() ? runApply(session, jobs.front(), timing)
                                                : runApplyBatch(session, jobs, timing));
    }
    stats.workDone();
    session.close();
    stats.print();
    noteWhatWasLeftOut(session, true);
    if (isSignalExit(rc) && line.apply_from.empty())
        std::fputs("fendrix-cli: interrupted\n", stderr);
    return checkedOutput(rc);
}

}  // namespace

int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape): CLI11 set-up faults only
    // Before anything can load a DLL: no DLL from the program's folder.
    kestrel::restrictLibrarySearch();
    useNewlineLineEnds();
    CLI::App app{
        "Finds Kestrel door-access controllers on the adapter's Ethernet segment and acts on "
        "them."};
    Line line;
    const Commands commands = addCommands(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kExitOk : kExitUsage;
    }

    if (commands.adapters->parsed()) return runAdapters(line);
#ifdef FENDRIX_JOURNAL
    if (commands.journal->parsed()) return runJournal(line);
    if (commands.produce->parsed()) return checkedOutput(runProduce(line.produce));
#endif

    // Everything the subcommands need from the line is checked before
    // anything is sent.
    for (const CLI::App* command : {commands.netcfg, commands.reset})
        if (command->parsed())
            if (const int rc = takePassword(line, command); rc != kExitOk) return rc;
    std::vector<ApplyJob> jobs;
    if (commands.apply->parsed())
        if (const int rc = takeApplyJobs(line, commands, jobs); rc != kExitOk) return rc;
    line.session.receiver = receiverOf(line);
    if (!line.session.save_pcap.empty() && line.session.receiver == kestrel::ReceiverMode::Socket)
        return usage("--save-pcap needs a capture; the socket receiver has no frames to write");

    // Made before the capture's thread, which must not take the signals.
    // Declared after the session, so that it is gone before the session is.
    Session session;
    InterruptWatch signals([&session](int signal) { session.interrupt(signal); });
    if (const int rc = session.open(line.session); rc != kExitOk) return rc;
    StatsReport stats{line, session};
    if (commands.scan->parsed()) return runScan(session, line, stats);
    return runOnController(session, line, commands, jobs, stats);
}
