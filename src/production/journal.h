#pragma once
// The production journal: which MAC address of the range went to which
// controller. An SQLite database in WAL mode, written one committed step at a
// time, so that a run killed at any moment leaves a journal that the next run
// resumes from without handing out any recorded address again.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "factory/apply_reply.h"
#include "production/mac_range.h"

namespace kestrel {

class ExclusiveFileLock;
class SqliteDb;

// allocated -> sent -> answered | failed | no-answer -> confirmed | unconfirmed
enum class AllocationState { Allocated, Sent, Answered, Failed, NoAnswer, Confirmed, Unconfirmed };
std::string_view stateName(AllocationState state);  // as stored: "allocated", "no-answer", ...
// Not known to have ended: the address may or may not be on a controller.
bool awaitsConfirmation(AllocationState state);

// The controller as a scan found it, and the adapter it was found on.
struct ProductionUnit {
    std::string adapter, old_mac, old_ip;
};

struct AllocationRecord {
    std::int64_t id = 0, run_id = 0;  // id: order of allocation
    std::string new_mac;              // lower case, colons
    ProductionUnit unit;
    int oem_index = 0;
    std::string oem_name;
    AllocationState state = AllocationState::Allocated;
    std::string allocated_at, sent_at, request_hex, answered_at, confirmed_at;  // "" when not yet
    // The controller's answer (factory/apply_outcome.h says what it means).
    // The journal keeps its result, status and text; read back, its OEM index
    // is the allocation's.
    std::optional<ApplyReply> answer;
    std::string outcome;  // what the operator is told
};

struct JournalRun {
    std::int64_t id = 0, pid = 0;
    std::string started_at, ended_at, host;  // ended_at "": killed, or still running
};

struct JournalContents {
    MacRange range;
    int oem_index = 0;
    std::string oem_name, oem_code, created_at;
    std::vector<JournalRun> runs;
    std::vector<AllocationRecord> allocations;
    std::uint64_t left = 0;  // addresses not yet handed out
};

struct JournalError : std::runtime_error {
    enum class Kind {
        Open,       // the file cannot be opened, or is no production journal
        Locked,     // another process has the journal open
        Mismatch,   // made for another range or brand
        Exhausted,  // every address of the range has been handed out
        Misuse,     // a step out of order
        Storage,    // SQLite failed underway
    };
    JournalError(Kind k, const std::string& message) : std::runtime_error(message), kind(k) {}
    Kind kind;
};

class Journal;

// One address handed out. The only way to the address's text, so a request
// can carry no address that the journal has not recorded first.
class MacAllocation {
public:
    MacAllocation(MacAllocation&&) noexcept = default;
    MacAllocation& operator=(MacAllocation&&) noexcept = default;

    std::int64_t id() const { return record_.id; }
    const std::string& newMac() const { return record_.new_mac; }
    const ProductionUnit& unit() const { return record_.unit; }
    AllocationState state() const { return record_.state; }
    const std::string& outcome() const { return record_.outcome; }  // as the journal words it
    // Left unfinished by an earlier run: only its confirmation can be recorded.
    bool resumed() const { return resumed_; }

private:
    friend class Journal;
    MacAllocation(const Journal* owner, AllocationRecord record, bool resumed)
        : owner_(owner), record_(std::move(record)), resumed_(resumed) {}

    const Journal* owner_;
    AllocationRecord record_;
    bool resumed_;
};

class Journal {
public:
    // Opens the journal at `path` for this range and brand (creating it when
    // the file is missing or empty) and starts a run in it. The journal stays
    // locked against every other opener until this object goes.
    // Throws JournalError: Locked, Mismatch, Open or Storage.
    Journal(const std::string& path, const MacRange& range, int oem_index);
    ~Journal();  // ends the run
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    const std::string& path() const { return path_; }
    std::int64_t runId() const { return run_id_; }
    const MacRange& range() const { return range_; }

    // The next address of the range, recorded before it is returned.
    // Throws JournalError::Exhausted when none is left.
    MacAllocation allocate(const ProductionUnit& unit);
    // The OEM/MAC request has been sent; it must carry the allocation's address.
    void recordSent(MacAllocation& allocation, std::span<const std::uint8_t> request);
    // The controller answered, or the wait for its answer ended.
    void recordAnswer(MacAllocation& allocation, const ApplyReply& answer);
    void recordNoAnswer(MacAllocation& allocation);
    // Whether a scan saw the new address answer.
    void recordConfirmation(MacAllocation& allocation, bool seen);

    // Allocations that earlier runs left in allocated, sent, answered or
    // no-answer: each must be confirmed by a scan (or flagged unconfirmed);
    // their addresses are never handed out again either way.
    std::vector<MacAllocation> needsConfirmation();

    // The latest allocation whose new or old MAC is this text (any case).
    std::optional<AllocationRecord> findByMac(std::string_view mac) const;
    std::map<AllocationState, std::uint64_t> stateCounts() const;
    std::uint64_t left() const;
    JournalContents contents() const;

private:
    // One committed step from one of the `from` states; `change` fills in the rest.
    void step(MacAllocation& allocation, std::initializer_list<AllocationState> from,
              const std::function<void(AllocationRecord&)>& change);

    std::string path_;
    MacRange range_;
    int oem_index_;
    std::unique_ptr<ExclusiveFileLock> lock_;  // released after the database is closed
    std::unique_ptr<SqliteDb> db_;
    std::int64_t run_id_ = 0;
};

// The whole journal, read without taking the run's lock (a run may go on
// meanwhile). Throws JournalError::Open when it cannot be read.
JournalContents readJournal(const std::string& path);

}  // namespace kestrel
