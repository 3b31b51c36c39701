#pragma once
// The segment's controllers and how each answers the requests it receives.
// No capture or injection here: frames in, frames out.
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "config.h"
#include "frames.h"

namespace sim {

struct Controller {
    ControllerConfig config;  // identity and net hold the live state
    Mac mac{};
    Ipv4 ip{};
    std::uint32_t oem_writes = 0;  // OEM/MAC writes received so far
};

struct Reply {
    UdpEndpoints ends;
    Bytes payload;
};

// Brand number of an OEM code text: KESTREL=1 .. ZANT=7, 0 when unknown.
std::uint8_t oem_index(std::string_view oem_code);

class Segment {
public:
    explicit Segment(std::vector<ControllerConfig> configs);

    // Starts the clock of appear_after_ms; a controller that has not yet
    // appeared answers nothing, ARP included.
    void start() { started_ = std::chrono::steady_clock::now(); }

    // Replies to one datagram that reached UDP port 8901, in controller order.
    std::vector<Reply> on_request(const UdpFrame& request);
    // The ARP reply of the controller that holds the asked address, if any.
    std::optional<Bytes> on_arp(const ArpRequest& request) const;

    const std::vector<Controller>& controllers() const { return controllers_; }

private:
    bool present(const Controller& c, std::chrono::steady_clock::time_point now) const;
    bool addressed(const Controller& c, const UdpEndpoints& ends, const std::string& target) const;
    Reply reply_from(const Controller& c, const UdpEndpoints& request, Bytes payload) const;
    std::uint8_t network_change(Controller& c, const NetworkChange& req);
    std::uint8_t factory_reset(Controller& c, const FactoryReset& req);
    // Nothing when the controller stays silent.
    std::optional<Bytes> oem_mac(Controller& c, const OemMac& req, const std::string& requester);

    std::vector<Controller> controllers_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace sim
