#pragma once
// A plan checked whole against one scan before anything is sent: every
// problem with the line of its row, and for every row what its network
// change sends and alters. Problems of the controllers that the plan does
// not touch are warnings; every other problem refuses the plan.
#include <cstddef>
#include <optional>
#include <unordered_map>
#include <vector>

#include "discovery/device_list.h"
#include "discovery/target_replies.h"
#include "site/plan_file.h"
#include "site/settings_change.h"
#include "wire/adapter_entry.h"

namespace kestrel {

// Every scan reply for the controllers of a plan as it arrives: the list
// drops a reply equal to a row by MAC and IP whatever the rest says, and a
// forged reply must not decide what a change sends back to a controller.
class PlanReplies {
public:
    explicit PlanReplies(const PlanFile& plan);
    // Takes any scan reply; those for controllers outside the plan are passed over.
    void see(const DeviceRecord& record);
    // The settings in which replies for the controller disagree.
    CarriedSettings disputed(MacValue mac) const;

private:
    std::unordered_map<MacValue, std::optional<TargetReplies>> replies_;
};

// One row of the plan, ready to send.
struct PlanStep {
    std::size_t line = 0;
    MacValue mac = 0;
    DeviceRecord record;             // the controller as the scan found it
    NetworkChangeValues values;      // what the change sends, credentials aside
    std::vector<SettingDiff> diffs;  // empty: it has the planned settings already
    bool already() const { return diffs.empty(); }
};

struct PlanCheck {
    std::vector<PlanStep> steps;        // in the plan's order
    std::vector<PlanProblem> problems;  // by line; the segment's warnings (line 0) last
    bool refused() const;
};

// `scan` is the device list of the scan that `replies` watched; `adapter`
// the PC's adapter.
PlanCheck checkPlan(const PlanFile& plan, const DeviceList& scan, const PlanReplies& replies,
                    const AdapterEntry& adapter);

// A scan reply from the row's controller that shows its planned settings:
// the row is done.
bool showsPlan(const DeviceRecord& record, const PlanStep& step);

}  // namespace kestrel
