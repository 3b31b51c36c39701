#include "apply_command.h"

#include <cstdio>

#include "exit_codes.h"
#include "factory/apply_outcome.h"
#include "factory/oem_mac_request.h"
#include "factory/oem_table.h"
#include "output/safe_text.h"
#include "target.h"
#include "wire/address_text.h"
#include "wire/result_reply.h"

namespace fendrix_cli {

using namespace kestrel;

namespace {

struct Outcome {
    int code;
    std::string text;  // what is printed for the job, before escaping
};

Outcome applyOne(Session& session, const DeviceRecord& record, const ApplyJob& job,
                 const Timing& timing) {
    const auto request = buildOemMacRequest(session.adapter().mac_text, lowerText(record.mac),
                                            record.ip, job.oem_index, job.new_mac);
    if (!session.sendToController(request, record.ip))
        return {kExitNoNetwork, "the request could not be sent"};
    // Only this row's controller can answer it: a late answer of an earlier
    // row is ignored, not taken for this one's.
    const auto reply = session.awaitAnswer(AnswerKind::Apply, record.mac, timing.reply_timeout);
    if (!reply && session.interruption())
        return {exitForSignal(*session.interruption()), "interrupted"};
    if (!reply)
        return {kExitTimeout,
                "no answer within " + std::to_string(timing.reply_timeout.count()) + " ms"};
    const auto outcome = applyOutcome(std::get<ApplyReplyEvent>(*reply).reply);
    return {outcome.applied ? kExitOk : kExitRefused, outcome.text};
}

}  // namespace

std::optional<std::string> sameControllerRows(
    const std::vector<ApplyJob>& jobs, const std::vector<std::optional<DeviceRecord>>& records) {
    for (std::size_t i = 0; i < records.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (records[i] && records[j] && records[i]->ip == records[j]->ip &&
                upperText(records[i]->mac) == upperText(records[j]->mac))
                return "lines " + std::to_string(jobs[j].line) + " and " +
                       std::to_string(jobs[i].line) + " name the same controller " +
                       records[i]->mac;
    return std::nullopt;
}

int runApply(Session& session, const ApplyJob& job, const Timing& timing) {
    const auto found = scanForTarget(session, job.target, timing);
    if (!found.record) return found.code;
    const Outcome outcome = applyOne(session, *found.record, job, timing);
    if (outcome.code == kExitTimeout)
        std::fprintf(stderr, "fendrix-cli: %s: %s\n", terminalText(job.target).c_str(),
                     terminalText(outcome.text).c_str());
    else if (!isSignalExit(outcome.code))
        std::printf("%s\n", terminalText(outcome.text).c_str());  // the reply text is the wire's
    return outcome.code;
}

int runApplyBatch(Session& session, const std::vector<ApplyJob>& jobs, const Timing& timing) {
    if (!session.scan(timing.scan_wait)) return kExitNoNetwork;
    if (const auto signal = session.interruption()) return exitForSignal(*signal);
    // The rows of this one scan name the targets; controllers that answer
    // again with a new MAC later must not make a target ambiguous.
    const DeviceList rows = session.devices();
    std::vector<std::optional<DeviceRecord>> records;
    std::vector<std::string> problems;
    for (const auto& job : jobs) {
        std::string problem;
        records.push_back(job.problem.empty() ? findTarget(rows, job.target, problem)
                                              : std::nullopt);
        problems.push_back(std::move(problem));
    }
    // A controller's answers carry no mark of the request: with two rows for
    // one controller, the late answer of the first would pass for the second's.
    if (const auto same = sameControllerRows(jobs, records)) {
        std::fprintf(stderr, "fendrix-cli: %s; nothing was sent\n", terminalText(*same).c_str());
        return kExitUsage;
    }
    std::size_t applied = 0, timedOut = 0, failed = 0, done = 0;
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        const ApplyJob& job = jobs[i];
        Outcome outcome{kExitRefused, job.problem};
        if (records[i]) outcome = applyOne(session, *records[i], job, timing);
        else if (job.problem.empty()) outcome = {kExitNoTarget, problems[i]};
        if (isSignalExit(outcome.code)) break;  // a signal: the next rows are not sent
        ++done;
        std::printf("%s: %s\n", terminalText(job.target).c_str(),
                    terminalText(outcome.text).c_str());
        std::fflush(stdout);
        if (outcome.code == kExitOk) ++applied;
        else if (outcome.code == kExitTimeout) ++timedOut;
        else ++failed;
    }
    std::printf("Applied %zu of %zu, failed %zu, no answer %zu\n", applied, jobs.size(), failed,
                timedOut);
    if (const auto signal = session.interruption()) {
        std::fprintf(stderr, "fendrix-cli: interrupted after %zu of %zu rows\n", done, jobs.size());
        return exitForSignal(*signal);
    }
    if (failed > 0) return kExitRefused;
    return timedOut > 0 ? kExitTimeout : kExitOk;
}

}  // namespace fendrix_cli
