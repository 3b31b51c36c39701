#include "controller.h"

#include <algorithm>

namespace sim {

namespace {
constexpr std::uint16_t request_port = 8901, reply_port = 8911;
constexpr std::uint8_t result_ok = 0, result_reboot = 1, result_bad_login = 5, result_refused = 6;
constexpr std::uint8_t apply_result = 2, apply_done = 2, apply_not_done = 0;

std::string lower(std::string_view s) {
    std::string out(s);
    for (auto& ch : out)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return out;
}

// An address a controller can take: dotted IPv4 and not 0.0.0.0 (a DHCP
// request may carry that; the controller then keeps what it has).
std::optional<Ipv4> usable_ip(const std::string& text) {
    auto ip = parse_ipv4(text);
    if (!ip || *ip == Ipv4{0, 0, 0, 0}) return std::nullopt;
    return ip;
}
}  // namespace

std::uint8_t oem_index(std::string_view code) {
    static constexpr std::string_view codes[] = {"KESTREL", "MARLO1", "MARLO2", "QEL",
                                                 "RVM",     "TALLIS", "ZANT"};
    for (std::size_t i = 0; i < std::size(codes); ++i)
        if (codes[i] == code) return static_cast<std::uint8_t>(i + 1);
    return 0;
}

Segment::Segment(std::vector<ControllerConfig> configs) {
    controllers_.reserve(configs.size());
    for (auto& cfg : configs) {
        Controller c;
        c.mac = parse_mac(cfg.identity.mac).value_or(Mac{});
        c.ip = parse_ipv4(cfg.net.ip).value_or(Ipv4{});
        c.config = std::move(cfg);
        controllers_.push_back(std::move(c));
    }
}

bool Segment::present(const Controller& c, std::chrono::steady_clock::time_point now) const {
    return now - started_ >= std::chrono::milliseconds(c.config.appear_after_ms);
}

bool Segment::addressed(const Controller& c, const UdpEndpoints& ends,
                        const std::string& target) const {
    if (lower(target) != lower(c.config.identity.mac)) return false;
    // It must also have reached this controller: a broadcast or multicast
    // frame, or one sent to its MAC or its IP.
    const bool group = (ends.dst_mac[0] & 1) != 0;
    return group || ends.dst_mac == c.mac || ends.dst_ip == c.ip;
}

Reply Segment::reply_from(const Controller& c, const UdpEndpoints& req, Bytes payload) const {
    Reply r;
    r.ends.src_mac = c.mac;
    r.ends.src_ip = c.ip;
    r.ends.src_port = request_port;
    r.ends.dst_mac = req.src_mac;
    r.ends.dst_ip = req.src_ip;
    r.ends.dst_port = reply_port;
    r.payload = std::move(payload);
    return r;
}

std::vector<Reply> Segment::on_request(const UdpFrame& frame) {
    std::vector<Reply> out;
    const auto header = decode_header(frame.payload);
    if (!header) return out;
    const auto needed = request_length(header->command);
    // A controller acts only on a whole request of a code it knows.
    if (!needed || frame.payload.size() < *needed) return out;
    const auto now = std::chrono::steady_clock::now();

    if (header->command == code::scan) {
        for (const auto& c : controllers_)
            if (present(c, now))
                out.push_back(
                    reply_from(c, frame.ends,
                               encode_scan_reply(c.config.identity, c.config.net, header->sender)));
        return out;
    }
    for (auto& c : controllers_) {
        if (!present(c, now) || !addressed(c, frame.ends, header->target)) continue;
        // The reply leaves with the settings the controller had when asked.
        const Controller before = c;
        Bytes payload;
        switch (header->command) {
        case code::network_change:
            payload = encode_result_reply(c.config.identity.mac, header->sender,
                                          network_change(c, *decode_network_change(frame.payload)));
            break;
        case code::factory_reset:
            payload = encode_result_reply(c.config.identity.mac, header->sender,
                                          factory_reset(c, *decode_factory_reset(frame.payload)));
            break;
        case code::oem_mac:
            if (auto answer = oem_mac(c, *decode_oem_mac(frame.payload), header->sender))
                payload = std::move(*answer);
            else return out;
            break;
        default: continue;
        }
        out.push_back(reply_from(before, frame.ends, std::move(payload)));
        break;  // MACs are unique on the segment
    }
    return out;
}

std::uint8_t Segment::network_change(Controller& c, const NetworkChange& req) {
    if (req.user != c.config.user || req.password != c.config.password) return result_bad_login;
    if (c.config.refuse_network_change) return result_refused;
    const auto new_ip = usable_ip(req.settings.ip);
    NetSettings next = req.settings;
    if (!new_ip) next.ip = c.config.net.ip;
    c.config.net = next;
    if (new_ip) c.ip = *new_ip;
    return c.config.reboot_on_change ? result_reboot : result_ok;
}

std::uint8_t Segment::factory_reset(Controller& c, const FactoryReset& req) {
    if (req.user != c.config.user || req.password != c.config.password) return result_bad_login;
    c.config.net = c.config.defaults;
    c.ip = parse_ipv4(c.config.net.ip).value_or(c.ip);
    return result_ok;
}

std::optional<Bytes> Segment::oem_mac(Controller& c, const OemMac& req,
                                      const std::string& requester) {
    const std::string old_mac = c.config.identity.mac;
    const bool failing = c.oem_writes < c.config.apply_failures;
    if (c.oem_writes < always) ++c.oem_writes;
    const auto mode = c.config.apply_failure;
    if (failing && mode == ApplyFailure::silent) return std::nullopt;
    bool applied = !failing || mode == ApplyFailure::answer_lost;
    std::optional<Mac> new_mac;
    if (applied && !req.new_mac.empty()) {
        new_mac = parse_mac(req.new_mac);
        // Not a MAC address, or one that another controller already has.
        const bool taken = new_mac && std::any_of(controllers_.begin(), controllers_.end(),
                                                  [&](const Controller& o) {
                                                      return &o != &c && o.mac == *new_mac;
                                                  });
        if (!new_mac || taken) applied = false;
    }
    if (applied) {
        if (!req.oem_code.empty()) c.config.oem_code = req.oem_code;
        if (new_mac) {
            c.mac = *new_mac;
            c.config.identity.mac = req.new_mac;
        }
    }
    if (failing && mode == ApplyFailure::answer_lost) return std::nullopt;
    const std::string shown = req.new_mac.empty() ? c.config.identity.mac : req.new_mac;
    // The answer names the controller by the MAC it had when asked, the one
    // the request was addressed to; later scans show the new one.
    return encode_apply_reply(old_mac, requester, c.config.apply_reply_code, shown, apply_result,
                              applied ? apply_done : apply_not_done, oem_index(req.oem_code));
}

std::optional<Bytes> Segment::on_arp(const ArpRequest& req) const {
    const auto now = std::chrono::steady_clock::now();
    for (const auto& c : controllers_)
        if (present(c, now) && c.ip == req.target_ip) return build_arp_reply(c.mac, c.ip, req);
    return std::nullopt;
}

}  // namespace sim
