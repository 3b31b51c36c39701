#include "log.h"

#include <chrono>
#include <ctime>

#include <nlohmann/json.hpp>

namespace sim {

namespace {
std::string iso_now() {
    const auto now = std::chrono::system_clock::now();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&secs, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms % 1000));
    return text;
}
}  // namespace

RequestLog::~RequestLog() {
    if (file_) std::fclose(file_);
}

bool RequestLog::open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "a");
    return file_ != nullptr;
}

void RequestLog::write(const UdpFrame& r, std::size_t answers) {
    if (!file_) return;
    nlohmann::json line = {
        {"time", iso_now()},
        {"src_mac", mac_text(r.ends.src_mac)},
        {"dst_mac", mac_text(r.ends.dst_mac)},
        {"src_ip", ipv4_text(r.ends.src_ip)},
        {"dst_ip", ipv4_text(r.ends.dst_ip)},
        {"src_port", r.ends.src_port},
        {"dst_port", r.ends.dst_port},
        {"length", r.payload.size()},
        {"hex", to_hex(r.payload)},
        {"answers", answers},
    };
    if (auto h = decode_header(r.payload)) {
        line["command"] = h->command;
        line["sender"] = h->sender;
        line["target"] = h->target;
    } else {
        line["command"] = nullptr;
        line["target"] = nullptr;
    }
    // Texts from the wire may hold any byte: replace rather than throw.
    const std::string text = line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::fprintf(file_, "%s\n", text.c_str());
    std::fflush(file_);
}

}  // namespace sim
