#pragma once
// A capture worker whose loop is libpcap's, live, replayed or read from the
// helper's stream: it holds the open handle, the link type its frames are
// read as and, when asked, a pcap file that keeps a copy of every frame.
#include <pcap/pcap.h>

#include <optional>
#include <string>

#include "transport/capture_worker.h"

namespace kestrel {

class PcapWorker : public CaptureWorker {
protected:
    // The open handle's link type, when the frame handler can take its frames
    // apart; otherwise why not, naming `what` was opened. Any other link type
    // would give an empty list that looks like a quiet segment.
    std::optional<CaptureError> takeLinkType(const std::string& what);
    // Every frame is also written to `path` from now on.
    std::optional<CaptureError> saveFramesTo(const std::string& path);
    // On the worker: hands every frame to deliver() until the loop ends, and
    // returns what pcap_loop returned.
    int runLoop();
    // The copy's file, then the handle.
    void closeHandle();

    pcap_t* handle_ = nullptr;
    LinkType link_ = LinkType::Ethernet;

private:
    static void onFrame(u_char* user, const pcap_pkthdr* header, const u_char* bytes);

    pcap_dumper_t* dumper_ = nullptr;
};

}  // namespace kestrel
