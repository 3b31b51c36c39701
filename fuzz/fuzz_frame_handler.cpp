// Any bytes as a captured frame of each link type: the handler must never
// read past them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>

#include "dispatch/frame_handler.h"

namespace {

void handle(std::span<const std::uint8_t> frame, kestrel::LinkType link) {
    const auto event = kestrel::handleFrame(frame, link);
    if (event) {
        // Touch every decoded text so the sanitizers see each byte read.
        std::visit([](const auto& e) { (void)sizeof(e); }, *event);
        if (const auto* scan = std::get_if<kestrel::ScanReplyEvent>(&*event)) {
            volatile std::size_t n = scan->record.mac.size() + scan->record.ip.size() +
                                     scan->record.firmware_version.size();
            (void)n;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (auto link :
         {kestrel::LinkType::Ethernet, kestrel::LinkType::LinuxSll, kestrel::LinkType::LinuxSll2})
        handle(std::span(data, size), link);
    return 0;
}
