#pragma once
// What the device commands share: the scan that finds the target, the send,
// the wait for its answer and the exit code that the answer gives.
#include <chrono>
#include <optional>
#include <string>

#include "discovery/device_record.h"
#include "discovery/target_replies.h"
#include "dispatch/reply_event.h"
#include "session.h"
#include "wire/byte_io.h"

namespace fendrix_cli {

struct Timing {
    std::chrono::milliseconds scan_wait{1500};
    std::chrono::milliseconds reply_timeout{3000};
};

// Writes "fendrix-cli: MESSAGE" to stderr, escaped for a terminal, and
// answers CODE: how a command gives up.
int say(int code, const std::string& message);

// What the scan for a command's target found.
struct TargetScan {
    int code = 0;  // kExitOk when `record` is the target
    std::optional<kestrel::DeviceRecord> record;
    kestrel::CarriedSettings disputed;  // settings in which its replies disagree
};

// Scans and finds the target; prints why on stderr when it is not found, not
// unique, or the scan could not be sent or was interrupted.
TargetScan scanForTarget(Session& session, const std::string& target, const Timing& timing);

// Sends the request and waits for the controller's result reply (code 18);
// prints the result code and its text. Answers the exit code.
int sendAndReportResult(Session& session, const kestrel::DeviceRecord& record,
                        kestrel::ByteSpan request, const Timing& timing);

// "Result N: <text>" for a result code ("(no message)" for a code without one).
std::string resultText(std::uint8_t result);
// Prints resultText; exit code 0 for 0 and 1, refused otherwise.
int reportResult(std::uint8_t result);

// Reads the password line from standard input (line end removed); nothing
// when standard input ends before a line.
std::optional<std::string> readPasswordLine();

}  // namespace fendrix_cli
