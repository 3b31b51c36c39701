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

// A "MAC Address" cell as the clipboard takes it: only what a MAC text may
// hold (hexadecimal digits, colons and hyphens), in the cell's order. The
// sender field is the controller's to fill: control characters and anything
// else in it stay out of other programs.
std::string macTextCharacters(std::string_view cell);

}  // namespace kestrel
