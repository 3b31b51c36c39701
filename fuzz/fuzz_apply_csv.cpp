// Any bytes as a production batch file: every row becomes a job that is
// either refused with a reason or complete, and the repeated-MAC check holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>

#include "factory/apply_batch.h"
#include "wire/address_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const auto jobs = kestrel::readApplyCsv(in);
    std::set<std::string> macs;
    bool repeated = false;
    std::size_t lastLine = 0;
    for (const auto& job : jobs) {
        if (job.line <= lastLine) std::abort();  // rows keep their file order
        lastLine = job.line;
        if (!job.problem.empty()) continue;
        if (job.oem_index < 1 || job.oem_index > 7 || job.target.empty()) std::abort();
        if (!job.new_mac.empty() && job.new_mac.size() != 17) std::abort();
        if (!job.new_mac.empty() && !macs.insert(kestrel::upperText(job.new_mac)).second)
            repeated = true;
    }
    if (kestrel::repeatedNewMac(jobs).has_value() != repeated) std::abort();
    return 0;
}
