#include "apply_command.h"

#include <cstdio>

#include "exit_codes.h"
#include "factory/mac_text.h"
#include "factory/oem_mac_request.h"
#include "factory/oem_table.h"
#include "net/address_text.h"
#include "net/result_reply.h"
#include "target.h"

namespace fendrix_cli {

using namespace kestrel;

namespace {

std::string trimmed(const std::string& text) {
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos) return {};
    const auto end = text.find_last_not_of(" \t\r\n");
    return text.substr(begin, end - begin + 1);
}

std::vector<std::string> csvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    for (auto& f : fields) f = trimmed(f);
    return fields;
}

struct Outcome {
    int code;
    std::string text;  // what is printed for the job
};

Outcome applyOne(Session& session, const DeviceRecord& record, const ApplyJob& job,
                 const Timing& timing) {
    const auto request = buildOemMacRequest(session.adapter().mac_text, lowerText(record.mac),
                                            record.ip, job.oem_index, job.new_mac);
    if (!session.sendToController(request, record.ip))
        return {kExitNoNetwork, "the request could not be sent"};
    const auto reply = session.awaitReply(
        [](const ReplyEvent& e) { return std::holds_alternative<ApplyReplyEvent>(e); },
        timing.reply_timeout);
    if (!reply)
        return {kExitTimeout,
                "no answer within " + std::to_string(timing.reply_timeout.count()) + " ms"};
    const ApplyReply& answer = std::get<ApplyReplyEvent>(*reply).reply;
    if (answer.result == 2) {
        const bool applied = answer.apply_status == 2;
        return {applied ? kExitOk : kExitRefused,
                "Apply [" + std::string(oemName(answer.oem_index)) + " - " + answer.reply_text +
                    "] " + (applied ? "OK" : "Failed !")};
    }
    const auto message = resultMessage(answer.result);
    return {answer.result == 0 || answer.result == 1 ? kExitOk : kExitRefused,
            "Result " + std::to_string(answer.result) + ": " +
                (message ? std::string(*message) : "(no message)")};
}

}  // namespace

std::optional<int> oemIndexFor(const std::string& brand) {
    const std::string wanted = upperText(trimmed(brand));  // ASCII upper case
    for (const auto& b : kOemBrands) {
        if (wanted == upperText(b.name) || wanted == upperText(b.code) ||
            wanted == std::to_string(b.oem_index))
            return b.oem_index;
    }
    return std::nullopt;
}

ApplyJob makeApplyJob(const std::string& target, const std::string& brand, const std::string& mac) {
    ApplyJob job;
    job.target = trimmed(target);
    job.brand = trimmed(brand);
    if (const auto index = oemIndexFor(brand)) job.oem_index = *index;
    else job.problem = "unknown OEM brand \"" + job.brand + "\"";
    if (const auto normalised = normalizeMacText(mac)) job.new_mac = *normalised;
    else if (job.problem.empty()) job.problem = "Enter your Mac address correctly !";
    if (job.target.empty() && job.problem.empty()) job.problem = "no target";
    return job;
}

std::vector<ApplyJob> readApplyCsv(std::istream& in) {
    std::vector<ApplyJob> jobs;
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string text = trimmed(line);
        if (text.empty() || text.front() == '#') continue;
        const auto fields = csvFields(text);
        if (jobs.empty() && number == 1 && upperText(fields.front()) == "TARGET") continue;
        if (fields.size() != 3) {
            ApplyJob bad;
            bad.target = fields.front();
            bad.problem = "line " + std::to_string(number) + ": expected target,brand,new MAC";
            jobs.push_back(std::move(bad));
            continue;
        }
        jobs.push_back(makeApplyJob(fields[0], fields[1], fields[2]));
    }
    return jobs;
}

int runApply(Session& session, const ApplyJob& job, const Timing& timing) {
    const auto record = scanForTarget(session, job.target, timing);
    if (!record) return kExitNoTarget;
    const Outcome outcome = applyOne(session, *record, job, timing);
    if (outcome.code == kExitTimeout)
        std::fprintf(stderr, "fendrix-cli: %s: %s\n", job.target.c_str(), outcome.text.c_str());
    else std::printf("%s\n", outcome.text.c_str());
    return outcome.code;
}

int runApplyBatch(Session& session, const std::vector<ApplyJob>& jobs, const Timing& timing) {
    session.scan(timing.scan_wait);
    // The rows of this one scan name the targets; controllers that answer
    // again with a new MAC later must not make a target ambiguous.
    const DeviceList rows = session.devices();
    std::size_t applied = 0, timedOut = 0, failed = 0;
    for (const auto& job : jobs) {
        Outcome outcome{kExitRefused, job.problem};
        if (job.problem.empty()) {
            std::string problem;
            if (const auto record = findTarget(rows, job.target, problem))
                outcome = applyOne(session, *record, job, timing);
            else outcome = {kExitNoTarget, problem};
        }
        std::printf("%s: %s\n", job.target.c_str(), outcome.text.c_str());
        std::fflush(stdout);
        if (outcome.code == kExitOk) ++applied;
        else if (outcome.code == kExitTimeout) ++timedOut;
        else ++failed;
    }
    std::printf("Applied %zu of %zu, failed %zu, no answer %zu\n", applied, jobs.size(), failed,
                timedOut);
    if (failed > 0) return kExitRefused;
    return timedOut > 0 ? kExitTimeout : kExitOk;
}

}  // namespace fendrix_cli
