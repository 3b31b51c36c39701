// parsePortText: what the port edits hold, read the way strtol reads it.
#include <cstdint>
#include <limits>

#include "commands/network_change_request.h"

namespace kestrel {

namespace {
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
}  // namespace

std::uint16_t parsePortText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    // The integer is read as a 64-bit long would read it, saturating like
    // strtol; its low 16 bits are kept.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (!overflow && value > (kMax - digit) / 10) overflow = true;
        if (!overflow) value = value * 10 + digit;
    }
    if (overflow) return negative ? 0 : 0xFFFF;
    const std::uint64_t bits =
        negative ? (~static_cast<std::uint64_t>(value) + 1u) : static_cast<std::uint64_t>(value);
    return static_cast<std::uint16_t>(bits & 0xFFFFu);
}

}  // namespace kestrel
