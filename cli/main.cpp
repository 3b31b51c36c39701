// fendrix-cli: the core of Fendrix without windows, for scripts and production lines.
#include <CLI/CLI.hpp>

#include <algorithm>
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
#include "plan_command.h"
#include "transport/system_library.h"
#ifdef FENDRIX_JOURNAL
#include "produce_command.h"
#include "production/journal_export.h"
#endif
#include "scan_stats.h"
#include "session.h"
#include "site/plan_file.h"
#include "site/segment_check.h"

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

// netcfg: one controller or a plan; the plan is read and its rows checked
// for themselves before the session opens. A plan without a row to check
// against the segment is refused without a scan.
int takeNetcfg(Line& line, const Commands& commands, kestrel::PlanFile& plan) {
    if (!commands.netcfg_target->count() && !commands.netcfg_plan->count())
        return usage("netcfg needs --target MAC|IP or --plan FILE");
    if (!line.plan.dry_run && line.netcfg.user.empty() && !commands.netcfg->count("--user"))
        return usage("--user is required");
    if (line.plan.file.empty()) return kExitOk;
    const auto read = readPlanFile(line.plan.file);
    if (!read) return usage("cannot read " + line.plan.file);
    plan = *read;
    line.plan.json = line.plan_format == "json";
    line.plan.confirm_timeout = std::chrono::milliseconds(line.confirm_ms);
    if (plan.rows.empty()) {
        printPlanProblems(plan.problems, line.plan.json);
        return checkedOutput(say(kExitPlanRefused, "the plan was refused; nothing was sent"));
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
    // A replay has no adapter: its rows are not checked against the PC.
    std::optional<kestrel::RowProblems> problems;
    if (line.check)
        problems =
            segmentProblems(session.devices(), session.replaying() ? nullptr : &session.adapter());
    if (line.format == "plan") writePlan(std::cout, session.devices());
    else
        kestrel::writeDeviceRows(std::cout, session.devices(), formatOf(line),
                                 problems ? &*problems : nullptr);
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
    const bool found = problems && std::any_of(problems->begin(), problems->end(),
                                               [](const auto& row) { return !row.empty(); });
    return checkedOutput(found ? kExitProblemsFound : kExitOk);
}

// netcfg, reset or apply: one request (or a batch) and its answers.
int runOnController(Session& session, Line& line, const Commands& commands,
                    const std::vector<ApplyJob>& jobs, const kestrel::PlanFile& plan,
                    RowInHand& rows, StatsReport& stats) {
    const Timing timing = timingOf(line);
    // A capture that died meanwhile explains a missing answer better than a timeout.
    auto unlessLost = [&session](int rc) {
        const auto lost = session.captureLost();
        if (rc != kExitTimeout || !lost) return rc;
        std::fprintf(stderr, "fendrix-cli: %s\n", lost->message.c_str());
        return kExitNoNetwork;
    };
    int rc = kExitUsage;
    if (commands.netcfg->parsed() && !line.plan.file.empty()) {
        line.plan.user = line.netcfg.user;
        line.plan.password = line.password;
        rc = unlessLost(runPlan(session, line.plan, plan, timing, rows));
    } else if (commands.netcfg->parsed()) {
        if (line.dhcp) line.netcfg.change.is_static = false;
        if (line.static_ip) line.netcfg.change.is_static = true;
        if (!line.https.empty()) line.netcfg.change.https = line.https == "on";
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
    if (isSignalExit(rc) && line.apply_from.empty() && line.plan.file.empty())
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
    kestrel::PlanFile plan;
    if (commands.netcfg->parsed())
        if (const int rc = takeNetcfg(line, commands, plan); rc != kExitOk) return rc;
    for (const CLI::App* command : {commands.netcfg, commands.reset})
        if (command->parsed() && !line.plan.dry_run)
            if (const int rc = takePassword(line, command); rc != kExitOk) return rc;
    std::vector<ApplyJob> jobs;
    if (commands.apply->parsed())
        if (const int rc = takeApplyJobs(line, commands, jobs); rc != kExitOk) return rc;
    line.session.receiver = receiverOf(line);
    if (!line.session.save_pcap.empty() && line.session.receiver == kestrel::ReceiverMode::Socket)
        return usage("--save-pcap needs a capture; the socket receiver has no frames to write");
    if (line.check && line.format == "plan")
        return usage("--check names problems in a table, CSV or JSON, not in a plan");

    // Made before the capture's thread, which must not take the signals.
    // Declared after the session, so that it is gone before the session is.
    Session session;
    RowInHand rows(session);  // outside a plan's row, a signal ends the waiting at once
    InterruptWatch signals([&rows](int signal) { rows.signal(signal); });
    if (const int rc = session.open(line.session); rc != kExitOk) return rc;
    StatsReport stats{line, session};
    if (commands.scan->parsed()) return runScan(session, line, stats);
    return runOnController(session, line, commands, jobs, plan, rows, stats);
}
