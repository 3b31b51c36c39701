#pragma once
// How a capture of controller replies is opened and what it lets through, in
// one place for the capture helper (capture/main.cpp) and the in-process
// capture (CaptureOptions, pcap_capture.cpp): both must see the same frames.
#include "wire/protocol.h"

namespace kestrel::capture_settings {

// Every datagram whole.
inline constexpr int kSnapshotLength = 65535;
inline constexpr bool kPromiscuous = true;
// How long a partly filled ring block may wait before it is handed over:
// the delay of the last reply of a burst. 20 ms keeps it well inside what a
// user notices and costs nothing while the segment is quiet.
inline constexpr int kTimeoutMs = 20;
// Kernel ring; blocks pack the frames, so 32 MiB takes a burst of 100,000
// replies without a drop.
inline constexpr int kBufferBytes = 32 * 1024 * 1024;
// Immediate delivery makes libpcap use fixed ring slots sized for the
// snapshot length, which hold only a few thousand frames even in 32 MiB and
// lose replies in a burst; block delivery packs them and bounds the delay by
// kTimeoutMs.
inline constexpr bool kImmediate = false;

// Controllers answer in IPv4 UDP datagrams to the reply port; nothing else
// is a reply (not a datagram from that port, not IPv6). On Ethernet also
// behind one or two 802.1Q tags, as a PC on a trunk or a mirror port
// receives them: each "vlan" moves the rest of the expression past one tag.
// The helper (Ethernet only) and the in-process capture of an Ethernet
// adapter or file install this text.
inline constexpr char kReplyFilter[] =
    "ip and udp dst port 8911 or (vlan and (ip and udp dst port 8911 or (vlan and ip and udp dst "
    "port 8911)))";
// libpcap knows "vlan" only on Ethernet; a Linux cooked capture, which
// holds no tag in the frame, takes the untagged part alone.
inline constexpr char kReplyFilterUntagged[] = "ip and udp dst port 8911";
static_assert(kReplyPort == 8911, "the reply filters name the reply port");

}  // namespace kestrel::capture_settings
