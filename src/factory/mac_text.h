#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// Turns what the operator typed into six pairs joined by colons; nothing when
// the text is rejected. Spaces are removed, case is kept, hex is not checked.
std::optional<std::string> normalizeMacText(std::string_view typed);

}  // namespace kestrel
