#include "factory/apply_reply.h"

#include "net/protocol.h"

namespace kestrel {

std::optional<ApplyReply> decodeApplyReply(ByteSpan payload) {
    const ByteReader p(payload);
    if (!p.has(0, kApplyReplyPayload)) return std::nullopt;
    ApplyReply r;
    r.reply_text = p.text(apply_reply::ReplyText, apply_reply::ReplyTextWidth).value_or("");
    r.result = p.u8(apply_reply::Result).value_or(0);
    r.apply_status = p.u8(apply_reply::ApplyStatus).value_or(0);
    r.oem_index = p.u8(apply_reply::OemIndex).value_or(0);
    return r;
}

}  // namespace kestrel
