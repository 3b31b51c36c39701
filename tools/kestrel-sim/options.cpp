#include "options.h"

#include <charconv>

namespace sim {

namespace {
template <typename T>
bool whole(const std::string& text, T& out) {
    const auto* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && p == end;
}

// "ID" or "OUTER,INNER", each 1..4094.
bool vlan_ids(const std::string& text, std::vector<std::uint16_t>& out) {
    const auto comma = text.find(',');
    for (const auto& part : {text.substr(0, comma),
                             comma == std::string::npos ? std::string() : text.substr(comma + 1)}) {
        if (part.empty() && !out.empty()) break;
        std::uint16_t id = 0;
        if (!whole(part, id) || id == 0 || id > 4094) return false;
        out.push_back(id);
    }
    return true;
}

bool share(const std::string& text, double& out) {
    try {
        std::size_t used = 0;
        out = std::stod(text, &used);
        return used == text.size() && out >= 0.0 && out <= 1.0;
    } catch (...) {
        return false;
    }
}
}  // namespace

const char* usage() {
    return "usage: kestrel-sim --interface IF [--config FILE.json | --count N [--seed S]]\n"
           "                   [--log FILE.jsonl] [--drop SHARE] [--duplicate SHARE] [--delay-ms "
           "MS]\n"
           "                   [--malformed SHARE] [--burst N] [--ready-file PATH]\n"
           "                   [--plug N [--plug-interval MS]] [--vlan ID[,ID]]\n"
           "Without --config or --count the segment holds 4 generated controllers (none with "
           "--burst or --plug).\n";
}

std::optional<Options> parse_options(const std::vector<std::string>& args, std::string& error) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h") {
            error = "";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = name + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        bool ok = true;
        if (name == "--interface") o.interface = value;
        else if (name == "--config") o.config_path = value;
        else if (name == "--count") ok = whole(value, o.count.emplace());
        else if (name == "--seed") ok = whole(value, o.seed);
        else if (name == "--log") o.log_path = value;
        else if (name == "--ready-file") o.ready_file = value;
        else if (name == "--drop") ok = share(value, o.faults.drop);
        else if (name == "--duplicate") ok = share(value, o.faults.duplicate);
        else if (name == "--malformed") ok = share(value, o.faults.malformed);
        else if (name == "--delay-ms") ok = whole(value, o.faults.delay_ms);
        else if (name == "--burst") ok = whole(value, o.burst);
        else if (name == "--plug") ok = whole(value, o.plug) && o.plug <= 200;
        else if (name == "--vlan") ok = vlan_ids(value, o.vlans);
        else if (name == "--plug-interval")
            ok = whole(value, o.plug_interval_ms) && o.plug_interval_ms <= 3600000;
        else {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (!ok) {
            error = "bad value for " + name + ": " + value;
            return std::nullopt;
        }
    }
    if (o.interface.empty()) {
        error = "--interface is required";
        return std::nullopt;
    }
    if (!o.config_path.empty() && o.count) {
        error = "--config and --count exclude each other";
        return std::nullopt;
    }
    return o;
}

}  // namespace sim
