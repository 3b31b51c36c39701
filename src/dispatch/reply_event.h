#pragma once
// A decoded reply, handed from the capture worker to whoever shows it.
#include <cstdint>
#include <variant>

#include "discovery/device_record.h"
#include "factory/apply_reply.h"

namespace kestrel {

struct ScanReplyEvent {
    DeviceRecord record;
};
struct ResultReplyEvent {
    std::uint8_t result = 0;
};
struct ApplyReplyEvent {
    ApplyReply reply;
};

using ReplyEvent = std::variant<ScanReplyEvent, ResultReplyEvent, ApplyReplyEvent>;

}  // namespace kestrel
