#pragma once
// Which libpcap device carries an adapter: kept apart from the capture so
// that the rule can be checked on a made-up device list.
#include <pcap/pcap.h>

#include <string>

namespace kestrel {

// The first device having an IPv4 address (with a netmask) equal to `ip`.
// Silent: the capture helper's standard error is its status channel.
const pcap_if_t* chooseCaptureDevice(const pcap_if_t* devices, const std::string& ip);

}  // namespace kestrel
