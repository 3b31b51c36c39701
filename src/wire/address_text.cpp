#include "wire/address_text.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace kestrel {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The first three dot-separated decimal numbers of a text. Anything after the
// third number is ignored; a text that does not begin like that gives nothing.
std::optional<std::array<unsigned long, 3>> firstThreeNumbers(std::string_view text) {
    std::array<unsigned long, 3> numbers{};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        const std::size_t begin = pos;
        unsigned long value = 0;
        while (pos < text.size() && isDigit(text[pos])) {
            // Keep the value bounded; a number this long cannot be an address.
            if (pos - begin >= 9) return std::nullopt;
            value = value * 10 + static_cast<unsigned long>(text[pos] - '0');
            ++pos;
        }
        if (pos == begin) return std::nullopt;
        numbers[i] = value;
    }
    return numbers;
}

}  // namespace

std::optional<std::array<std::uint8_t, 4>> dottedNumbers(std::string_view text) {
    std::array<std::uint8_t, 4> numbers{};
    std::size_t pos = 0;
    for (std::size_t part = 0; part < numbers.size(); ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        const std::size_t begin = pos;
        unsigned value = 0;
        while (pos < text.size() && pos - begin < 3 && isDigit(text[pos]))
            value = value * 10 + static_cast<unsigned>(text[pos++] - '0');
        if (pos == begin || value > 255) return std::nullopt;
        numbers[part] = static_cast<std::uint8_t>(value);
    }
    if (pos != text.size()) return std::nullopt;
    return numbers;
}

std::string ipv4Text(const std::array<std::uint8_t, 4>& numbers) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", unsigned{numbers[0]}, unsigned{numbers[1]},
                  unsigned{numbers[2]}, unsigned{numbers[3]});
    return text;
}

bool isCanonicalIPv4(std::string_view text) {
    // Canonical: the numbers written back give the very same text.
    const auto numbers = dottedNumbers(text);
    return numbers && ipv4Text(*numbers) == text;
}

std::optional<std::uint32_t> ipv4Value(std::string_view text) {
    const auto numbers = dottedNumbers(text);
    if (!numbers) return std::nullopt;
    std::uint32_t value = 0;
    for (const auto n : *numbers) value = (value << 8) | n;
    return value;
}

std::string ipv4Text(std::uint32_t value) {
    return ipv4Text(std::array<std::uint8_t, 4>{
        static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

std::optional<int> maskPrefix(std::string_view mask) {
    const auto value = ipv4Value(mask);
    if (!value) return std::nullopt;
    int prefix = 0;
    while (prefix < 32 && (*value & (0x80000000u >> prefix)) != 0) ++prefix;
    // Every bit after the ones must be zero.
    const std::uint32_t ones = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
    if (*value != ones) return std::nullopt;
    return prefix;
}

std::string subnetText(std::uint32_t address, int prefix) {
    const std::uint32_t ones = prefix <= 0 ? 0 : ~std::uint32_t{0} << (32 - std::min(prefix, 32));
    return ipv4Text(address & ones) + "/" + std::to_string(prefix);
}

std::optional<MacValue> parseMacAddress(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    std::size_t step = 0;  // characters per pair: 2 without separators, 3 with
    if (text.size() == 12) step = 2;
    else if (text.size() == 17 && (text[2] == ':' || text[2] == '-')) step = 3;
    else return std::nullopt;
    auto hexDigit = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        c = lowerAscii(c);
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    MacValue mac = 0;
    for (std::size_t pair = 0; pair < 6; ++pair) {
        const std::size_t at = pair * step;
        const int high = hexDigit(text[at]), low = hexDigit(text[at + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        // One separator throughout: 00:1a-2b:... is a typing error.
        if (step == 3 && pair < 5 && text[at + 2] != text[2]) return std::nullopt;
        mac = (mac << 8) | static_cast<MacValue>(high * 16 + low);
    }
    return mac;
}

std::string macAddressText(MacValue mac) {
    char text[18];
    std::snprintf(
        text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x",
        static_cast<unsigned>((mac >> 40) & 0xFF), static_cast<unsigned>((mac >> 32) & 0xFF),
        static_cast<unsigned>((mac >> 24) & 0xFF), static_cast<unsigned>((mac >> 16) & 0xFF),
        static_cast<unsigned>((mac >> 8) & 0xFF), static_cast<unsigned>(mac & 0xFF));
    return text;
}

bool isSameSubnet(std::string_view a, std::string_view b) {
    const auto na = firstThreeNumbers(a);
    const auto nb = firstThreeNumbers(b);
    return na && nb && *na == *nb;
}

std::optional<std::string> broadcastAddress(std::string_view adapterIp) {
    std::string fields[3];
    std::size_t pos = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (pos > adapterIp.size()) return std::nullopt;
        std::size_t dot = adapterIp.find('.', pos);
        if (dot == std::string_view::npos) {
            if (i < 2) return std::nullopt;
            dot = adapterIp.size();
        }
        fields[i] = std::string(adapterIp.substr(pos, dot - pos));
        pos = dot + 1;
    }
    return fields[0] + "." + fields[1] + "." + fields[2] + ".255";
}

std::uint16_t parsePortText(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

    // The integer is read as strtol reads it into a 64-bit long, saturating;
    // its low 16 bits are kept.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    bool overflow = false;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        if (!overflow && value > (kMax - digit) / 10) overflow = true;
        if (!overflow) value = value * 10 + digit;
    }
    if (overflow) return negative ? 0 : 0xFFFF;
    const std::uint64_t bits =
        negative ? (~static_cast<std::uint64_t>(value) + 1u) : static_cast<std::uint64_t>(value);
    return static_cast<std::uint16_t>(bits & 0xFFFFu);
}

std::string lowerText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

std::string upperText(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperAscii(c);
    return out;
}

}  // namespace kestrel
