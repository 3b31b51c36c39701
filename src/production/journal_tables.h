#pragma once
// The journal's tables: their layout, creating them in a new file, checking
// an existing one, and reading rows back. Used by the journal (and the
// production run, for the times of its events).
#include <optional>
#include <string>
#include <string_view>

#include "production/journal.h"
#include "production/sqlite_db.h"

namespace kestrel::journal_tables {

inline constexpr int kBusyMs = 5000;  // a reader's checkpoint may hold the file briefly

// The columns readRecord() expects, in its order.
inline constexpr std::string_view kRecordColumns =
    "id, run_id, new_mac, adapter, old_mac, old_ip, oem_index, oem_name, state, allocated_at, "
    "sent_at, request_hex, answered_at, apply_result, apply_status, reply_text, confirmed_at, "
    "outcome";

AllocationState stateNamed(const std::string& name);  // throws JournalError::Open
std::string utcNow();                                 // 2024-05-01T12:00:00.123Z

AllocationRecord readRecord(const SqliteStatement& row);
std::vector<AllocationRecord> readRecords(SqliteDb& db, std::string_view where);
std::optional<MacValue> highestHandedOut(SqliteDb& db);
std::uint64_t leftIn(SqliteDb& db, const MacRange& range);
JournalContents readContents(SqliteDb& db, const std::string& path);

// Creates the tables in an empty file, or checks that an existing journal
// serves this range and brand (JournalError::Mismatch otherwise).
void createOrCheck(SqliteDb& db, const std::string& path, const MacRange& range, int oem_index);

}  // namespace kestrel::journal_tables
