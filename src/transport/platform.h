#pragma once
// The real implementations of the network seams.
#include <cstdint>
#include <memory>
#include <string>

#include "transport/adapter.h"
#include "transport/capture_settings.h"
#include "transport/capture_source.h"
#include "transport/datagram_socket.h"

namespace kestrel {

std::unique_ptr<AdapterSource> makeSystemAdapterSource();  // getifaddrs / GetAdaptersInfo
std::unique_ptr<DatagramSocket> makeUdpSocket();

// Opens a capture as the capture helper does (transport/capture_settings.h); a
// benchmark may try other values.
struct CaptureOptions {
    int snapshot_length = capture_settings::kSnapshotLength;
    bool promiscuous = capture_settings::kPromiscuous;
    int timeout_ms = capture_settings::kTimeoutMs;
    int buffer_bytes = capture_settings::kBufferBytes;
    bool immediate = capture_settings::kImmediate;
    std::string save_path;  // when set, every captured frame is also written there (pcap file)
};

// What libpcap counted for the current (or the last stopped) capture.
struct CaptureStats {
    std::uint64_t received = 0;    // frames that passed the filter
    std::uint64_t dropped = 0;     // lost for lack of room in the kernel ring
    std::uint64_t if_dropped = 0;  // lost by the interface or its driver
};

// A capture source with counters: libpcap live or replayed from a file, the
// capture helper's pcap stream, or the socket receiver.
class PcapCaptureSource : public CaptureSource {
public:
    virtual CaptureStats stats() const = 0;
    // Blocks until the worker has left its loop by itself: the end of a
    // replayed file. A live capture leaves only on stop().
    virtual void waitFinished() = 0;
};

std::unique_ptr<PcapCaptureSource> makePcapCapture(CaptureOptions options = {});
// Replays the frames of a pcap file through the sink on a worker, filtered
// like a live capture; the adapter given to start() is not used.
std::unique_ptr<PcapCaptureSource> makePcapFileCapture(std::string path);
#ifndef _WIN32
// Captures through the helper fendrix-capture, found beside the running
// program (see capture_helper_location.h), and reads its pcap stream. The
// helper ends with the thread that starts it: start() it from a thread that
// outlives the capture (the GUI or main thread). The helper opens the device
// as the defaults above say; of `options` only save_path is used.
std::unique_ptr<PcapCaptureSource> makeHelperCapture(const CaptureOptions& options = {});
#endif
// Receives on a UDP socket bound to the reply port on the adapter; needs no
// rights, and sees only the replies that the IP stack accepts.
std::unique_ptr<PcapCaptureSource> makeSocketReceiver();

}  // namespace kestrel
