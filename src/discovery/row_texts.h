#pragma once
// The texts a device-list row shows, derived from its record.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "discovery/device_record.h"

namespace kestrel {

std::string_view productName(std::uint16_t hardwareModel);  // "Product" column
std::string_view editionName(std::uint16_t edition);        // "Model" column

// The cell of `column` for the row at `rowIndex` (0-based; "No" shows rowIndex + 1).
std::string cellText(const DeviceRecord& record, Column column, std::size_t rowIndex);

}  // namespace kestrel
