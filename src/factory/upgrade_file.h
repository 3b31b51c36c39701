#pragma once
// One-line upgrade batch files for controllers with old firmware.
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// 8 characters, first "5", and the signed sum of positions 0, 5, 6, 7 at most
// that of "5.00.01l" (258).
bool isOldFirmware(std::string_view version);

// <parent of the program's folder><sep>2.Kestrel Old Version(v5.00-01l
// Previous)<sep>Kestrel_R2_Update<sep><ip>_KestrelUp.bat `separator` is the platform's ('\\' on
// Windows, '/' elsewhere); nothing when the program path has no parent folder or `ip` is not a
// dotted IPv4 address.
std::optional<std::string> upgradeBatchPath(std::string_view programPath, std::string_view ip,
                                            char separator);
// "KestrelUp.bat -kestrel <ip>", no line end.
std::string upgradeBatchContent(std::string_view ip);

}  // namespace kestrel
