#pragma once
// What is wrong on a segment, controller by controller, in words an
// installer acts on: two controllers with one address, one MAC at two
// addresses, a controller at the PC's own address, a mask with a hole, a
// gateway outside the controller's subnet, a DHCP controller that no DHCP
// server answered, and a controller whose web page this PC cannot open as
// it is. fendrix-cli's scan --check, the window's row tooltips and the plan
// check all read these texts from here.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/device_list.h"
#include "wire/adapter_entry.h"

namespace kestrel {

// A mask that is an address but not ones followed by zeros.
std::optional<std::string> maskProblem(std::string_view mask);
// A gateway (not empty, not 0.0.0.0) outside the subnet that the address
// and a contiguous mask make.
std::optional<std::string> gatewayProblem(std::string_view ip, std::string_view mask,
                                          std::string_view gateway);

// The problems of every row of a scan, in row order; an empty list for a
// sound row. `adapter` is the PC's adapter that the scan went out on; null
// for a replayed capture, which leaves out the checks against the PC.
std::vector<std::vector<std::string>> segmentProblems(const DeviceList& rows,
                                                      const AdapterEntry* adapter);

}  // namespace kestrel
