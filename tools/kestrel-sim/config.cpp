#include "config.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <random>
#include <set>
#include <sstream>

#include <nlohmann/json.hpp>

#include "frames.h"

namespace sim {

namespace {
using nlohmann::json;

template <typename T>
T number(const json& o, const char* key, T fallback) {
    if (!o.contains(key)) return fallback;
    const json& v = o.at(key);
    if (v.is_boolean()) return static_cast<T>(v.get<bool>() ? 1 : 0);
    if (!v.is_number_integer() && !v.is_number_unsigned())
        throw ConfigError(std::string("\"") + key + "\" must be a whole number");
    const auto n = v.get<long long>();
    if (n < 0 || static_cast<unsigned long long>(n) > std::numeric_limits<T>::max())
        throw ConfigError(std::string("\"") + key + "\" is out of range");
    return static_cast<T>(n);
}

std::string text(const json& o, const char* key, const std::string& fallback) {
    if (!o.contains(key)) return fallback;
    if (!o.at(key).is_string()) throw ConfigError(std::string("\"") + key + "\" must be a text");
    return o.at(key).get<std::string>();
}

bool flag(const json& o, const char* key) {
    if (!o.contains(key)) return false;
    if (!o.at(key).is_boolean())
        throw ConfigError(std::string("\"") + key + "\" must be true or false");
    return o.at(key).get<bool>();
}

std::uint8_t ip_type(const json& o, std::uint8_t fallback) {
    if (o.contains("ip_type") && o.at("ip_type").is_string()) {
        const auto t = o.at("ip_type").get<std::string>();
        if (t == "dhcp" || t == "DHCP") return 0;
        if (t == "static" || t == "Static" || t == "STATIC") return 1;
        throw ConfigError("\"ip_type\" must be a number, \"dhcp\" or \"static\"");
    }
    return number<std::uint8_t>(o, "ip_type", fallback);
}

ApplyFailure failure_mode(const json& o) {
    const std::string mode = text(o, "apply_failure", "refuse");
    if (mode == "refuse") return ApplyFailure::refuse;
    if (mode == "silent") return ApplyFailure::silent;
    if (mode == "answer_lost") return ApplyFailure::answer_lost;
    throw ConfigError("\"apply_failure\" must be \"refuse\", \"silent\" or \"answer_lost\"");
}

NetSettings read_net(const json& o, const NetSettings& base) {
    NetSettings n;
    n.ip_type = ip_type(o, base.ip_type);
    n.ip = text(o, "ip", base.ip);
    n.subnet_mask = text(o, "subnet_mask", base.subnet_mask);
    n.gateway = text(o, "gateway", base.gateway);
    n.dns1 = text(o, "dns1", base.dns1);
    n.dns2 = text(o, "dns2", base.dns2);
    n.server_ip = text(o, "server_ip", base.server_ip);
    n.https_enabled = number<std::uint8_t>(o, "https_enabled", base.https_enabled);
    n.http_port = number<std::uint16_t>(o, "http_port", base.http_port);
    n.https_port = number<std::uint16_t>(o, "https_port", base.https_port);
    return n;
}

ControllerConfig read_controller(const json& o, std::size_t index) {
    if (!o.is_object())
        throw ConfigError("controller " + std::to_string(index) + " is not an object");
    ControllerConfig c;
    NetSettings base;
    base.ip = "192.168.0." + std::to_string(100 + index % 150);
    base.subnet_mask = "255.255.255.0";
    base.gateway = "192.168.0.1";
    c.identity.mac = text(o, "mac", "");
    if (!parse_mac(c.identity.mac))
        throw ConfigError("controller " + std::to_string(index) +
                          ": \"mac\" must look like 00:1a:2b:3c:4d:5e");
    c.net = read_net(o, base);
    if (!parse_ipv4(c.net.ip))
        throw ConfigError("controller " + std::to_string(index) +
                          ": \"ip\" must be a dotted IPv4 address");
    c.defaults = o.contains("defaults") ? read_net(o.at("defaults"), c.net) : c.net;
    if (!parse_ipv4(c.defaults.ip))
        throw ConfigError("controller " + std::to_string(index) +
                          ": default \"ip\" must be a dotted IPv4 address");
    c.identity.hardware_model = number<std::uint16_t>(o, "hardware_model", 2);
    c.identity.edition = number<std::uint16_t>(o, "edition", 1);
    c.identity.max_door = number<std::uint16_t>(o, "max_door", 2);
    c.identity.firmware_version = text(o, "firmware_version", "V2.10.3");
    c.identity.status = number<std::uint8_t>(o, "status", 99);
    c.user = text(o, "user", c.user);
    c.password = text(o, "password", c.password);
    c.oem_code = text(o, "oem_code", c.oem_code);
    c.refuse_network_change = flag(o, "refuse_network_change");
    c.reboot_on_change = flag(o, "reboot_on_change");
    c.apply_failures =
        flag(o, "apply_fails") ? always : number<std::uint32_t>(o, "apply_failures", 0);
    c.apply_failure = failure_mode(o);
    c.appear_after_ms = number<std::uint32_t>(o, "appear_after_ms", 0);
    c.apply_reply_code = number<std::uint8_t>(o, "apply_reply_code", 19);
    if (c.apply_reply_code < 19 || c.apply_reply_code > 21)
        throw ConfigError("controller " + std::to_string(index) +
                          ": \"apply_reply_code\" must be 19, 20 or 21");
    return c;
}

std::string lower(std::string s) {
    for (auto& ch : s)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return s;
}
}  // namespace

std::vector<ControllerConfig> parse_controllers(const std::string& json_text) {
    json doc;
    try {
        doc = json::parse(json_text);
    } catch (const json::exception& e) {
        throw ConfigError(std::string("not valid JSON: ") + e.what());
    }
    if (!doc.is_array()) throw ConfigError("the file must hold an array of controllers");
    std::vector<ControllerConfig> out;
    for (std::size_t i = 0; i < doc.size(); ++i) out.push_back(read_controller(doc[i], i));
    require_distinct_macs(out);
    return out;
}

void require_distinct_macs(const std::vector<ControllerConfig>& controllers) {
    std::set<std::string> macs;
    for (const auto& c : controllers)
        if (!macs.insert(lower(c.identity.mac)).second)
            throw ConfigError("two controllers share the MAC " + c.identity.mac);
}

std::vector<ControllerConfig> load_controllers(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw ConfigError("cannot read " + path);
    std::stringstream ss;
    ss << in.rdbuf();
    return parse_controllers(ss.str());
}

std::vector<ControllerConfig> generate_controllers(std::size_t count, std::uint32_t seed) {
    static constexpr std::uint16_t models[] = {0, 1, 2, 3, 4, 100, 200, 300, 5};
    static constexpr std::uint16_t editions[] = {1, 2, 3, 5, 7, 11, 0, 4};
    static constexpr std::uint8_t statuses[] = {99, 99, 99, 0, 1};
    std::mt19937 rng(seed);
    std::vector<ControllerConfig> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        ControllerConfig c;
        // The MAC carries the index, so MACs stay distinct whatever the seed.
        const auto n = static_cast<std::uint32_t>(i);
        char mac[18];
        std::snprintf(mac, sizeof mac, "00:1a:%02x:%02x:%02x:%02x",
                      static_cast<unsigned>(rng() & 0xFF), (n >> 16) & 0xFF, (n >> 8) & 0xFF,
                      n & 0xFF);
        c.identity.mac = (i % 4 == 3) ? [](std::string s) {
            for (auto& ch : s)
                if (ch >= 'a' && ch <= 'f') ch = static_cast<char>(ch - 'a' + 'A');
            return s;
        }(mac) : std::string(mac);
        const auto r = static_cast<std::uint32_t>(rng());
        switch (i % 3) {
        case 0:  // the PC's own subnet, as long as it has room
            if (i / 3 < 200) {
                c.net.ip = "192.168.0." + std::to_string(20 + i / 3);
            } else {
                c.net.ip =
                    "172.16." + std::to_string((i / 250) % 250) + "." + std::to_string(1 + i % 250);
            }
            c.net.subnet_mask = "255.255.255.0";
            c.net.gateway = "192.168.0.1";
            break;
        case 1:  // link-local: a controller that found no DHCP server
            c.net.ip = "169.254." + std::to_string(1 + (n / 250) % 250) + "." +
                       std::to_string(1 + n % 250);
            c.net.subnet_mask = "255.255.0.0";
            c.net.gateway = "";
            break;
        default:
            c.net.ip = "10." + std::to_string((n >> 16) & 0xFF) + "." +
                       std::to_string((n >> 8) & 0xFF) + "." + std::to_string(1 + (n & 0xFF) % 254);
            c.net.subnet_mask = "255.0.0.0";
            c.net.gateway = "10.0.0.1";
            break;
        }
        c.net.ip_type = static_cast<std::uint8_t>(r % 3);  // 0 = DHCP; 1 and 2 both mean static
        c.net.dns1 = (r & 8) ? "8.8.8.8" : "";
        c.net.dns2 = (r & 16) ? "255.255.255.255.9999" : "";  // a full 20-character field
        c.net.server_ip = (r & 32) ? "192.168.100.200" : "";
        c.net.https_enabled = (r & 64) ? 1 : 0;
        c.net.http_port = (r & 128) ? 8080 : 80;
        c.net.https_port = (r & 256) ? 8443 : 443;
        c.defaults = c.net;
        c.identity.hardware_model = models[i % std::size(models)];
        c.identity.edition = editions[(i / 2) % std::size(editions)];
        c.identity.max_door = static_cast<std::uint16_t>(1 + r % 4);
        c.identity.firmware_version =
            (i % 5 == 4) ? "V1.2.34567" : "V3.1." + std::to_string(r % 100);
        c.identity.status = statuses[(r >> 10) % std::size(statuses)];
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<ControllerConfig> plugged_controllers(std::size_t count, std::uint32_t interval_ms) {
    std::vector<ControllerConfig> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        ControllerConfig c;
        char mac[18];
        std::snprintf(mac, sizeof mac, "02:fc:00:00:%02zx:%02zx", ((i + 1) >> 8) & 0xFF,
                      (i + 1) & 0xFF);
        c.identity.mac = mac;
        // Both ways of reaching a unit: unicast in the PC's subnet, broadcast outside it.
        c.net.ip = (i % 2 == 0) ? "192.168.0." + std::to_string(150 + i / 2)
                                : "169.254.250." + std::to_string(1 + i / 2);
        c.net.subnet_mask = (i % 2 == 0) ? "255.255.255.0" : "255.255.0.0";
        c.identity.hardware_model = 2;
        c.identity.edition = 1;
        c.identity.max_door = 2;
        c.identity.firmware_version = "V3.4.2";
        c.defaults = c.net;
        c.appear_after_ms = static_cast<std::uint32_t>((i + 1) * interval_ms);
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<ControllerConfig> burst_controllers(std::size_t count) {
    std::vector<ControllerConfig> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto n = static_cast<std::uint32_t>(i);
        ControllerConfig c;
        char mac[18];
        std::snprintf(mac, sizeof mac, "02:b5:%02x:%02x:%02x:%02x", (n >> 24) & 0xFF,
                      (n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
        c.identity.mac = mac;
        c.net.ip = "10." + std::to_string(100 + ((n >> 16) & 0x7F)) + "." +
                   std::to_string((n >> 8) & 0xFF) + "." + std::to_string(n & 0xFF);
        c.net.subnet_mask = "255.0.0.0";
        c.net.gateway = "10.0.0.1";
        c.identity.hardware_model = 2;
        c.identity.edition = 3;
        c.identity.max_door = 2;
        c.identity.firmware_version = "V3.0.1";
        c.defaults = c.net;
        out.push_back(std::move(c));
    }
    return out;
}

}  // namespace sim
