#pragma once
// What a production run needs from the segment: scans, one send, and the
// wait for one controller's own apply answer. fendrix-cli gives it over its
// session; the unit tests over a simulated line.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "production/journal.h"

namespace kestrel {

// A controller as one scan reply showed it.
struct SeenController {
    std::string mac, ip;  // as the reply carried them
};

class ProductionLink {
public:
    virtual ~ProductionLink() = default;
    // One scan: the controllers that answered, in the order they did.
    // Nothing when the scan request could not be sent.
    virtual std::optional<std::vector<SeenController>> scan() = 0;
    // Sends a request to a controller (unicast in the adapter's subnet,
    // otherwise the subnet's broadcast). False when it could not be sent.
    virtual bool send(std::span<const std::uint8_t> request, const std::string& controllerIp) = 0;
    // The apply answer that controller `controllerMac` sent after the last
    // request, within the link's time-out; nothing when none came.
    virtual std::optional<ApplyReply> awaitApply(const std::string& controllerMac) = 0;
};

}  // namespace kestrel
