#pragma once
// Local adapters as the system lists them, and the entries the tool offers.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "wire/adapter_entry.h"

namespace kestrel {

// One adapter of the system's table, before the tool's rules are applied.
struct SystemAdapter {
    std::string description;             // shown in the selector (POSIX: the interface name)
    std::string ip_text;                 // first IPv4 address, "0.0.0.0" when it has none
    std::vector<std::uint8_t> hardware;  // hardware address bytes (the first six are used)
    std::string if_name;                 // interface the socket and capture are tied to
};

// Source of the system's adapter table (real: getifaddrs / GetAdaptersInfo).
class AdapterSource {
public:
    virtual ~AdapterSource() = default;
    // Nothing when the table is not available.
    virtual std::optional<std::vector<SystemAdapter>> list() = 0;
};

}  // namespace kestrel
