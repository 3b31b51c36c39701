#include "command_support.h"

#include <cstdio>
#include <iostream>

#include "exit_codes.h"
#include "net/result_reply.h"
#include "target.h"

namespace fendrix_cli {

using namespace kestrel;

std::optional<DeviceRecord> scanForTarget(Session& session, const std::string& target,
                                          const Timing& timing) {
    session.scan(timing.scan_wait);
    std::string problem;
    auto record = findTarget(session.devices(), target, problem);
    if (!record) std::fprintf(stderr, "fendrix-cli: %s\n", problem.c_str());
    return record;
}

int reportResult(std::uint8_t result) {
    const auto message = resultMessage(result);
    std::printf("Result %d: %s\n", result,
                message ? std::string(*message).c_str() : "(no message)");
    // Only 0 and 1 say that the controller did it; anything else is not a success.
    return result == 0 || result == 1 ? kExitOk : kExitRefused;
}

int sendAndReportResult(Session& session, const DeviceRecord& record, ByteSpan request,
                        const Timing& timing) {
    if (!session.sendToController(request, record.ip)) {
        std::fprintf(stderr, "fendrix-cli: the request to %s could not be sent\n",
                     record.ip.c_str());
        return kExitNoNetwork;
    }
    const auto reply = session.awaitReply(
        [](const ReplyEvent& e) { return std::holds_alternative<ResultReplyEvent>(e); },
        timing.reply_timeout);
    if (!reply) {
        std::fprintf(stderr, "fendrix-cli: no answer from %s within %lld ms\n", record.ip.c_str(),
                     static_cast<long long>(timing.reply_timeout.count()));
        return kExitTimeout;
    }
    return reportResult(std::get<ResultReplyEvent>(*reply).result);
}

std::string readPasswordLine() {
    std::string line;
    std::getline(std::cin, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

}  // namespace fendrix_cli
