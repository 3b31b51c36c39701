#pragma once
// A decoded reply, handed from the capture worker to whoever shows it.
#include <cstdint>
#include <string>
#include <variant>

#include "discovery/device_record.h"
#include "factory/apply_reply.h"

namespace kestrel {

struct ScanReplyEvent {
    DeviceRecord record;
};
// `sender` is the reply header's sender text: the MAC text of the
// controller that answered, as it sent it.
struct ResultReplyEvent {
    std::uint8_t result = 0;
    std::string sender;
};
struct ApplyReplyEvent {
    ApplyReply reply;
    std::string sender;
};

using ReplyEvent = std::variant<ScanReplyEvent, ResultReplyEvent, ApplyReplyEvent>;

}  // namespace kestrel
