#pragma once
// Command line of kestrel-sim.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "faults.h"

namespace sim {

struct Options {
    std::string interface;
    std::string config_path;  // --config; else --count
    std::optional<std::size_t> count;
    std::uint32_t seed = 1;
    std::string log_path;
    std::string ready_file;
    FaultOptions faults;
    std::size_t burst = 0;
    std::size_t plug = 0;  // units of a production line, appearing one by one
    std::uint32_t plug_interval_ms = 1000;
    std::vector<std::uint16_t> vlans;  // 802.1Q tags on every reply, outermost first
};

// Nothing and a message in `error` when the arguments are wrong.
std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error);
const char* usage();

}  // namespace sim
