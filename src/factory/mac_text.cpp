#include "factory/mac_text.h"

#include <initializer_list>

namespace kestrel {

namespace {

constexpr std::string_view kRejected = "`~!@#$%^&*()_=+|;/.,\\'?\"";

std::string pairsJoined(std::string_view text, std::initializer_list<std::size_t> starts) {
    std::string out;
    out.reserve(17);
    for (std::size_t at : starts) {
        if (!out.empty()) out += ':';
        out.append(text.substr(at, 2));
    }
    return out;
}

bool colonsAt(std::string_view text, std::initializer_list<std::size_t> positions) {
    for (std::size_t at : positions)
        if (text[at] != ':') return false;
    return true;
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// The six pairs of the shapes that the rule accepts, joined by colons.
std::optional<std::string> sixPairs(const std::string& text) {
    const std::size_t hyphen = text.find('-');
    switch (text.size()) {
    case 12: return pairsJoined(text, {0, 2, 4, 6, 8, 10});
    case 17:
        if (hyphen == std::string::npos) {
            if (!colonsAt(text, {2, 5, 8, 11, 14})) return std::nullopt;
            return text;
        }
        if (hyphen == 4) return pairsJoined(text, {5, 7, 9, 11, 13, 15});
        return std::nullopt;
    case 22:
        if (hyphen != 4 || !colonsAt(text, {7, 10, 13, 16, 19})) return std::nullopt;
        return pairsJoined(text, {5, 8, 11, 14, 17, 20});
    default: return std::nullopt;
    }
}

}  // namespace

std::optional<std::string> normalizeMacText(std::string_view typed) {
    std::string text;
    text.reserve(typed.size());
    for (char c : typed)
        if (c != ' ') text += c;

    if (text.find_first_of(kRejected) != std::string::npos) return std::nullopt;
    if (text.empty()) return std::string{};
    auto mac = sixPairs(text);
    // Whatever the shape: a pair that is not hexadecimal is no address and
    // never goes out to a controller.
    if (!mac) return std::nullopt;
    for (std::size_t i = 0; i < mac->size(); i += 3)
        if (!isHexDigit((*mac)[i]) || !isHexDigit((*mac)[i + 1])) return std::nullopt;
    return mac;
}

}  // namespace kestrel
