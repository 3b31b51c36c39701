// Any bytes as an address text from the wire or a command line: the IPv4 rule
// agrees with an independent reading of "four decimal numbers 0..255 joined
// by dots", and an accepted text means one address wherever it is parsed.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "factory/upgrade_file.h"

namespace {

// Up to three digits per number; leading zeros are still read as decimal.
bool reference(std::string_view text, unsigned (&parts)[4]) {
    std::size_t at = 0;
    for (int n = 0; n < 4; ++n) {
        if (n > 0) {
            if (at >= text.size() || text[at] != '.') return false;
            ++at;
        }
        const std::size_t begin = at;
        unsigned value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - begin < 3)
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
        if (at == begin || value > 255) return false;
        parts[n] = value;
    }
    return at == text.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    unsigned parts[4] = {};
    const bool accepted = kestrel::isDottedIPv4(text);
    if (accepted != reference(text, parts)) std::abort();
    if (!accepted) return 0;
    // Written without leading zeros, the numbers are an address that the
    // system's own parser reads the same.
    const std::string plain = std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." +
                              std::to_string(parts[2]) + "." + std::to_string(parts[3]);
    in_addr address{};
    if (inet_pton(AF_INET, plain.c_str(), &address) != 1) std::abort();
    const auto* bytes = reinterpret_cast<const unsigned char*>(&address.s_addr);
    for (int n = 0; n < 4; ++n)
        if (bytes[n] != parts[n]) std::abort();
    return 0;
}
