#pragma once
// What the user is told when capturing is not possible, in one place: each
// text names what is missing and how to mend it. The group is the one the
// package creates for the users who may run the capture helper. No text ever
// advises a capability for the window or fendrix-cli: only the helper holds one.
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
// The capture library refused this process the capture: a permission error,
// never a device that is down or gone.
std::string inProcessNeedsRootText(std::string_view detail);
// Windows without Npcap: what is missing and where to get it.
std::string npcapMissingText();
// The socket receiver cannot have the reply port on the adapter: another
// program holds it, and would receive the replies.
std::string replyPortTakenText(std::string_view adapter);
// The socket receiver runs instead of a capture: `why`, then what it misses.
std::string socketReceiverText(std::string_view why);

}  // namespace kestrel
