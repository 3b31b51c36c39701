#pragma once
// An address plan as an installer keeps it in a spreadsheet: a CSV file with
// a header row naming its columns, one controller per row. Column mac names
// the controller (any MAC spelling); the optional columns mode (static or
// dhcp), ip, mask, gateway, dns1, dns2, server_ip, http_port, https_port and
// https (on or off) give its new settings. An empty or missing cell keeps the
// controller's value.
#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "discovery/device_list.h"
#include "site/settings_change.h"
#include "wire/address_text.h"

namespace kestrel {

struct PlanRow {
    std::size_t line = 0;  // in the file; the header is line 1
    MacValue mac = 0;
    SettingsChange change;
};

// A problem of a plan, tied to the line of its row; line 0 for one of the
// segment that no row of the plan names. A warning refuses nothing.
struct PlanProblem {
    std::size_t line = 0;
    bool error = true;
    std::string text;
    bool operator==(const PlanProblem&) const = default;
};

struct PlanFile {
    std::vector<PlanRow> rows;  // every row whose cells all read
    std::vector<PlanProblem> problems;
};

// Reads a plan. A UTF-8 byte-order mark reads like none; column names are
// read in any letter case; cells are quoted per RFC 4180 where they need it;
// a header without commas but with semicolons (a spreadsheet set to a
// decimal comma saves so) separates by semicolons. Blank rows and lines
// starting with '#' are skipped. Unknown or repeated columns, a missing mac
// column, a cell that does not read, a MAC twice in the plan, and a plan
// without rows are problems.
PlanFile readPlan(std::istream& in);

// The settings of every row of a scan as a plan to edit in a spreadsheet,
// header first. A DHCP controller's address cells stay empty: its server
// gives them.
void writePlan(std::ostream& out, const DeviceList& rows);

}  // namespace kestrel
