#pragma once
// A block of MAC addresses handed out on a production line, and the rule for
// the next one.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "wire/address_text.h"  // MacValue, parseMacAddress, macAddressText

namespace kestrel {

// The first pairs of an address, e.g. a maker's OUI (three pairs).
struct MacPrefix {
    MacValue value = 0;  // the pairs in the high bits, the rest zero
    int pairs = 0;       // 1 to 6

    bool covers(MacValue mac) const;
    std::string text() const;  // lower-case pairs joined by colons

    bool operator==(const MacPrefix&) const = default;
};
// One to six pairs written as an address is (colons, hyphens, or digits
// without separators); nothing otherwise.
std::optional<MacPrefix> parseMacPrefix(std::string_view text);

struct MacRange {
    MacValue first = 0, last = 0;

    std::uint64_t count() const { return last - first + 1; }
    bool contains(MacValue mac) const { return mac >= first && mac <= last; }
    std::string text() const;  // FIRST-LAST, normalised

    bool operator==(const MacRange&) const = default;
};

// "FIRST-LAST", or one address for a range of one. FIRST must not be above
// LAST, both must share their first three pairs (one maker's block) and be
// unicast addresses (the lowest bit of the first pair clear). Otherwise the
// text says what is wrong.
std::variant<MacRange, std::string> parseMacRange(std::string_view text);

// Addresses are handed out in rising order and never go back: the next one
// follows the highest one handed out so far (`highest`, nothing when none
// was). Nothing when the range is used up.
std::optional<MacValue> nextMacAddress(const MacRange& range, std::optional<MacValue> highest);

}  // namespace kestrel
