#include "produce_command.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

#include <nlohmann/json.hpp>

#include "command_line.h"
#include "command_support.h"
#include "exit_codes.h"
#include "factory/apply_batch.h"
#include "factory/oem_table.h"
#include "interrupt_watch.h"
#include "output/safe_text.h"
#include "production/producer.h"

namespace fendrix_cli {

using namespace kestrel;

namespace {

// The session as the production run sees the segment.
class SessionLink : public ProductionLink {
public:
    SessionLink(Session& session, const ProduceArgs& args)
        : session_(session), wait_(args.interval_ms), timeout_(args.timeout_ms) {}

    std::optional<std::vector<SeenController>> scan() override {
        if (!session_.scan(wait_)) return std::nullopt;
        // A dead capture would show an empty line forever.
        if (const auto lost = session_.captureLost()) {
            say(kExitNoNetwork, lost->message);
            return std::nullopt;
        }
        std::vector<SeenController> seen;
        const DeviceList& rows = session_.devices();
        for (std::size_t i = 0; i < rows.size(); ++i)
            seen.push_back({rows.at(i).mac, rows.at(i).ip});
        return seen;
    }
    bool send(std::span<const std::uint8_t> request, const std::string& controllerIp) override {
        return session_.sendToController(request, controllerIp);
    }
    std::optional<ApplyReply> awaitApply(const std::string& controllerMac) override {
        const auto reply = session_.awaitAnswer(AnswerKind::Apply, controllerMac, timeout_);
        if (!reply) return std::nullopt;
        return std::get<ApplyReplyEvent>(*reply).reply;
    }

private:
    Session& session_;
    std::chrono::milliseconds wait_, timeout_;
};

// One line per event on standard output; on a terminal, a progress line
// on standard error below them.
class EventPrinter {
public:
    EventPrinter(const Journal& journal, bool json)
        : journal_(journal), json_(json), progress_(isatty(STDERR_FILENO) == 1) {}
    ~EventPrinter() {
        if (progress_) std::fputs("\n", stderr);
    }

    // False when standard output could not take the line.
    bool print(const ProductionEvent& e) {
        if (progress_) std::fputs("\r\033[K", stderr);
        if (json_) {
            nlohmann::json line = {{"time", e.time},         {"event", stepName(e.step)},
                                   {"unit_mac", e.unit_mac}, {"unit_ip", e.unit_ip},
                                   {"new_mac", e.new_mac},   {"allocation", e.allocation},
                                   {"detail", e.detail}};
            std::printf("%s\n", jsonText(line, -1).c_str());
        } else {
            std::string line = e.time + " " + std::string(stepName(e.step));
            if (!e.unit_mac.empty()) line += " " + e.unit_mac + " " + e.unit_ip;
            if (!e.new_mac.empty())
                line += " -> " + e.new_mac + " #" + std::to_string(e.allocation);
            if (!e.detail.empty()) line += ": " + e.detail;
            std::printf("%s\n", terminalText(line).c_str());
        }
        const bool written = std::fflush(stdout) == 0 && !std::ferror(stdout);
        if (e.step == ProductionStep::Confirmed) ++done_;
        if (e.step == ProductionStep::Unconfirmed) ++failed_;
        if (progress_) showProgress();
        return written;
    }
    void summary() const {
        std::fprintf(stderr, "fendrix-cli: this run: done %d, failed %d; %llu addresses left\n",
                     done_, failed_, static_cast<unsigned long long>(journal_.left()));
    }

private:
    void showProgress() {
        const auto counts = journal_.stateCounts();
        auto count = [&](AllocationState s) {
            const auto it = counts.find(s);
            return static_cast<unsigned long long>(it == counts.end() ? 0 : it->second);
        };
        std::fprintf(stderr, "done %llu, failed %llu, left %llu", count(AllocationState::Confirmed),
                     count(AllocationState::Unconfirmed) + count(AllocationState::Failed),
                     static_cast<unsigned long long>(journal_.left()));
        std::fflush(stderr);
    }

    const Journal& journal_;
    bool json_, progress_;
    int done_ = 0, failed_ = 0;
};

// Crash tests stop the process right after a step has been journalled and
// printed, so that a kill -9 lands exactly there.
void freezeAfter(const ProductionEvent& e) {
    static const char* const step = std::getenv("FENDRIX_PRODUCE_FREEZE_AFTER");
    if (step && stepName(e.step) == step) std::raise(SIGSTOP);
}

}  // namespace

CLI::App* addProduceCommand(CLI::App& app, ProduceArgs& args) {
    auto* cmd = app.add_subcommand(
        "produce",
        "Give every new controller on the line the next MAC of a range and a brand, recorded in "
        "a journal");
    cmd->add_option("--oem", args.oem, "Brand: name, code or number 1..7")->required();
    cmd->add_option("--macs", args.macs, "The range to hand out, FIRST-LAST")->required();
    cmd->add_option("--journal", args.journal, "The journal file (made when missing)")->required();
    cmd->add_option("--adapter", args.session.adapter,
                    "Adapter by description, interface name or IP (default: the first)");
    addReceiver(cmd, args.receiver);
    auto* mac = cmd->add_option("--expect-mac", args.expect,
                                "Controllers still carrying this factory MAC (repeatable)");
    auto* prefix = cmd->add_option(
        "--expect-prefix", args.expect_prefix,
        "Controllers whose factory MAC begins with these pairs, e.g. the maker's OUI (repeatable)");
    auto* any = cmd->add_flag("--any-unit", args.any_unit,
                              "Any controller plugged in while the run watches (anyone on the "
                              "segment can make such units up)");
    for (auto* expected : {mac, prefix}) {
        any->excludes(expected);
        expected->excludes(any);
    }
    cmd->add_option("--interval", args.interval_ms, "Milliseconds each scan gathers replies")
        ->check(CLI::Range(100, 600000))
        ->capture_default_str();
    cmd->add_option("--timeout", args.timeout_ms,
                    "Milliseconds to wait for the controller's answer")
        ->check(CLI::Range(0, 600000))
        ->capture_default_str();
    cmd->add_option("--confirm-timeout", args.confirm_ms,
                    "Milliseconds of scans until the new MAC must answer")
        ->check(CLI::Range(0, 600000))
        ->capture_default_str();
    cmd->add_option("--attempts", args.attempts, "Requests a unit gets while it stays plugged in")
        ->check(CLI::Range(1, 100))
        ->capture_default_str();
    cmd->add_option("--format", args.format, "Output: text or json (one object per line)")
        ->check(CLI::IsMember({"text", "json"}))
        ->capture_default_str();
    return cmd;
}

int runProduce(const ProduceArgs& args) {
    ProducerSettings settings;
    const auto oem = oemIndexFor(args.oem);
    if (!oem) return say(kExitUsage, "--oem: no brand " + args.oem);
    settings.oem_index = *oem;
    const auto range = parseMacRange(args.macs);
    if (const auto* why = std::get_if<std::string>(&range))
        return say(kExitUsage, "--macs: " + *why);
    for (const auto& text : args.expect) {
        const auto mac = parseMacAddress(text);
        if (!mac) return say(kExitUsage, "--expect-mac: not a MAC address: " + text);
        settings.expect.insert(*mac);
    }
    for (const auto& text : args.expect_prefix) {
        const auto prefix = parseMacPrefix(text);
        if (!prefix)
            return say(kExitUsage,
                       "--expect-prefix: not the first pairs of a MAC address (1 to 6): " + text);
        settings.expect_prefixes.push_back(*prefix);
    }
    settings.any_unit = args.any_unit;
    // Anyone on the segment can answer a scan as a new unit: which units to
    // trust is the operator's word, never a default.
    if (settings.expect.empty() && settings.expect_prefixes.empty() && !settings.any_unit)
        return say(kExitUsage,
                   "name the units to produce: --expect-mac FACTORY-MAC or --expect-prefix "
                   "PREFIX (the maker's, e.g. its OUI), or --any-unit for every controller "
                   "plugged in while the run watches (anyone on the segment can make such units "
                   "up)");
    settings.attempts = args.attempts;
    settings.confirm_scans =
        std::max(1, (args.confirm_ms + args.interval_ms - 1) / args.interval_ms);

    // The journal is taken before anything is sent: a second run on it, or
    // a journal of another range or brand, is refused here.
    std::unique_ptr<Journal> journal;
    try {
        journal = std::make_unique<Journal>(args.journal, std::get<MacRange>(range), *oem);
    } catch (const JournalError& e) {
        return say(kExitJournal, e.what());
    }
    // A closed pipe is a failed write, not the end of the unit in hand.
    std::signal(SIGPIPE, SIG_IGN);

    std::mutex stopMutex;
    Producer* producer = nullptr;  // guarded by stopMutex, like stopSignal
    int stopSignal = 0;
    // Made before the capture's thread, which must not take the signals;
    // declared after the session, so that it is gone before the session is.
    Session session;
    InterruptWatch signals([&](int signal) {
        std::lock_guard lock(stopMutex);
        if (!stopSignal) stopSignal = signal;
        // Waiting for the next unit ends at once; a unit in hand goes on.
        if (producer && producer->stop())
            std::fputs("fendrix-cli: stopping after the unit in hand (again: at once)\n", stderr);
        else session.interrupt(signal);
    });
    SessionOptions options = args.session;
    options.receiver = receiverMode(args.receiver);
    if (const int rc = session.open(options); rc != kExitOk) return rc;
    const AdapterEntry& adapter = session.adapter();
    settings.adapter = adapter.description + " (" + adapter.ip_text + ", " + adapter.mac_text + ")";
    settings.adapter_mac = adapter.mac_text;

    SessionLink link(session, args);
    EventPrinter printer(*journal, args.format == "json");
    bool outputFailed = false;
    Producer production(*journal, link, settings, [&](const ProductionEvent& e) {
        if (!printer.print(e) && !outputFailed) {
            outputFailed = true;
            production.stop();
        }
        if (e.step == ProductionStep::Exhausted || e.step == ProductionStep::Error ||
            e.step == ProductionStep::Suspicious)
            std::fprintf(stderr, "fendrix-cli: %s\n", terminalText(e.detail).c_str());
        freezeAfter(e);
    });
    {
        std::lock_guard lock(stopMutex);
        producer = &production;
        if (stopSignal) production.stop();
    }
    std::fprintf(stderr,
                 "fendrix-cli: producing %s with MACs %s (%llu left), journal %s; Ctrl+C stops "
                 "after the unit in hand\n",
                 std::string(oemName(*oem)).c_str(), std::get<MacRange>(range).text().c_str(),
                 static_cast<unsigned long long>(journal->left()), args.journal.c_str());
    const ProductionEnd end = production.run();
    {
        std::lock_guard lock(stopMutex);
        producer = nullptr;
    }
    session.close();
    printer.summary();
    if (outputFailed) return say(kExitOutputFailed, "cannot write the output; stopped");
    switch (end) {
    case ProductionEnd::Exhausted: return kExitRangeUsedUp;
    case ProductionEnd::NoNetwork: return kExitNoNetwork;
    case ProductionEnd::Journal: return kExitJournal;
    case ProductionEnd::Suspicious: return kExitSilentUnits;
    case ProductionEnd::Stopped: break;
    }
    std::lock_guard lock(stopMutex);
    return stopSignal ? exitForSignal(stopSignal) : kExitOk;
}

}  // namespace fendrix_cli
