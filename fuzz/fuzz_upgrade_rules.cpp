// The firmware rule and the batch file name from a network-supplied address:
// whatever passes the address check can never leave the upgrade folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "factory/upgrade_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)kestrel::isOldFirmware(text);
    if (!kestrel::isDottedIPv4(text)) return 0;
    if (text.size() > 15 || text.find_first_not_of("0123456789.") != std::string_view::npos)
        std::abort();
    const auto path = kestrel::upgradeBatchPath("/opt/setup/tool/fendrix", text, '/');
    if (!path || path->find("..") != std::string::npos) std::abort();
    return 0;
}
