#pragma once
// The journal as CSV (one row per allocation) or JSON (range, runs and
// allocations), for audits and for the people who label the units. Cells and
// texts go out through output/safe_text.h, like fendrix-cli's scan output.
#include <ostream>
#include <string>
#include <string_view>

#include "production/journal.h"

namespace kestrel {

enum class JournalFormat { Csv, Json };

void writeJournal(std::ostream& out, const JournalContents& journal, JournalFormat format);

}  // namespace kestrel
