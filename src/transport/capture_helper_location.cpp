#include "transport/capture_helper_location.h"

#include <filesystem>
#include <system_error>

namespace kestrel {

namespace fs = std::filesystem;

std::vector<std::string> captureHelperCandidates(std::string_view programDir) {
    const fs::path dir(programDir);
    std::vector<std::string> out;
    for (const char* relative : {"../libexec/fendrix/fendrix-capture", "../capture/fendrix-capture",
                                 "../../capture/fendrix-capture", "fendrix-capture"})
        out.push_back((dir / relative).lexically_normal().string());
    return out;
}

std::optional<std::string> findCaptureHelper(std::string_view programDir) {
    if (programDir.empty()) return std::nullopt;
    for (auto& candidate : captureHelperCandidates(programDir)) {
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec)) return candidate;
    }
    return std::nullopt;
}

std::string runningProgramDir() {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return self.parent_path().string();
}

}  // namespace kestrel
