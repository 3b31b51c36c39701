#pragma once
// How a scan's rows and the adapter list are printed. Every text goes out
// through output/safe_text.h: escaped for a terminal in a table, guarded
// against formulas in CSV, ASCII-only in JSON.
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "discovery/device_list.h"
#include "transport/adapter.h"

namespace fendrix_cli {

enum class Format { Table, Json, Csv };

// The record's fields under their own names, numbers as numbers.
nlohmann::json recordJson(const kestrel::DeviceRecord& record);
// Array of rows in list order: the ten cells as the list shows them, plus "record".
nlohmann::json rowsJson(const kestrel::DeviceList& devices);

void printRows(std::ostream& out, const kestrel::DeviceList& devices, Format format);
void printAdapters(std::ostream& out, const std::vector<kestrel::AdapterEntry>& adapters,
                   Format format);

}  // namespace fendrix_cli
