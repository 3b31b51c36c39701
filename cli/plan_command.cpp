#include "plan_command.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include <nlohmann/json.hpp>

#include "commands/network_change_request.h"
#include "exit_codes.h"
#include "output/safe_text.h"
#include "site/plan_check.h"

namespace fendrix_cli {

using namespace kestrel;

namespace {

// Each scan of a row's confirmation gathers this long, less when the
// planned settings answer at once.
constexpr std::chrono::milliseconds kConfirmScan{500};

struct RowOutcome {
    const char* word;  // confirmed, unconfirmed, no-answer, refused, failed
    int code;          // the exit code the row alone would give
    std::optional<int> result;
    std::string detail;
};

// Scans until the controller answers with the planned settings or the
// timeout passes.
bool confirm(Session& session, const PlanStep& step, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        bool shown = false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (!session.scan(std::clamp(left, std::chrono::milliseconds(1), kConfirmScan),
                          [&](const DeviceRecord& record) {
                              shown = shown || showsPlan(record, step);
                              return shown;
                          }))
            return false;
        if (shown) return true;
        if (session.captureLost() || session.interruption()) return false;
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

RowOutcome applyRow(Session& session, const PlanStep& step, const PlanArgs& args,
                    const Timing& timing) {
    NetworkChangeValues values = step.values;
    values.user_id = args.user;
    values.password = args.password;
    const auto request = buildNetworkChangeRequest(session.adapter(), values);
    if (!session.sendToController(request, step.record.ip))
        return {"failed", kExitNoNetwork, std::nullopt, "the request could not be sent"};
    // Only this row's controller can answer: a late answer of an earlier row
    // is ignored, not taken for this one's.
    const auto reply =
        session.awaitAnswer(AnswerKind::Result, step.record.mac, timing.reply_timeout);
    std::optional<int> result;
    std::string detail;
    if (reply) {
        result = std::get<ResultReplyEvent>(*reply).result;
        detail = resultText(static_cast<std::uint8_t>(*result));
        if (*result != 0 && *result != 1) return {"refused", kExitRefused, result, detail};
    } else {
        // The change may have taken and only its answer got lost: the scans tell.
        detail = "no answer within " + std::to_string(timing.reply_timeout.count()) + " ms";
    }
    if (confirm(session, step, args.confirm_timeout)) return {"confirmed", kExitOk, result, detail};
    detail += "; the planned settings did not answer within " +
              std::to_string(args.confirm_timeout.count()) + " ms";
    return {reply ? "unconfirmed" : "no-answer", kExitTimeout, result, detail};
}

std::string changesText(const std::vector<SettingDiff>& diffs) {
    std::string text;
    for (const auto& d : diffs)
        text += (text.empty() ? "" : ", ") + std::string(settingColumn(d.setting)) + ": " + d.from +
                " -> " + d.to;
    return text;
}

void printRow(const PlanStep& step, const char* word, const RowOutcome* outcome, bool json) {
    if (json) {
        auto changes = nlohmann::json::array();
        for (const auto& d : step.diffs)
            changes.push_back(
                {{"field", std::string(settingColumn(d.setting))}, {"from", d.from}, {"to", d.to}});
        nlohmann::json row = {{"line", step.line},
                              {"mac", step.record.mac},
                              {"ip", step.record.ip},
                              {"outcome", word},
                              {"changes", changes},
                              {"result", nullptr},
                              {"detail", outcome ? outcome->detail : ""}};
        if (outcome && outcome->result) row["result"] = *outcome->result;
        std::printf("%s\n", jsonText(row, -1).c_str());
    } else {
        std::string line = std::string(word) + " " + step.record.mac + " " + step.record.ip +
                           " line " + std::to_string(step.line);
        if (!step.diffs.empty()) line += ": " + changesText(step.diffs);
        if (outcome && !outcome->detail.empty()) line += " (" + outcome->detail + ")";
        std::printf("%s\n", terminalText(line).c_str());
    }
    std::fflush(stdout);
}

struct Tally {
    std::size_t rows = 0, confirmed = 0, already = 0, refused = 0, unconfirmed = 0, no_answer = 0,
                failed = 0, not_done = 0;
};

void printSummary(const std::string& file, const Tally& t, bool json) {
    if (json) {
        const nlohmann::json summary = {{"summary",
                                         {{"plan", file},
                                          {"rows", t.rows},
                                          {"confirmed", t.confirmed},
                                          {"already", t.already},
                                          {"refused", t.refused},
                                          {"unconfirmed", t.unconfirmed},
                                          {"no_answer", t.no_answer},
                                          {"failed", t.failed},
                                          {"not_done", t.not_done}}}};
        std::printf("%s\n", jsonText(summary, -1).c_str());
        return;
    }
    std::printf("%s\n",
                terminalText("plan " + file + ": " + std::to_string(t.rows) + " rows: confirmed " +
                             std::to_string(t.confirmed) + ", already " +
                             std::to_string(t.already) + ", refused " + std::to_string(t.refused) +
                             ", unconfirmed " + std::to_string(t.unconfirmed) + ", no answer " +
                             std::to_string(t.no_answer) + ", failed " + std::to_string(t.failed) +
                             ", not done " + std::to_string(t.not_done))
                    .c_str());
}

int dryRun(const PlanCheck& check, const PlanArgs& args) {
    std::size_t changing = 0;
    for (const auto& step : check.steps) {
        printRow(step, step.already() ? "already" : "change", nullptr, args.json);
        if (!step.already()) ++changing;
    }
    std::fprintf(stderr, "fendrix-cli: dry run: %zu of %zu rows would change; nothing was sent\n",
                 changing, check.steps.size());
    return kExitOk;
}

}  // namespace

void RowInHand::signal(int signal) {
    {
        std::lock_guard lock(mutex_);
        if (!signal_) signal_ = signal;
        if (inRow_) {
            std::fputs("fendrix-cli: stopping after the row in hand (again: at once)\n", stderr);
            return;
        }
    }
    session_.interrupt(signal);
}

bool RowInHand::begin() {
    std::lock_guard lock(mutex_);
    inRow_ = !signal_;
    return inRow_;
}

void RowInHand::end() {
    std::optional<int> signal;
    {
        std::lock_guard lock(mutex_);
        inRow_ = false;
        signal = signal_;
    }
    if (signal) session_.interrupt(*signal);
}

std::optional<int> RowInHand::signalled() const {
    std::lock_guard lock(mutex_);
    return signal_;
}

std::optional<PlanFile> readPlanFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return readPlan(in);
}

void printPlanProblems(const std::vector<PlanProblem>& problems, bool json) {
    for (const auto& p : problems) {
        const char* severity = p.error ? "error" : "warning";
        if (json) {
            nlohmann::json line = {{"line", nullptr}, {"severity", severity}, {"problem", p.text}};
            if (p.line) line["line"] = p.line;
            std::printf("%s\n", jsonText(line, -1).c_str());
        } else {
            const std::string where = p.line ? "line " + std::to_string(p.line) + ": " : "";
            std::printf("%s\n", terminalText(where + severity + ": " + p.text).c_str());
        }
    }
    std::fflush(stdout);
}

int runPlan(Session& session, const PlanArgs& args, const PlanFile& plan, const Timing& timing,
            RowInHand& rows) {
    PlanReplies replies(plan);
    if (!session.scan(timing.scan_wait, [&replies](const DeviceRecord& record) {
            replies.see(record);
            return false;
        }))
        return kExitNoNetwork;
    // A partial scan checks nothing: nothing is sent after a signal.
    if (const auto signal = session.interruption()) return exitForSignal(*signal);
    if (const auto lost = session.captureLost()) return say(kExitNoNetwork, lost->message);
    // The rows of this one scan name the controllers; the confirming scans
    // replace the session's list.
    const DeviceList scanned = session.devices();
    const PlanCheck check = checkPlan(plan, scanned, replies, session.adapter());
    printPlanProblems(check.problems, args.json);
    if (check.refused()) {
        const auto errors = static_cast<std::size_t>(std::count_if(
            check.problems.begin(), check.problems.end(), [](const auto& p) { return p.error; }));
        return say(kExitPlanRefused, "the plan was refused: " + std::to_string(errors) +
                                         (errors == 1 ? " problem" : " problems") +
                                         "; nothing was sent");
    }
    if (args.dry_run) return dryRun(check, args);

    Tally tally;
    tally.rows = check.steps.size();
    int rc = kExitOk;
    for (const auto& step : check.steps) {
        if (step.already()) {
            printRow(step, "already", nullptr, args.json);
            ++tally.already;
            continue;
        }
        if (!rows.begin()) break;
        const RowOutcome outcome = applyRow(session, step, args, timing);
        rows.end();
        printRow(step, outcome.word, &outcome, args.json);
        const std::string_view word = outcome.word;
        ++(word == "confirmed"   ? tally.confirmed
           : word == "refused"   ? tally.refused
           : word == "failed"    ? tally.failed
           : word == "no-answer" ? tally.no_answer
                                 : tally.unconfirmed);
        // The gravest outcome gives the exit code: no network, refused, no answer.
        if (outcome.code != kExitOk && (rc == kExitOk || outcome.code < rc)) rc = outcome.code;
        if (const auto lost = session.captureLost()) {
            say(kExitNoNetwork, lost->message);
            rc = kExitNoNetwork;
            break;
        }
    }
    tally.not_done = tally.rows - tally.already - tally.confirmed - tally.refused -
                     tally.unconfirmed - tally.no_answer - tally.failed;
    printSummary(args.file, tally, args.json);
    if (const auto signal = rows.signalled()) {
        std::fprintf(stderr, "fendrix-cli: interrupted; %zu rows not done\n", tally.not_done);
        return exitForSignal(*signal);
    }
    return rc;
}

}  // namespace fendrix_cli
