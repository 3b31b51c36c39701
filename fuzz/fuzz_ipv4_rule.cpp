// Any bytes as an address text from the wire or a command line. The one IPv4
// rule accepts exactly what the system's own parser reads and writes back
// unchanged (inet_pton, inet_ntop: no leading zeros, signs or spaces), so an
// accepted text names the same host wherever it is parsed; the address
// control's lenient reading agrees with an independent reading of "four
// decimal numbers 0..255 of up to three digits".
#include <arpa/inet.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "wire/address_text.h"

namespace {

bool systemReadsBackTheSame(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) return false;
    const std::string copy(text);
    in_addr address{};
    if (inet_pton(AF_INET, copy.c_str(), &address) != 1) return false;
    char back[INET_ADDRSTRLEN] = {};
    return inet_ntop(AF_INET, &address, back, sizeof back) != nullptr && copy == back;
}

std::optional<std::array<std::uint8_t, 4>> lenientReading(std::string_view text) {
    std::array<std::uint8_t, 4> parts{};
    std::size_t at = 0;
    for (std::size_t n = 0; n < parts.size(); ++n) {
        if (n > 0) {
            if (at >= text.size() || text[at] != '.') return std::nullopt;
            ++at;
        }
        const std::size_t begin = at;
        unsigned value = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && at - begin < 3)
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
        if (at == begin || value > 255) return std::nullopt;
        parts[n] = static_cast<std::uint8_t>(value);
    }
    if (at != text.size()) return std::nullopt;
    return parts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (kestrel::isCanonicalIPv4(text) != systemReadsBackTheSame(text)) std::abort();
    if (kestrel::dottedNumbers(text) != lenientReading(text)) std::abort();
    return 0;
}
