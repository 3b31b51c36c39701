#pragma once
// Figures of one run for capacity measurements and for what the run passed
// over (fendrix-cli --stats).
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "transport/platform.h"

namespace fendrix_cli {

// The wall clock in seconds since the Unix epoch, comparable with other
// processes on the same machine.
double wallClockSeconds();

// Resident set size of this process in KiB (/proc/self/status; on Windows
// the working set); nullopt where it cannot be read.
std::optional<std::int64_t> residentKiB();

struct ScanStats {
    std::size_t rows = 0;
    std::size_t rows_over_limit = 0;  // distinct replies the full list did not take
    std::size_t queue_dropped = 0;    // replies the full reply queue dropped before they were read
    std::size_t ignored_answers = 0;  // result and apply replies that answered nothing asked
    kestrel::CaptureStats capture;
    std::string receiver;               // the receiver's word (helper, in-process, socket, file)
    std::optional<double> last_row_at;  // wall clock of the last row added
    std::optional<std::int64_t> rss_before_kib, rss_after_kib;
};

// One "key=value ..." line, easy for scripts to split.
void printScanStats(std::FILE* out, const ScanStats& stats);

}  // namespace fendrix_cli
