#pragma once
// Exit codes of fendrix-cli, shared by every subcommand.
#include <csignal>

namespace fendrix_cli {

inline constexpr int kExitOk = 0;            // done (a scan that found nothing included)
inline constexpr int kExitOutputFailed = 1;  // the results could not be written out
inline constexpr int kExitUsage = 2;         // bad command line or batch file
inline constexpr int kExitNoNetwork = 3;  // no adapter, socket, capture rights or capture device,
                                          // a link type that cannot be decoded, an unsent scan
inline constexpr int kExitRefused = 4;    // the controller answered but did not do it
inline constexpr int kExitTimeout = 5;    // no answer in time
inline constexpr int kExitNoTarget = 6;   // the target was not found, is not unique, or its
                                          // replies disagree on settings a change keeps
inline constexpr int kExitJournal =
    7;  // the production journal cannot be used (locked, other range)
inline constexpr int kExitRangeUsedUp = 8;  // produce: every address of the range is handed out
// produce: units in a row never answered; their scan replies may be forged.
inline constexpr int kExitSilentUnits = 9;
inline constexpr int kExitPlanRefused = 10;    // netcfg --plan: the plan's check found an error;
                                               // nothing was sent
inline constexpr int kExitProblemsFound = 11;  // scan --check: a row has a problem
// Ended by a signal, as a shell reports it (128 + the signal's number).
inline constexpr int kExitInterrupted = 130;  // SIGINT (Ctrl+C)
inline constexpr int kExitTerminated = 143;   // SIGTERM (Ctrl+Break or a closed console on Windows)

constexpr int exitForSignal(int signal) {
    return signal == SIGINT ? kExitInterrupted : kExitTerminated;
}
constexpr bool isSignalExit(int code) {
    return code == kExitInterrupted || code == kExitTerminated;
}

}  // namespace fendrix_cli
