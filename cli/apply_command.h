#pragma once
// apply: writes an OEM brand and a MAC address into controllers, one at a
// time, and reports each answer.
#include <optional>
#include <string>
#include <vector>

#include "command_support.h"
#include "factory/apply_batch.h"

namespace fendrix_cli {

using kestrel::ApplyJob;

// Two rows of a batch that name one controller (by MAC and by IP, say), as a
// message; the records are the rows' targets in the scan, where found.
std::optional<std::string> sameControllerRows(
    const std::vector<ApplyJob>& jobs,
    const std::vector<std::optional<kestrel::DeviceRecord>>& records);

int runApply(Session& session, const ApplyJob& job, const Timing& timing);
int runApplyBatch(Session& session, const std::vector<ApplyJob>& jobs, const Timing& timing);

}  // namespace fendrix_cli
