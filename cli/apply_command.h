#pragma once
// apply: writes an OEM brand and a MAC address into controllers, one at a
// time, and reports each answer.
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "command_support.h"

namespace fendrix_cli {

struct ApplyJob {
    std::string target;
    int oem_index = 0;
    std::string brand;    // as the operator named it
    std::string new_mac;  // normalised
    std::string problem;  // set when the job cannot be sent
};

// Brand by name ("MARLO #1"), code ("MARLO1") or number 1..7, any letter case.
std::optional<int> oemIndexFor(const std::string& brand);
// A job from its three texts; problem set when the brand or MAC is refused.
ApplyJob makeApplyJob(const std::string& target, const std::string& brand, const std::string& mac);
// Rows "target,brand,new MAC"; blank lines, lines starting with '#' and a
// first line naming the columns are skipped. Quoted fields may hold commas.
std::vector<ApplyJob> readApplyCsv(std::istream& in);

int runApply(Session& session, const ApplyJob& job, const Timing& timing);
int runApplyBatch(Session& session, const std::vector<ApplyJob>& jobs, const Timing& timing);

}  // namespace fendrix_cli
