#pragma once
// Whether the capture library can be used by this process. On Linux libpcap
// is linked in. On Windows it is Npcap's wpcap.dll, loaded from Npcap's own
// folder when first needed, so that the program starts without Npcap.
#include <optional>
#include <string>

namespace kestrel {

inline constexpr const char* kNpcapUrl = "https://npcap.com";

#ifdef _WIN32
// Nothing when the library is loaded; otherwise why not (missing, too old),
// naming the file and the system's text.
std::optional<std::string> captureLibraryProblem();
#else
inline std::optional<std::string> captureLibraryProblem() { return std::nullopt; }
#endif

}  // namespace kestrel
