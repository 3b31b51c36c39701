#include "production/mac_range.h"

namespace kestrel {

namespace {

constexpr MacValue kOuiMask = 0xFFFFFF000000ULL;
constexpr MacValue kGroupBit = 0x010000000000ULL;  // lowest bit of the first pair

std::string_view trimmedSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<MacPrefix> parseMacPrefix(std::string_view text) {
    text = trimmedSpaces(text);
    // Characters per pair: 2 without separators, 3 with.
    const std::size_t step = text.size() > 2 && (text[2] == ':' || text[2] == '-') ? 3 : 2;
    const std::size_t length = text.size() + (step == 3 ? 1 : 0);
    if (text.empty() || length % step != 0 || length / step > 6) return std::nullopt;
    const std::size_t pairs = length / step;
    MacValue value = 0;
    for (std::size_t pair = 0; pair < pairs; ++pair) {
        const std::size_t at = pair * step;
        const int high = hexDigit(text[at]), low = hexDigit(text[at + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        // One separator throughout: 00:1a-2b:... is a typing error.
        if (step == 3 && pair + 1 < pairs && text[at + 2] != text[2]) return std::nullopt;
        value = (value << 8) | static_cast<MacValue>(high * 16 + low);
    }
    return MacPrefix{value << (8 * (6 - pairs)), static_cast<int>(pairs)};
}

bool MacPrefix::covers(MacValue mac) const {
    const int rest = 8 * (6 - pairs);
    return (mac >> rest) == (value >> rest);
}

std::string MacPrefix::text() const {
    return macAddressText(value).substr(0, static_cast<std::size_t>(pairs) * 3 - 1);
}

std::string MacRange::text() const { return macAddressText(first) + "-" + macAddressText(last); }

std::variant<MacRange, std::string> parseMacRange(std::string_view text) {
    text = trimmedSpaces(text);
    std::optional<MacRange> range;
    if (const auto one = parseMacAddress(text)) range = MacRange{*one, *one};
    // Hyphens may also separate the pairs: the range's hyphen is the one with
    // a whole address on either side.
    for (auto dash = text.find('-'); !range && dash != std::string_view::npos;
         dash = text.find('-', dash + 1)) {
        const auto first = parseMacAddress(text.substr(0, dash));
        const auto last = parseMacAddress(text.substr(dash + 1));
        if (first && last) range = MacRange{*first, *last};
    }
    if (!range)
        return std::string(
            "not a MAC range: expected FIRST-LAST, each six hexadecimal pairs "
            "(00:1a:2b:00:00:01-00:1a:2b:00:0f:ff)");
    if (range->first > range->last)
        return std::string("the first MAC of the range is above the last");
    if ((range->first & kOuiMask) != (range->last & kOuiMask))
        return std::string(
            "the range must stay in one maker's block: FIRST and LAST must share "
            "their first three pairs");
    if (range->first == 0) return std::string("00:00:00:00:00:00 is no address to hand out");
    if (range->first & kGroupBit)
        return std::string(
            "the range holds group (multicast) addresses: the first pair must be "
            "even");
    return *range;
}

std::optional<MacValue> nextMacAddress(const MacRange& range, std::optional<MacValue> highest) {
    if (!highest || *highest < range.first) return range.first;
    if (*highest >= range.last) return std::nullopt;
    return *highest + 1;
}

}  // namespace kestrel
