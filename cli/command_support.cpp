#include "command_support.h"

#include <cstdio>
#include <iostream>

#include "exit_codes.h"
#include "output/safe_text.h"
#include "target.h"
#include "wire/result_reply.h"

namespace fendrix_cli {

using namespace kestrel;

int say(int code, const std::string& message) {
    std::fprintf(stderr, "fendrix-cli: %s\n", terminalText(message).c_str());
    return code;
}

TargetScan scanForTarget(Session& session, const std::string& target, const Timing& timing) {
    TargetScan found;
    TargetReplies replies(target);
    if (!session.scan(timing.scan_wait, [&replies](const DeviceRecord& record) {
            replies.see(record);
            return false;
        })) {
        found.code = kExitNoNetwork;
        return found;
    }
    // A partial scan names no target: nothing is sent after a signal.
    if (const auto signal = session.interruption()) {
        found.code = exitForSignal(*signal);
        return found;
    }
    std::string problem;
    found.record = findTarget(session.devices(), target, problem);
    if (!found.record && session.devices().refused() > 0 && replies.first() && !replies.ambiguous())
        found.record = replies.first();  // it answered, but the full list left it out
    // A second controller for the target that a full list left out still
    // makes the target ambiguous.
    if (found.record && replies.ambiguous()) {
        found.record.reset();
        problem =
            "target " + target + " matches more than one controller; name it by its IP address";
    }
    if (!found.record) {
        found.code = say(kExitNoTarget, problem);
        return found;
    }
    found.disputed = replies.disputed();
    found.code = kExitOk;
    return found;
}

std::string resultText(std::uint8_t result) {
    const auto message = resultMessage(result);
    return "Result " + std::to_string(result) + ": " +
           (message ? std::string(*message) : "(no message)");
}

int reportResult(std::uint8_t result) {
    std::printf("%s\n", resultText(result).c_str());
    // Only 0 and 1 say that the controller did it; anything else is not a success.
    return result == 0 || result == 1 ? kExitOk : kExitRefused;
}

int sendAndReportResult(Session& session, const DeviceRecord& record, ByteSpan request,
                        const Timing& timing) {
    if (!session.sendToController(request, record.ip)) {
        std::fprintf(stderr, "fendrix-cli: the request to %s could not be sent\n",
                     terminalText(record.ip).c_str());
        return kExitNoNetwork;
    }
    const auto reply = session.awaitAnswer(AnswerKind::Result, record.mac, timing.reply_timeout);
    if (!reply) {
        if (session.interruption()) return exitForSignal(*session.interruption());
        std::fprintf(stderr, "fendrix-cli: no answer from %s within %lld ms\n",
                     terminalText(record.ip).c_str(),
                     static_cast<long long>(timing.reply_timeout.count()));
        return kExitTimeout;
    }
    return reportResult(std::get<ResultReplyEvent>(*reply).result);
}

std::optional<std::string> readPasswordLine() {
    std::string line;
    if (!std::getline(std::cin, line)) return std::nullopt;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

}  // namespace fendrix_cli
