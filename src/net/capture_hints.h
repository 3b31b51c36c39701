#pragma once
// What the user is told when capturing is not possible, in one place: each
// text names what is missing and how to mend it. The group is the one the
// package creates for the users who may run the capture helper.
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

inline constexpr std::string_view kCaptureGroup = "fendrix";

// The helper is not installed: where it was looked for.
std::string helperMissingText(const std::vector<std::string>& looked);
// The helper is there but this user may not run it (EACCES).
std::string helperNotAllowedText(std::string_view path);
// The helper runs but may not open the capture: it lacks cap_net_raw.
std::string helperLacksCapabilityText(std::string_view path, std::string_view detail);

}  // namespace kestrel
