#pragma once
// The link-layer step of frame handling: which captures can be decoded, and
// where the IPv4 packet begins in a frame of each of them.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "wire/byte_io.h"

namespace kestrel {

enum class LinkType {
    Ethernet,   // DLT_EN10MB: 14-byte Ethernet II header
    LinuxSll,   // DLT_LINUX_SLL: 16-byte Linux cooked header ("tcpdump -i any" before libpcap 1.10)
    LinuxSll2,  // DLT_LINUX_SLL2: 20-byte Linux cooked header v2
};

// libpcap's data-link type numbers for the link types above.
inline constexpr int kDltEthernet = 1;
inline constexpr int kDltLinuxSll = 113;
inline constexpr int kDltLinuxSll2 = 276;

// The link type of a libpcap data-link type; nothing for one that cannot be
// decoded (raw IP of a tun or WireGuard device, Wi-Fi radio headers, ...).
std::optional<LinkType> linkTypeOfDlt(int dlt);
std::string_view linkTypeName(LinkType link);

// Why a capture of data-link type `dlt` is refused; `name` and `description`
// as the capture library gives them (either may be null).
std::string unsupportedLinkText(std::string_view what, int dlt, const char* name,
                                const char* description);

// Offset of the IPv4 header in `frame`, behind up to two 802.1Q tags (0x8100,
// or 0x88a8 outside 0x8100); nothing when the frame is shorter than its link
// header and tags or carries another protocol. Reads only the link header
// and the tags, and only inside the frame.
std::optional<std::size_t> ipv4Offset(ByteSpan frame, LinkType link);

}  // namespace kestrel
