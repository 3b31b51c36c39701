#include "production/journal_export.h"

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "output/csv_row.h"
#include "output/safe_text.h"

namespace kestrel {

namespace {

// Keys stay in the order written here, which is the order of the CSV columns.
using json = nlohmann::ordered_json;

json textOrNull(const std::string& text) { return text.empty() ? json(nullptr) : json(text); }

json allocationJson(const AllocationRecord& r) {
    return {{"id", r.id},
            {"run", r.run_id},
            {"state", stateName(r.state)},
            {"needs_confirmation", awaitsConfirmation(r.state)},
            {"new_mac", r.new_mac},
            {"old_mac", r.unit.old_mac},
            {"old_ip", r.unit.old_ip},
            {"adapter", r.unit.adapter},
            {"oem_index", r.oem_index},
            {"oem_name", r.oem_name},
            {"allocated_at", r.allocated_at},
            {"sent_at", textOrNull(r.sent_at)},
            {"answered_at", textOrNull(r.answered_at)},
            {"apply_result", r.answer ? json(r.answer->result) : json(nullptr)},
            {"apply_status", r.answer ? json(r.answer->apply_status) : json(nullptr)},
            {"reply_text", r.answer ? json(r.answer->reply_text) : json(nullptr)},
            {"confirmed_at", textOrNull(r.confirmed_at)},
            {"outcome", r.outcome},
            {"request_hex", textOrNull(r.request_hex)}};
}

void writeJson(std::ostream& out, const JournalContents& c) {
    json runs = json::array();
    for (const auto& r : c.runs)
        runs.push_back({{"id", r.id},
                        {"started_at", r.started_at},
                        {"ended_at", textOrNull(r.ended_at)},
                        {"pid", r.pid},
                        {"host", r.host}});
    json allocations = json::array();
    for (const auto& a : c.allocations) allocations.push_back(allocationJson(a));
    const json doc = {{"first_mac", macAddressText(c.range.first)},
                      {"last_mac", macAddressText(c.range.last)},
                      {"count", c.range.count()},
                      {"left", c.left},
                      {"oem_index", c.oem_index},
                      {"oem_name", c.oem_name},
                      {"oem_code", c.oem_code},
                      {"created_at", c.created_at},
                      {"runs", std::move(runs)},
                      {"allocations", std::move(allocations)}};
    // Texts from controllers may hold any byte.
    out << jsonText(doc) << '\n';
}

void writeCsv(std::ostream& out, const JournalContents& c) {
    writeCsvRow(
        out, {"id", "run", "state", "needs_confirmation", "new_mac", "old_mac", "old_ip", "adapter",
              "oem_index", "oem_name", "allocated_at", "sent_at", "answered_at", "apply_result",
              "apply_status", "reply_text", "confirmed_at", "outcome", "request_hex"});
    const auto number = [](const std::optional<ApplyReply>& a, bool status) {
        return a ? std::to_string(status ? a->apply_status : a->result) : std::string();
    };
    for (const auto& r : c.allocations)
        writeCsvRow(
            out, {std::to_string(r.id), std::to_string(r.run_id), std::string(stateName(r.state)),
                  awaitsConfirmation(r.state) ? "yes" : "no", r.new_mac, r.unit.old_mac,
                  r.unit.old_ip, r.unit.adapter, std::to_string(r.oem_index), r.oem_name,
                  r.allocated_at, r.sent_at, r.answered_at, number(r.answer, false),
                  number(r.answer, true), r.answer ? r.answer->reply_text : std::string(),
                  r.confirmed_at, r.outcome, r.request_hex});
}

}  // namespace

void writeJournal(std::ostream& out, const JournalContents& journal, JournalFormat format) {
    if (format == JournalFormat::Json) writeJson(out, journal);
    else writeCsv(out, journal);
}

}  // namespace kestrel
