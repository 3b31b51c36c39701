#include "factory/upgrade_file.h"

#include "wire/address_text.h"

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

std::optional<std::string> upgradeBatchPath(std::string_view programPath, std::string_view ip,
                                            char separator) {
    // The IP comes off the wire; anything but a plain address could name
    // another folder or file.
    if (!isCanonicalIPv4(ip)) return std::nullopt;
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
