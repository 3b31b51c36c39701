#include "wire/result_reply.h"

namespace kestrel {

std::optional<std::uint8_t> decodeResultReply(ByteSpan datagram) {
    const ByteReader d(datagram);
    if (!d.has(0, kResultReplyLength)) return std::nullopt;
    return d.u8(result_reply::Result);
}

std::optional<std::string_view> resultMessage(std::uint8_t result) {
    switch (result) {
    case 0: return "Sucess";
    case 1: return "Sucess and System Reboot";
    case 5: return "The UserID or Password you typed do not match.";
    case 6: return "Network Change not Use";
    default: return std::nullopt;
    }
}

}  // namespace kestrel
