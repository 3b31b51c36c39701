#include "output/safe_text.h"

namespace kestrel {

namespace {

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F); }

// Of the characters that start a formula (=, +, -, @, tab, CR) the last two
// never begin a cell that terminalText has shown.
bool looksLikeFormula(std::string_view shown) {
    if (shown.empty()) return false;
    switch (shown.front()) {
    case '=':
    case '+':
    case '-':
    case '@': return true;
    default: return false;
    }
}

}  // namespace

std::string terminalText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (isControl(c)) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

std::string csvField(std::string_view text) {
    std::string shown = terminalText(text);
    const bool formula = looksLikeFormula(shown);
    if (!formula && shown.find_first_of(",\"") == std::string::npos) return shown;
    std::string out = formula ? "\"'" : "\"";
    for (char c : shown) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

}  // namespace kestrel
