#include "transport/adapter_rules.h"

#include <cstdio>
#include <string_view>

namespace kestrel {

std::string macText(std::span<const std::uint8_t> hardware) {
    std::uint8_t b[6] = {};
    for (std::size_t i = 0; i < 6 && i < hardware.size(); ++i) b[i] = hardware[i];
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", b[0], b[1], b[2], b[3], b[4],
                  b[5]);
    return text;
}

namespace {
bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Host-only networks of virtual machines, personal area networks and
// adapters without an address cannot reach a controller.
bool skipped(const SystemAdapter& a) {
    return startsWith(a.description, "VirtualBox") || startsWith(a.description, "Bluetooth") ||
           startsWith(a.ip_text, "0.0.0.0");
}
}  // namespace

std::vector<AdapterEntry> usableAdapters(const std::vector<SystemAdapter>& system) {
    std::vector<AdapterEntry> entries;
    for (const auto& a : system) {
        if (skipped(a)) continue;
        entries.push_back({a.description, a.ip_text, macText(a.hardware), a.if_name});
    }
    return entries;
}

}  // namespace kestrel
