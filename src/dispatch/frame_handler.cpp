#include "dispatch/frame_handler.h"

#include "discovery/scan_reply.h"
#include "factory/apply_reply.h"
#include "wire/frame_layout.h"
#include "wire/link_layer.h"
#include "wire/protocol.h"
#include "wire/result_reply.h"

namespace kestrel {

// Only the captured length is trusted: the IPv4 total length and the UDP
// length are claims of the sender and are not needed to find the fixed-size
// reply.
std::optional<ReplyEvent> handleFrame(ByteSpan frame, LinkType link) {
    const auto ip = ipv4Offset(frame, link);
    if (!ip) return std::nullopt;
    const ByteReader f(frame);

    const auto versionIhl = f.u8(*ip + kIpVersionIhlAt);
    if (!versionIhl) return std::nullopt;
    const std::size_t ipHeader = static_cast<std::size_t>(*versionIhl & 0x0F) * 4;
    if (ipHeader < kIpMinHeader) return std::nullopt;
    if (f.u8(*ip + kIpProtocolAt) != kProtocolUdp) return std::nullopt;
    // A later fragment holds no UDP header where one would be expected.
    const auto fragment = f.u16be(*ip + kIpFragmentAt);
    if (!fragment || (*fragment & kFragmentOffsetMask) != 0) return std::nullopt;

    const std::size_t udp = *ip + ipHeader;
    if (f.u16be(udp + kUdpDestinationPortAt) != kReplyPort) return std::nullopt;

    const std::size_t start = udp + kUdpHeader;
    const auto code = f.u8(start + hdr::Command);
    if (!code) return std::nullopt;
    const auto length = replyLength(*code);
    if (!length) return std::nullopt;
    // Header and payload sit at fixed places whatever header_length says.
    const auto datagram = f.sub(start, *length);
    if (!datagram) return std::nullopt;

    if (*code == cmd::ScanReply) {
        auto record = decodeScanReply(*datagram);
        if (!record) return std::nullopt;
        return ReplyEvent{ScanReplyEvent{std::move(*record)}};
    }
    // Who answered: a command matches its answer by it.
    std::string sender = ByteReader(*datagram).text(hdr::Sender, hdr::SenderWidth).value_or("");
    if (*code == cmd::ResultReply) {
        const auto result = decodeResultReply(*datagram);
        if (!result) return std::nullopt;
        return ReplyEvent{ResultReplyEvent{*result, std::move(sender)}};
    }
    auto reply = decodeApplyReply(*datagram);
    if (!reply) return std::nullopt;
    return ReplyEvent{ApplyReplyEvent{std::move(*reply), std::move(sender)}};
}

}  // namespace kestrel
