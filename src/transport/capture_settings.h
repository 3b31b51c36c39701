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
// is a reply (not a datagram from that port, not IPv6). Compiled by libpcap
// for every link type the frame handler decodes (Ethernet, Linux cooked).
inline constexpr char kReplyFilter[] = "ip and udp dst port 8911";
static_assert(kReplyPort == 8911, "the reply filter names the reply port");

}  // namespace kestrel::capture_settings
