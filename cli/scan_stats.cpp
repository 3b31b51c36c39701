#include "scan_stats.h"

#include <chrono>
#include <fstream>
#include <string>

#ifdef _WIN32
#define PSAPI_VERSION 2  // K32GetProcessMemoryInfo, in kernel32.dll
#include <windows.h>

#include <psapi.h>  // after windows.h
#endif

namespace fendrix_cli {

double wallClockSeconds() {
    // The system clock counts from the Unix epoch (C++20), as CLOCK_REALTIME does.
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

std::optional<std::int64_t> residentKiB() {
#ifdef _WIN32
    // The working set is Windows' resident set.
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return std::nullopt;
    return static_cast<std::int64_t>(counters.WorkingSetSize / 1024);
#else
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) != 0) continue;
        try {
            return std::stoll(line.substr(6));
        } catch (...) {
            return std::nullopt;
        }
    }
    return std::nullopt;
#endif
}

void printScanStats(std::FILE* out, const ScanStats& s) {
    std::fprintf(out,
                 "fendrix-cli stats: rows=%zu rows_over_limit=%zu queue_dropped=%zu "
                 "ignored_answers=%zu pcap_received=%llu pcap_dropped=%llu pcap_ifdropped=%llu",
                 s.rows, s.rows_over_limit, s.queue_dropped, s.ignored_answers,
                 static_cast<unsigned long long>(s.capture.received),
                 static_cast<unsigned long long>(s.capture.dropped),
                 static_cast<unsigned long long>(s.capture.if_dropped));
    if (s.last_row_at) std::fprintf(out, " last_row_at=%.6f", *s.last_row_at);
    else std::fputs(" last_row_at=none", out);
    if (s.rss_before_kib && s.rss_after_kib)
        std::fprintf(out, " rss_before_kib=%lld rss_growth_kib=%lld",
                     static_cast<long long>(*s.rss_before_kib),
                     static_cast<long long>(*s.rss_after_kib - *s.rss_before_kib));
    if (!s.receiver.empty()) std::fprintf(out, " receiver=%s", s.receiver.c_str());
    std::fputc('\n', out);
}

}  // namespace fendrix_cli
