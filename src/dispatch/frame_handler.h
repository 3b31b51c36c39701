#pragma once
// One captured frame in, one decoded reply out. Never reads past the
// captured bytes: short frames, non-IPv4 frames, bad IPv4 header lengths,
// other ports and codes outside 17..21 give nothing.
#include <optional>

#include "dispatch/reply_event.h"
#include "wire/byte_io.h"
#include "wire/link_layer.h"

namespace kestrel {

std::optional<ReplyEvent> handleFrame(ByteSpan frame, LinkType link = LinkType::Ethernet);

}  // namespace kestrel
