// The firmware rule and the batch file name from a network-supplied address:
// whatever passes the address check is plain decimal without leading zeros
// and can never leave the upgrade folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "factory/upgrade_file.h"
#include "wire/address_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)kestrel::isOldFirmware(text);
    if (!kestrel::isCanonicalIPv4(text)) return 0;
    if (text.size() > 15 || text.find_first_not_of("0123456789.") != std::string_view::npos)
        std::abort();
    for (std::size_t at = 0; at + 1 < text.size(); ++at)
        if (text[at] == '0' && (at == 0 || text[at - 1] == '.') && text[at + 1] != '.')
            std::abort();
    const auto path = kestrel::upgradeBatchPath("/opt/setup/tool/fendrix", text, '/');
    if (!path || path->find("..") != std::string::npos) std::abort();
    return 0;
}
