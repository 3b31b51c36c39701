#include "factory/apply_reply.h"

namespace kestrel {

std::optional<ApplyReply> decodeApplyReply(ByteSpan datagram) {
    const ByteReader p(datagram);
    if (!p.has(0, kApplyReplyLength)) return std::nullopt;
    ApplyReply r;
    r.reply_text = p.text(apply_reply::ReplyText, apply_reply::ReplyTextWidth).value_or("");
    r.result = p.u8(apply_reply::Result).value_or(0);
    r.apply_status = p.u8(apply_reply::ApplyStatus).value_or(0);
    r.oem_index = p.u8(apply_reply::OemIndex).value_or(0);
    return r;
}

}  // namespace kestrel
