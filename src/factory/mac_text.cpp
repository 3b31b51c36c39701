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

}  // namespace

std::optional<std::string> normalizeMacText(std::string_view typed) {
    std::string text;
    text.reserve(typed.size());
    for (char c : typed)
        if (c != ' ') text += c;

    if (text.find_first_of(kRejected) != std::string::npos) return std::nullopt;

    const std::size_t hyphen = text.find('-');
    switch (text.size()) {
    case 0: return std::string{};
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

}  // namespace kestrel
