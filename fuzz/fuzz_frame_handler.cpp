// Any bytes as a captured frame: the handler must never read past them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <variant>

#include "dispatch/frame_handler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto event = kestrel::handleFrame(std::span(data, size));
    if (event) {
        // Touch every decoded text so the sanitizers see each byte read.
        std::visit([](const auto& e) { (void)sizeof(e); }, *event);
        if (const auto* scan = std::get_if<kestrel::ScanReplyEvent>(&*event)) {
            volatile std::size_t n = scan->record.mac.size() + scan->record.ip.size() +
                                     scan->record.firmware_version.size();
            (void)n;
        }
    }
    return 0;
}
