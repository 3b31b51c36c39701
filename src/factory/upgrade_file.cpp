#include "factory/upgrade_file.h"

namespace kestrel {

namespace {

constexpr std::string_view kReferenceVersion = "5.00.01l";

// Sum of the character codes at positions 0, 5, 6 and 7, each a signed byte.
int versionSum(std::string_view v) {
    int sum = 0;
    for (std::size_t at : {0u, 5u, 6u, 7u}) sum += static_cast<signed char>(v[at]);
    return sum;
}

}  // namespace

bool isOldFirmware(std::string_view version) {
    if (version.size() != kReferenceVersion.size() || version.front() != '5') return false;
    return versionSum(version) <= versionSum(kReferenceVersion);
}

bool isDottedIPv4(std::string_view text) {
    int parts = 0;
    std::size_t i = 0;
    while (true) {
        std::size_t digits = 0;
        int value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
            value = value * 10 + (text[i] - '0');
            ++digits;
            ++i;
        }
        if (digits == 0 || digits > 3 || value > 255) return false;
        ++parts;
        if (parts == 4) return i == text.size();
        if (i >= text.size() || text[i] != '.') return false;
        ++i;
    }
}

std::optional<std::string> upgradeBatchPath(std::string_view programPath, std::string_view ip,
                                            char separator) {
    // The IP comes off the wire; anything but a plain address could name
    // another folder or file.
    if (!isDottedIPv4(ip)) return std::nullopt;
    const std::size_t folderEnd = programPath.rfind(separator);
    if (folderEnd == std::string_view::npos) return std::nullopt;
    const std::string_view folder = programPath.substr(0, folderEnd);
    const std::size_t parentEnd = folder.rfind(separator);
    if (parentEnd == std::string_view::npos) return std::nullopt;

    std::string path(folder.substr(0, parentEnd));
    path += separator;
    path += "2.Kestrel Old Version(v5.00-01l Previous)";
    path += separator;
    path += "Kestrel_R2_Update";
    path += separator;
    path += ip;
    path += "_KestrelUp.bat";
    return path;
}

std::string upgradeBatchContent(std::string_view ip) {
    return "KestrelUp.bat -kestrel " + std::string(ip);
}

}  // namespace kestrel
