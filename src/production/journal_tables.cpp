#include "production/journal_tables.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "factory/oem_table.h"

namespace kestrel::journal_tables {

namespace {

constexpr int kLayoutVersion = 1;  // PRAGMA user_version of the tables below

constexpr std::string_view kSchema = R"sql(
CREATE TABLE production (
  id          INTEGER PRIMARY KEY CHECK (id = 1),
  first_mac   TEXT NOT NULL,
  last_mac    TEXT NOT NULL,
  oem_index   INTEGER NOT NULL,
  oem_name    TEXT NOT NULL,
  oem_code    TEXT NOT NULL,
  created_at  TEXT NOT NULL
);
CREATE TABLE runs (
  id          INTEGER PRIMARY KEY,
  started_at  TEXT NOT NULL,
  ended_at    TEXT,
  pid         INTEGER NOT NULL,
  host        TEXT NOT NULL
);
CREATE TABLE allocations (
  id            INTEGER PRIMARY KEY,
  run_id        INTEGER NOT NULL REFERENCES runs(id),
  new_mac       TEXT NOT NULL UNIQUE,
  new_mac_value INTEGER NOT NULL UNIQUE,
  adapter       TEXT NOT NULL,
  old_mac       TEXT NOT NULL,
  old_ip        TEXT NOT NULL,
  oem_index     INTEGER NOT NULL,
  oem_name      TEXT NOT NULL,
  state         TEXT NOT NULL CHECK (state IN ('allocated', 'sent', 'answered', 'failed',
                                               'no-answer', 'confirmed', 'unconfirmed')),
  allocated_at  TEXT NOT NULL,
  sent_at       TEXT,
  request_hex   TEXT,
  answered_at   TEXT,
  apply_result  INTEGER,
  apply_status  INTEGER,
  reply_text    TEXT,
  confirmed_at  TEXT,
  outcome       TEXT NOT NULL
);
)sql";

struct StateName {
    AllocationState state;
    std::string_view name;
};
constexpr StateName kStateNames[] = {
    {AllocationState::Allocated, "allocated"},     {AllocationState::Sent, "sent"},
    {AllocationState::Answered, "answered"},       {AllocationState::Failed, "failed"},
    {AllocationState::NoAnswer, "no-answer"},      {AllocationState::Confirmed, "confirmed"},
    {AllocationState::Unconfirmed, "unconfirmed"},
};

int layoutVersion(SqliteDb& db) {
    auto q = db.prepare("PRAGMA user_version");
    q.step();
    return static_cast<int>(q.number(0));
}

}  // namespace

AllocationState stateNamed(const std::string& name) {
    for (const auto& s : kStateNames)
        if (s.name == name) return s.state;
    throw JournalError(JournalError::Kind::Open, "unknown allocation state \"" + name + "\"");
}

std::string utcNow() {
    const auto now = std::chrono::system_clock::now();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t secs = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&secs, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms % 1000));
    return text;
}

AllocationRecord readRecord(const SqliteStatement& q) {
    AllocationRecord r;
    r.id = q.number(0);
    r.run_id = q.number(1);
    r.new_mac = q.text(2);
    r.unit = {q.text(3), q.text(4), q.text(5)};
    r.oem_index = static_cast<int>(q.number(6));
    r.oem_name = q.text(7);
    r.state = stateNamed(q.text(8));
    r.allocated_at = q.text(9);
    r.sent_at = q.text(10);
    r.request_hex = q.text(11);
    r.answered_at = q.text(12);
    if (!q.isNull(13))
        r.answer = ApplyReply{q.text(15), static_cast<std::uint8_t>(q.number(13)),
                              static_cast<std::uint8_t>(q.number(14)),
                              static_cast<std::uint8_t>(r.oem_index)};
    r.confirmed_at = q.text(16);
    r.outcome = q.text(17);
    return r;
}

std::vector<AllocationRecord> readRecords(SqliteDb& db, std::string_view where) {
    auto q = db.prepare("SELECT " + std::string(kRecordColumns) + " FROM allocations " +
                        std::string(where));
    std::vector<AllocationRecord> out;
    while (q.step()) out.push_back(readRecord(q));
    return out;
}

std::optional<MacValue> highestHandedOut(SqliteDb& db) {
    auto q = db.prepare("SELECT MAX(new_mac_value) FROM allocations");
    q.step();
    const auto n = q.maybeNumber(0);
    if (!n) return std::nullopt;
    return static_cast<MacValue>(*n);
}

std::uint64_t leftIn(SqliteDb& db, const MacRange& range) {
    const auto next = nextMacAddress(range, highestHandedOut(db));
    return next ? range.last - *next + 1 : 0;
}

JournalContents readContents(SqliteDb& db, const std::string& path) {
    if (layoutVersion(db) != kLayoutVersion)
        throw JournalError(JournalError::Kind::Open, path + " is not a production journal");
    JournalContents c;
    auto p = db.prepare(
        "SELECT first_mac, last_mac, oem_index, oem_name, oem_code, created_at FROM production");
    if (!p.step()) throw JournalError(JournalError::Kind::Open, path + " holds no range");
    const auto first = parseMacAddress(p.text(0)), last = parseMacAddress(p.text(1));
    if (!first || !last) throw JournalError(JournalError::Kind::Open, path + ": broken range");
    c.range = {*first, *last};
    c.oem_index = static_cast<int>(p.number(2));
    c.oem_name = p.text(3);
    c.oem_code = p.text(4);
    c.created_at = p.text(5);
    auto runs = db.prepare("SELECT id, started_at, ended_at, pid, host FROM runs ORDER BY id");
    while (runs.step())
        c.runs.push_back(
            {runs.number(0), runs.number(3), runs.text(1), runs.text(2), runs.text(4)});
    c.allocations = readRecords(db, "ORDER BY id");
    c.left = leftIn(db, c.range);
    return c;
}

// Creates the tables in an empty file, or checks that an existing journal
// serves this range and brand.
void createOrCheck(SqliteDb& db, const std::string& path, const MacRange& range, int oem_index) {
    SqliteTransaction t(db);
    const int version = layoutVersion(db);
    if (version == 0) {
        auto tables = db.prepare("SELECT COUNT(*) FROM sqlite_master");
        tables.step();
        if (tables.number(0) != 0)
            throw JournalError(JournalError::Kind::Open,
                               path + " is a database but not a production journal");
        db.exec(kSchema);
        db.prepare(
              "INSERT INTO production (id, first_mac, last_mac, oem_index, oem_name, oem_code, "
              "created_at) VALUES (1, ?1, ?2, ?3, ?4, ?5, ?6)")
            .bind(1, macAddressText(range.first))
            .bind(2, macAddressText(range.last))
            .bind(3, std::int64_t{oem_index})
            .bind(4, oemName(oem_index))
            .bind(5, oemCode(oem_index))
            .bind(6, utcNow())
            .run();
        db.exec("PRAGMA user_version = " + std::to_string(kLayoutVersion));
    } else if (version != kLayoutVersion) {
        throw JournalError(JournalError::Kind::Open,
                           path + " has journal layout " + std::to_string(version) +
                               "; this program reads layout " + std::to_string(kLayoutVersion));
    } else {
        const JournalContents had = readContents(db, path);
        if (had.range != range || had.oem_index != oem_index)
            throw JournalError(
                JournalError::Kind::Mismatch,
                "journal " + path + " was made for MACs " + had.range.text() + " and brand " +
                    had.oem_name + ", not " + range.text() + " and " +
                    std::string(oemName(oem_index)) +
                    ": a journal serves one range and one brand; use a new journal file");
    }
    t.commit();
}

}  // namespace kestrel::journal_tables

namespace kestrel {

std::string_view stateName(AllocationState state) {
    for (const auto& s : journal_tables::kStateNames)
        if (s.state == state) return s.name;
    return {};
}

}  // namespace kestrel
