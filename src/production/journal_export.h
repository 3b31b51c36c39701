#pragma once
// The journal as CSV (one row per allocation) or JSON (range, runs and
// allocations), for audits and for the people who label the units.
#include <ostream>
#include <string>
#include <string_view>

#include "production/journal.h"

namespace kestrel {

enum class JournalFormat { Csv, Json };

void writeJournal(std::ostream& out, const JournalContents& journal, JournalFormat format);

// One CSV cell: quoted per RFC 4180 when it holds a comma, quote or line
// break, and a leading =, +, -, @, tab or CR made inert with a ' so that a
// spreadsheet never reads a controller's text as a formula.
std::string csvCell(std::string_view text);

}  // namespace kestrel
