#include <string>

#include "commands/network_change_request.h"

namespace kestrel {

std::string lowerText(std::string_view text) {
    std::string out(text);
    // ASCII only, independent of the process locale.
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace kestrel
