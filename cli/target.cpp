#include "target.h"

#include "discovery/target_replies.h"

namespace fendrix_cli {

using namespace kestrel;

std::optional<DeviceRecord> findTarget(const DeviceList& devices, const std::string& target,
                                       std::string& problem) {
    std::optional<DeviceRecord> found;
    std::size_t matches = 0;
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const DeviceRecord& r = devices.at(i);
        if (!isTarget(r, target)) continue;
        if (++matches == 1) found = r;
    }
    if (matches == 1) return found;
    // Two rows for one MAC (a changed address, or a MAC given twice on the
    // line) must not be guessed between: the request would go to either.
    problem = matches == 0 ? "no controller " + target + " answered the scan"
                           : "target " + target + " matches " + std::to_string(matches) +
                                 " controllers; name it by its IP address";
    return std::nullopt;
}

}  // namespace fendrix_cli
