// The operator's MAC text: an accepted text is empty or six hexadecimal pairs
// with colons.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "factory/mac_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view typed(reinterpret_cast<const char*>(data), size);
    const auto mac = kestrel::normalizeMacText(typed);
    if (!mac || mac->empty()) return 0;
    if (mac->size() != 17) std::abort();
    for (std::size_t i = 2; i < 17; i += 3)
        if ((*mac)[i] != ':') std::abort();
    for (std::size_t i = 0; i < 17; i += 3)
        for (std::size_t j = i; j < i + 2; ++j)
            if (!std::isxdigit(static_cast<unsigned char>((*mac)[j]))) std::abort();
    return 0;
}
