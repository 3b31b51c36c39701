// Any bytes as a controller's text, written for a terminal, a spreadsheet and
// a JSON reader: no control character reaches the terminal, the CSV field
// reads back as the terminal's text (behind the formula guard), the JSON is
// ASCII and never throws.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "output/safe_text.h"

namespace {

// One RFC 4180 field back to its text; nothing when it is not one field.
bool readCsvField(std::string_view field, std::string& text) {
    text.clear();
    if (field.empty() || field.front() != '"') {
        if (field.find_first_of(",\"\r\n") != std::string_view::npos) return false;
        text = field;
        return true;
    }
    if (field.size() < 2 || field.back() != '"') return false;
    for (std::size_t i = 1; i + 1 < field.size(); ++i) {
        if (field[i] == '"') {
            if (i + 2 >= field.size() || field[i + 1] != '"') return false;
            ++i;
        }
        text += field[i];
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string shown = kestrel::terminalText(text);
    for (char ch : shown) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) std::abort();
    }

    std::string back;
    if (!readCsvField(kestrel::csvField(text), back)) std::abort();
    // CSV cells escape control characters as the table does, so a tab or CR
    // can no longer open one.
    const bool formula =
        !shown.empty() && std::string_view("=+-@").find(shown.front()) != std::string_view::npos;
    if (back != (formula ? "'" + shown : shown)) std::abort();

    const std::string json = kestrel::jsonText(nlohmann::json(std::string(text)), -1);
    for (char ch : json)
        if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7E)
            std::abort();
    (void)nlohmann::json::parse(json);  // throws, and so fails, on a broken text
    return 0;
}
