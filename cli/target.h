#pragma once
// Finding the controller a command is for among the rows of a scan.
#include <optional>
#include <string>

#include "discovery/device_list.h"

namespace fendrix_cli {

// The row whose MAC text (any letter case) or IP text equals `target`.
// Nothing when no row or more than one row matches; `problem` says which.
std::optional<kestrel::DeviceRecord> findTarget(const kestrel::DeviceList& devices,
                                                const std::string& target, std::string& problem);

}  // namespace fendrix_cli
