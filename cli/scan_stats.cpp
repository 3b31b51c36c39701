#include "scan_stats.h"

#include <ctime>
#include <fstream>
#include <string>

namespace fendrix_cli {

double wallClockSeconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::optional<std::int64_t> residentKiB() {
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
}

void printScanStats(std::FILE* out, const ScanStats& s) {
    std::fprintf(
        out, "fendrix-cli stats: rows=%zu pcap_received=%llu pcap_dropped=%llu pcap_ifdropped=%llu",
        s.rows, static_cast<unsigned long long>(s.capture.received),
        static_cast<unsigned long long>(s.capture.dropped),
        static_cast<unsigned long long>(s.capture.if_dropped));
    if (s.last_row_at) std::fprintf(out, " last_row_at=%.6f", *s.last_row_at);
    else std::fputs(" last_row_at=none", out);
    if (s.rss_before_kib && s.rss_after_kib)
        std::fprintf(out, " rss_before_kib=%lld rss_growth_kib=%lld",
                     static_cast<long long>(*s.rss_before_kib),
                     static_cast<long long>(*s.rss_after_kib - *s.rss_before_kib));
    std::fputc('\n', out);
}

}  // namespace fendrix_cli
