#include "transport/capture_hints.h"

#include "transport/pcap_runtime.h"
#include "wire/protocol.h"

namespace kestrel {

std::string helperMissingText(const std::vector<std::string>& looked) {
    std::string text = "the capture helper fendrix-capture is not installed (looked for ";
    for (std::size_t i = 0; i < looked.size(); ++i) text += (i ? ", " : "") + looked[i];
    return text + ")";
}

std::string helperNotAllowedText(std::string_view path) {
    const std::string group(kCaptureGroup);
    return "you are not in the group " + group + " that may run the capture helper " +
           std::string(path) + "; add yourself with: sudo adduser $USER " + group +
           ", then log in again";
}

std::string helperLacksCapabilityText(std::string_view path, std::string_view detail) {
    return "fendrix-capture lacks the cap_net_raw capability: " + std::string(detail) +
           "; give it with: sudo setcap cap_net_raw=ep " + std::string(path);
}

std::string inProcessNeedsRootText(std::string_view detail) {
    return "capturing without the helper needs root: " + std::string(detail);
}

std::string npcapMissingText() {
    return std::string("Npcap is missing (get it from ") + kNpcapUrl + ")";
}

std::string replyPortTakenText(std::string_view adapter) {
    const std::string port = std::to_string(kReplyPort);
#ifdef _WIN32
    const std::string shows = "netstat -ano -p udp";
#else
    const std::string shows = "ss -ulpn 'sport = :" + port + "'";
#endif
    return "UDP port " + port + " on adapter " + std::string(adapter) +
           " is taken by another program (perhaps another user's), which would receive the "
           "controllers' replies instead: close that program (" +
           shows + " shows it)";
}

std::string socketReceiverText(std::string_view why) {
#ifdef _WIN32
    const char* dropper = "Windows drops";
#else
    const char* dropper = "the IP stack drops (for example under strict reverse-path filtering)";
#endif
    return std::string(why) + "; replies come through a plain socket on port " +
           std::to_string(kReplyPort) +
           ", so replies from controllers outside this PC's subnet that " + dropper + " are missed";
}

}  // namespace kestrel
