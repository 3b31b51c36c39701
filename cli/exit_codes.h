#pragma once
// Exit codes of fendrix-cli, shared by every subcommand.

namespace fendrix_cli {

inline constexpr int kExitOk = 0;         // done (a scan that found nothing included)
inline constexpr int kExitUsage = 2;      // bad command line
inline constexpr int kExitNoNetwork = 3;  // no adapter, socket, capture rights or capture device
inline constexpr int kExitRefused = 4;    // the controller answered but did not do it
inline constexpr int kExitTimeout = 5;    // no answer in time
inline constexpr int kExitNoTarget = 6;   // the target was not found, or is not unique
inline constexpr int kExitJournal =
    7;  // the production journal cannot be used (locked, other range)

}  // namespace fendrix_cli
