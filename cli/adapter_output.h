#pragma once
// How the adapter list is printed. A scan's rows are written by the core
// (output/device_rows.h), the same bytes as the window's export; both go out
// through output/safe_text.h: escaped for a terminal in a table, guarded
// against formulas in CSV, ASCII-only in JSON.
#include <ostream>
#include <vector>

#include "output/device_rows.h"
#include "transport/adapter.h"

namespace fendrix_cli {

using Format = kestrel::RowFormat;

void printAdapters(std::ostream& out, const std::vector<kestrel::AdapterEntry>& adapters,
                   Format format);

}  // namespace fendrix_cli
