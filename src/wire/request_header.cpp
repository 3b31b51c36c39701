#include "wire/request_header.h"

namespace kestrel {

void buildRequestHeader(MutableByteSpan buf, std::uint8_t command, std::string_view sender,
                        std::string_view target) {
    if (buf.size() < hdr::Size) return;
    auto header = buf.first(hdr::Size);
    putText(header, hdr::Magic, hdr::MagicWidth, hdr::MagicText);
    putU16le(header, hdr::Version, hdr::VersionValue);
    putU8(header, hdr::Command, command);
    putU16le(header, hdr::HeaderLength, static_cast<std::uint16_t>(hdr::Size));
    putText(header, hdr::Sender, hdr::SenderWidth, sender);
    putText(header, hdr::Target, hdr::TargetWidth, target);
}

std::array<std::uint8_t, kScanRequestLength> buildScanRequest(std::string_view senderMac) {
    std::array<std::uint8_t, kScanRequestLength> buf{};
    buildRequestHeader(buf, cmd::Scan, senderMac, {});
    return buf;
}

}  // namespace kestrel
