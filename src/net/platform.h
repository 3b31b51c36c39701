#pragma once
// The real implementations of the network seams.
#include <memory>

#include "net/adapter.h"
#include "net/capture_source.h"
#include "net/datagram_socket.h"

namespace kestrel {

std::unique_ptr<AdapterSource> makeSystemAdapterSource();  // getifaddrs / GetAdaptersInfo
std::unique_ptr<DatagramSocket> makeUdpSocket();

struct CaptureOptions {
    int snapshot_length = 65535;
    bool promiscuous = true;
    int timeout_ms = 300;
    int buffer_bytes = 32 * 1024 * 1024;  // kernel ring; the default holds ~6,000 replies
    bool immediate = true;                 // deliver each reply at once, not per filled block
};
std::unique_ptr<CaptureSource> makePcapCapture(CaptureOptions options = {});

}  // namespace kestrel
