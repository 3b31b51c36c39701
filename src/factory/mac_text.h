#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// Turns what the operator typed into six pairs joined by colons; nothing when
// the text is rejected. Spaces are removed, case is kept, and every pair must
// be two hexadecimal digits. The window's factory panel and fendrix-cli's
// apply both take a new MAC through this rule, before anything is sent.
std::optional<std::string> normalizeMacText(std::string_view typed);

}  // namespace kestrel
