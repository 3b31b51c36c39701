#include "production/journal.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "factory/apply_outcome.h"
#include "factory/oem_mac_request.h"
#include "factory/oem_table.h"
#include "production/file_lock.h"
#include "production/journal_tables.h"
#include "production/sqlite_db.h"
#include "wire/address_text.h"
#include "wire/byte_io.h"
#include "wire/protocol.h"
#include "wire/result_reply.h"

namespace kestrel {

using namespace journal_tables;

namespace {

std::string hexText(std::span<const std::uint8_t> bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 0x0F];
    }
    return out;
}

std::string hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string outcomeOf(const AllocationRecord& r) {
    std::string said = r.answer                ? applyOutcome(*r.answer).text
                       : r.answered_at.empty() ? (r.sent_at.empty() ? "request not recorded as sent"
                                                                    : "no answer recorded")
                                               : "no answer";
    switch (r.state) {
    case AllocationState::Allocated: return "address allocated, request not sent yet";
    case AllocationState::Sent: return "request sent, no answer yet";
    case AllocationState::Answered: return said + "; new MAC not seen yet";
    case AllocationState::Failed: return said;
    case AllocationState::NoAnswer: return "no answer; new MAC not seen yet";
    case AllocationState::Confirmed: return said + "; new MAC seen: done";
    case AllocationState::Unconfirmed: return said + "; new MAC not seen: check this unit";
    }
    return said;
}

}  // namespace

bool awaitsConfirmation(AllocationState state) {
    return state == AllocationState::Allocated || state == AllocationState::Sent ||
           state == AllocationState::Answered || state == AllocationState::NoAnswer;
}

Journal::Journal(const std::string& path, const MacRange& range, int oem_index)
    : path_(path), range_(range), oem_index_(oem_index) {
    if (oemName(oem_index).empty())
        throw JournalError(JournalError::Kind::Misuse,
                           "no brand for OEM index " + std::to_string(oem_index));
    lock_ = std::make_unique<ExclusiveFileLock>(path);
    if (lock_->busy())
        throw JournalError(
            JournalError::Kind::Locked,
            "journal " + path + " is in use by another process: one run at a time per journal");
    if (!lock_->held())
        throw JournalError(JournalError::Kind::Open,
                           "cannot open journal " + path + ": " + lock_->error());
    try {
        db_ = std::make_unique<SqliteDb>(path, false, kBusyMs);
        {
            auto mode = db_->prepare("PRAGMA journal_mode = WAL");
            if (!mode.step() || mode.text(0) != "wal")
                throw JournalError(JournalError::Kind::Open,
                                   "journal " + path + ": the file system does not allow WAL mode");
        }
        // Every committed step reaches the disk before the next request goes out.
        db_->exec("PRAGMA synchronous = FULL; PRAGMA foreign_keys = ON");
        createOrCheck(*db_, path, range, oem_index);
        db_->prepare("INSERT INTO runs (started_at, pid, host) VALUES (?1, ?2, ?3)")
            .bind(1, utcNow())
            .bind(2, std::int64_t{getpid()})
            .bind(3, hostName())
            .run();
        run_id_ = db_->lastInsertId();
    } catch (const SqliteError& e) {
        throw JournalError(JournalError::Kind::Open, "journal " + path + ": " + e.what());
    }
}

Journal::~Journal() {
    try {
        db_->prepare("UPDATE runs SET ended_at = ?1 WHERE id = ?2")
            .bind(1, utcNow())
            .bind(2, run_id_)
            .run();
    } catch (const SqliteError&) {
        // The run then reads as killed, which is the safe reading.
    }
}

MacAllocation Journal::allocate(const ProductionUnit& unit) {
    try {
        SqliteTransaction t(*db_);
        const auto next = nextMacAddress(range_, highestHandedOut(*db_));
        if (!next)
            throw JournalError(JournalError::Kind::Exhausted,
                               "the MAC range " + range_.text() + " is used up: all " +
                                   std::to_string(range_.count()) +
                                   " addresses have been handed out (journal " + path_ + ")");
        AllocationRecord r;
        r.run_id = run_id_;
        r.new_mac = macAddressText(*next);
        r.unit = unit;
        r.oem_index = oem_index_;
        r.oem_name = std::string(oemName(oem_index_));
        r.allocated_at = utcNow();
        r.outcome = outcomeOf(r);
        db_->prepare(
               "INSERT INTO allocations (run_id, new_mac, new_mac_value, adapter, old_mac, "
               "old_ip, oem_index, oem_name, state, allocated_at, outcome) "
               "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)")
            .bind(1, run_id_)
            .bind(2, r.new_mac)
            .bind(3, static_cast<std::int64_t>(*next))
            .bind(4, unit.adapter)
            .bind(5, unit.old_mac)
            .bind(6, unit.old_ip)
            .bind(7, std::int64_t{oem_index_})
            .bind(8, r.oem_name)
            .bind(9, stateName(r.state))
            .bind(10, r.allocated_at)
            .bind(11, r.outcome)
            .run();
        r.id = db_->lastInsertId();
        t.commit();
        return MacAllocation(this, std::move(r), false);
    } catch (const SqliteError& e) {
        throw JournalError(JournalError::Kind::Storage, "journal " + path_ + ": " + e.what());
    }
}

void Journal::recordSent(MacAllocation& a, std::span<const std::uint8_t> request) {
    const ByteReader reader(request);
    const auto carried = reader.text(oem_mac::NewMac, oem_mac::NewMacWidth);
    if (reader.u8(hdr::Command) != cmd::OemMac || !carried || lowerText(*carried) != a.newMac())
        throw JournalError(JournalError::Kind::Misuse,
                           "the request sent does not carry the allocated MAC " + a.newMac());
    step(a, {AllocationState::Allocated}, [&](AllocationRecord& r) {
        r.state = AllocationState::Sent;
        r.sent_at = utcNow();
        r.request_hex = hexText(request);
    });
}

void Journal::recordAnswer(MacAllocation& a, const ApplyReply& answer) {
    step(a, {AllocationState::Sent}, [&](AllocationRecord& r) {
        r.state =
            applyOutcome(answer).applied ? AllocationState::Answered : AllocationState::Failed;
        r.answered_at = utcNow();
        r.answer = answer;
    });
}

void Journal::recordNoAnswer(MacAllocation& a) {
    step(a, {AllocationState::Sent}, [&](AllocationRecord& r) {
        r.state = AllocationState::NoAnswer;
        r.answered_at = utcNow();
    });
}

void Journal::recordConfirmation(MacAllocation& a, bool seen) {
    const auto confirm = [&](AllocationRecord& r) {
        r.state = seen ? AllocationState::Confirmed : AllocationState::Unconfirmed;
        r.confirmed_at = utcNow();
    };
    using S = AllocationState;
    // An earlier run may have stopped at any step; this run's own allocations
    // are confirmed once their answer, or its absence, is known.
    if (a.resumed()) step(a, {S::Allocated, S::Sent, S::Answered, S::NoAnswer}, confirm);
    else step(a, {S::Answered, S::Failed, S::NoAnswer}, confirm);
}

void Journal::step(MacAllocation& a, std::initializer_list<AllocationState> from,
                   const std::function<void(AllocationRecord&)>& change) {
    if (a.owner_ != this)
        throw JournalError(JournalError::Kind::Misuse, "an allocation of another journal");
    const AllocationState was = a.state();
    if (std::find(from.begin(), from.end(), was) == from.end())
        throw JournalError(JournalError::Kind::Misuse,
                           "allocation " + std::to_string(a.id()) + " of " + a.newMac() + " is " +
                               std::string(stateName(was)) +
                               (a.resumed() ? " (from an earlier run)" : "") +
                               ": that step does not follow");
    AllocationRecord next = a.record_;
    change(next);
    next.outcome = outcomeOf(next);
    try {
        SqliteTransaction t(*db_);
        db_->prepare(
               "UPDATE allocations SET state = ?1, sent_at = ?2, request_hex = ?3, "
               "answered_at = ?4, apply_result = ?5, apply_status = ?6, reply_text = ?7, "
               "confirmed_at = ?8, outcome = ?9 WHERE id = ?10 AND state = ?11")
            .bind(1, stateName(next.state))
            .bind(2, next.sent_at)
            .bind(3, next.request_hex)
            .bind(4, next.answered_at)
            .bind(5, next.answer ? std::optional<std::int64_t>(next.answer->result) : std::nullopt)
            .bind(6, next.answer ? std::optional<std::int64_t>(next.answer->apply_status)
                                 : std::nullopt)
            .bind(7, next.answer ? next.answer->reply_text : std::string())
            .bind(8, next.confirmed_at)
            .bind(9, next.outcome)
            .bind(10, next.id)
            .bind(11, stateName(was))
            .run();
        // The row is the truth: a second handle of one allocation cannot
        // take a step the first one took already.
        if (db_->changes() != 1)
            throw JournalError(JournalError::Kind::Misuse, "allocation " + std::to_string(a.id()) +
                                                               " is no longer " +
                                                               std::string(stateName(was)));
        t.commit();
    } catch (const SqliteError& e) {
        throw JournalError(JournalError::Kind::Storage, "journal " + path_ + ": " + e.what());
    }
    a.record_ = std::move(next);
}

std::vector<MacAllocation> Journal::needsConfirmation() {
    std::vector<MacAllocation> out;
    try {
        auto q = db_->prepare("SELECT " + std::string(kRecordColumns) +
                              " FROM allocations WHERE run_id <> ?1 AND state IN ('allocated', "
                              "'sent', 'answered', 'no-answer') ORDER BY id");
        q.bind(1, run_id_);
        while (q.step()) out.push_back(MacAllocation(this, readRecord(q), true));
    } catch (const SqliteError& e) {
        throw JournalError(JournalError::Kind::Storage, "journal " + path_ + ": " + e.what());
    }
    return out;
}

std::optional<AllocationRecord> Journal::findByMac(std::string_view mac) const {
    auto q = db_->prepare("SELECT " + std::string(kRecordColumns) +
                          " FROM allocations WHERE new_mac = ?1 OR lower(old_mac) = ?1 "
                          "ORDER BY id DESC LIMIT 1");
    q.bind(1, lowerText(mac));
    if (!q.step()) return std::nullopt;
    return readRecord(q);
}

std::map<AllocationState, std::uint64_t> Journal::stateCounts() const {
    std::map<AllocationState, std::uint64_t> out;
    auto q = db_->prepare("SELECT state, COUNT(*) FROM allocations GROUP BY state");
    while (q.step()) out[stateNamed(q.text(0))] = static_cast<std::uint64_t>(q.number(1));
    return out;
}

std::uint64_t Journal::left() const { return leftIn(*db_, range_); }

JournalContents Journal::contents() const { return readContents(*db_, path_); }

JournalContents readJournal(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw JournalError(JournalError::Kind::Open, "no journal file " + path);
    try {
        SqliteDb db(path, true, kBusyMs);
        db.exec("BEGIN");  // one consistent picture while a run may write
        return readContents(db, path);
    } catch (const SqliteError& e) {
        throw JournalError(JournalError::Kind::Open,
                           "cannot read journal " + path + ": " + e.what());
    }
}

}  // namespace kestrel
