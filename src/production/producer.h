#pragma once
// A production run: every new controller on the line gets the next free MAC
// address of the journal's range and the run's brand, one unit at a time.
// Per unit: allocate (journalled before anything is sent), send the OEM/MAC
// request, wait for that controller's own answer, confirm by scanning that
// the new address answers. Allocations an earlier run left unfinished are
// settled first, by scanning; their addresses are never handed out again.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "production/journal.h"
#include "production/production_link.h"

namespace kestrel {

enum class ProductionStep {
    Watching,   // the first scan is in: what was on the line then is no new unit
    Pending,    // an earlier run's allocation, about to be settled
    Unit,       // a new controller on the line
    Allocated,  // journal steps of one allocation, as the journal names them
    Sent,
    Answered,
    Failed,
    NoAnswer,
    Confirmed,
    Unconfirmed,
    Skipped,     // a controller left alone, and why
    GaveUp,      // a unit that failed every attempt it gets while it stays in view
    Exhausted,   // the range is used up
    Error,       // the segment or the journal failed; the run ends
    Suspicious,  // units in a row never answered: perhaps made up; the run ends
};
std::string_view stepName(ProductionStep step);  // "pending", "no-answer", "gave-up", ...

struct ProductionEvent {
    std::string time;  // UTC, as the journal writes its times
    ProductionStep step = ProductionStep::Unit;
    std::string unit_mac, unit_ip;  // the controller as it was found
    std::string new_mac;            // once allocated
    std::int64_t allocation = 0;    // the journal's id, 0 before
    std::string detail;             // the answer, the reason, the message
};

struct ProducerSettings {
    int oem_index = 1;
    std::string adapter;      // recorded with every allocation
    std::string adapter_mac;  // the requests' sender
    // Which controllers are new units. Anyone on the segment can answer a
    // scan as a made-up controller, so a run trusts only these:
    // - one carrying a factory MAC of `expect`, also one that was on the line
    //   before the run began, and also when many units share that MAC;
    // - one whose MAC begins with a prefix of `expect_prefixes` (the maker's
    //   OUI), also one that was there before, unless the journal gave it an
    //   address that took;
    // - with `any_unit`, any controller plugged in while the run watches that
    //   the journal does not know.
    // With none of them, no controller is a new unit.
    std::set<MacValue> expect;
    std::vector<MacPrefix> expect_prefixes;
    bool any_unit = false;
    int attempts = 2;       // requests a unit gets while it stays in view
    int confirm_scans = 5;  // scans that may pass until the new MAC answers
    // Units in a row that never answered (no answer to any request, the new
    // MAC never seen) after which the run stops: made-up units answer
    // nothing, and each would burn addresses of the range.
    int silent_units_limit = 3;
};

enum class ProductionEnd {
    Stopped,     // stop() was called
    Exhausted,   // no address left in the range
    NoNetwork,   // a scan or a request could not be sent
    Journal,     // the journal failed underway
    Suspicious,  // silent_units_limit units in a row never answered
};

class Producer {
public:
    using EventSink = std::function<void(const ProductionEvent&)>;
    Producer(Journal& journal, ProductionLink& link, ProducerSettings settings, EventSink onEvent);

    // Runs until stop(), the range's end, or a failure of the segment or the
    // journal (said by an Error event).
    ProductionEnd run();
    // From any thread: the run ends before its next unit. True when a unit
    // is in hand, which the run finishes first (its waits must then go on).
    bool stop();

private:
    struct Outcome {
        bool ok = true;
        ProductionEnd end = ProductionEnd::Stopped;
    };
    bool beginUnit();
    void endUnit();
    void emit(ProductionStep step, const MacAllocation* a, std::string detail = {},
              const SeenController* unit = nullptr);
    // Scans; false (and an Error event) when the scan could not be sent.
    bool look();
    std::vector<SeenController> newUnits();
    void skipOnce(const SeenController& c, const std::string& why);
    Outcome produce(const SeenController& unit);
    // Counts the unit towards the units in a row that never answered, or
    // ends the row when it answered; stops the run at the limit.
    Outcome suspectSilence(const SeenController& unit, bool answered);
    // Confirmed when a scan shows the new MAC; unconfirmed when the scans
    // run out or, unless the controller said it applied, its old MAC answers.
    Outcome confirm(MacAllocation& a);

    Journal& journal_;
    ProductionLink& link_;
    ProducerSettings settings_;
    EventSink onEvent_;
    std::vector<SeenController> view_;     // the last scan's controllers
    std::map<std::string, int> attempts_;  // by lower-case MAC, while in view
    std::set<std::string> reported_;       // skipped or given up, while in view
    std::set<std::string> before_;         // on the line at the first scan, while in view
    std::set<std::string> silent_;         // units since the last one that answered
    bool watching_ = false;                // the first scan is in
    std::mutex mutex_;
    bool stopping_ = false, inUnit_ = false;  // guarded by mutex_
};

}  // namespace kestrel
