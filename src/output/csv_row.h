#pragma once
// One line of CSV: each cell through csvField, commas between them, LF at the end.
#include <ostream>
#include <string>
#include <vector>

namespace kestrel {

void writeCsvRow(std::ostream& out, const std::vector<std::string>& cells);

}  // namespace kestrel
