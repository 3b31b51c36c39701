#include "net/capture_hints.h"

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

}  // namespace kestrel
