#pragma once
// apply: writes an OEM brand and a MAC address into controllers, one at a
// time, and reports each answer.
#include <vector>

#include "command_support.h"
#include "factory/apply_batch.h"

namespace fendrix_cli {

using kestrel::ApplyJob;

int runApply(Session& session, const ApplyJob& job, const Timing& timing);
int runApplyBatch(Session& session, const std::vector<ApplyJob>& jobs, const Timing& timing);

}  // namespace fendrix_cli
