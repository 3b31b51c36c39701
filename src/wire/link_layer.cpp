#include "wire/link_layer.h"

#include "wire/frame_layout.h"

namespace kestrel {

namespace {

// Where each link header keeps the protocol of what follows it (big-endian),
// and its length.
struct LinkHeader {
    std::size_t protocol_at;
    std::size_t length;
};

constexpr LinkHeader headerOf(LinkType link) {
    switch (link) {
    case LinkType::Ethernet: return {kEtherTypeAt, kEthHeader};
    case LinkType::LinuxSll: return {14, 16};
    case LinkType::LinuxSll2: return {0, 20};
    }
    return {0, 0};
}

}  // namespace

std::optional<LinkType> linkTypeOfDlt(int dlt) {
    switch (dlt) {
    case kDltEthernet: return LinkType::Ethernet;
    case kDltLinuxSll: return LinkType::LinuxSll;
    case kDltLinuxSll2: return LinkType::LinuxSll2;
    default: return std::nullopt;
    }
}

std::string_view linkTypeName(LinkType link) {
    switch (link) {
    case LinkType::Ethernet: return "Ethernet";
    case LinkType::LinuxSll: return "Linux cooked (SLL)";
    case LinkType::LinuxSll2: return "Linux cooked v2 (SLL2)";
    }
    return "unknown";
}

std::string unsupportedLinkText(std::string_view what, int dlt, const char* name,
                                const char* description) {
    std::string text = "cannot decode the frames of " + std::string(what) + ": link type ";
    text += name ? "DLT_" + std::string(name) : std::to_string(dlt);
    if (description) text += " (" + std::string(description) + ")";
    return text + "; only Ethernet and Linux cooked captures (SLL, SLL2) are read";
}

std::optional<std::size_t> ipv4Offset(ByteSpan frame, LinkType link) {
    LinkHeader header = headerOf(link);
    const ByteReader f(frame);
    // A trunk or a mirror port hands the frame on with its 802.1Q tags: each
    // tag (tag control, then the protocol of what follows) comes after the
    // protocol field that announced it.
    for (std::size_t tags = 0;; ++tags) {
        if (!f.has(0, header.length)) return std::nullopt;
        const auto protocol = f.u16be(header.protocol_at);
        if (protocol == kEtherTypeIpv4) return header.length;
        if (tags == kMaxVlanTags || (protocol != kEtherTypeVlan && protocol != kEtherTypeQinQ))
            return std::nullopt;
        header = {header.length + 2, header.length + kVlanTag};
    }
}

}  // namespace kestrel
