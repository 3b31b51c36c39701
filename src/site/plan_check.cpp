#include "site/plan_check.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

#include "site/segment_check.h"

namespace kestrel {

namespace {

std::string joined(const std::vector<std::string>& texts, const char* last = " and ") {
    std::string out;
    for (std::size_t i = 0; i < texts.size(); ++i)
        out += (i == 0 ? "" : i + 1 == texts.size() ? last : ", ") + texts[i];
    return out;
}

std::string lineText(std::size_t line) { return "line " + std::to_string(line); }

// What the row's own settings say of themselves: address, mask, gateway.
void checkOwnSettings(const PlanStep& step, const SettingsChange& change,
                      const AdapterEntry& adapter, std::vector<std::string>& found) {
    const NetworkChangeValues& v = step.values;
    if (!v.is_static) {
        if (change.ip || change.mask || change.gateway || change.dns1 || change.dns2)
            found.emplace_back(
                "ip, mask, gateway, dns1 and dns2 are given, but the mode is dhcp (its server "
                "gives them): set mode to static or leave them empty");
        return;
    }
    const auto ip = ipv4Value(v.new_ip);
    if (!ip) return;
    if (ipv4Value(adapter.ip_text) == ip)
        found.push_back("ip " + v.new_ip + " is this PC's own address (adapter " +
                        adapter.description + ")");
    if (isLinkLocal(*ip))
        found.push_back("ip " + v.new_ip +
                        " is link-local (169.254.0.0/16), what a controller takes when no DHCP "
                        "server answers: give the row an ip");
    const auto prefix = maskPrefix(v.subnet_mask);
    if (auto problem = maskProblem(v.subnet_mask)) found.push_back(std::move(*problem));
    else if (prefix == 0) found.emplace_back("mask 0.0.0.0 is no subnet mask");
    else if (prefix && *prefix <= 30) {
        const std::uint32_t host = ~(~std::uint32_t{0} << (32 - *prefix));
        if ((*ip & host) == 0)
            found.push_back("ip " + v.new_ip + " is the network address of " +
                            subnetText(*ip, *prefix));
        else if ((*ip & host) == host)
            found.push_back("ip " + v.new_ip + " is the broadcast address of " +
                            subnetText(*ip, *prefix));
    }
    if (auto problem = gatewayProblem(v.new_ip, v.subnet_mask, v.gateway))
        found.push_back(std::move(*problem));
}

}  // namespace

PlanReplies::PlanReplies(const PlanFile& plan) {
    for (const auto& row : plan.rows) replies_.emplace(row.mac, std::nullopt);
}

void PlanReplies::see(const DeviceRecord& record) {
    const auto mac = parseMacAddress(record.mac);
    if (!mac) return;
    const auto it = replies_.find(*mac);
    if (it == replies_.end()) return;
    // Named by the MAC text the controller sends, as a request names it.
    if (!it->second) it->second.emplace(record.mac);
    it->second->see(record);
}

CarriedSettings PlanReplies::disputed(MacValue mac) const {
    const auto it = replies_.find(mac);
    return it != replies_.end() && it->second ? it->second->disputed() : CarriedSettings{};
}

bool PlanCheck::refused() const {
    return std::any_of(problems.begin(), problems.end(),
                       [](const PlanProblem& p) { return p.error; });
}

PlanCheck checkPlan(const PlanFile& plan, const DeviceList& scan, const PlanReplies& replies,
                    const AdapterEntry& adapter) {
    PlanCheck check;
    check.problems = plan.problems;
    auto error = [&check](std::size_t line, std::string text) {
        check.problems.push_back({line, true, std::move(text)});
    };

    // The scan's rows of each MAC, and the plan's line of each planned MAC.
    std::unordered_map<MacValue, std::vector<std::size_t>> rowsOf;
    std::unordered_map<std::uint32_t, std::vector<std::size_t>> rowsAt;  // by address now
    for (std::size_t i = 0; i < scan.size(); ++i) {
        if (const auto mac = parseMacAddress(scan.at(i).mac)) rowsOf[*mac].push_back(i);
        if (const auto ip = ipv4Value(scan.at(i).ip)) rowsAt[*ip].push_back(i);
    }
    std::unordered_map<MacValue, std::size_t> stepOf;  // into check.steps

    for (const PlanRow& row : plan.rows) {
        const auto found = rowsOf.find(row.mac);
        if (found == rowsOf.end()) {
            error(row.line, "no controller " + macAddressText(row.mac) + " answered the scan");
            continue;
        }
        if (found->second.size() > 1) {
            std::vector<std::string> addresses;
            for (const auto i : found->second) addresses.push_back(scan.at(i).ip);
            error(row.line, macAddressText(row.mac) + " answers at " + joined(addresses) +
                                ": a request names it by its MAC, so each would take it");
            continue;
        }
        PlanStep step;
        step.line = row.line;
        step.mac = row.mac;
        step.record = scan.at(found->second.front());
        step.values = changedSettings(step.record, row.change);
        step.diffs = settingDiffs(step.record, step.values);

        std::vector<std::string> own;
        checkOwnSettings(step, row.change, adapter, own);
        for (auto& text : own) error(row.line, std::move(text));
        // Replies that disagree mean that one of them may be forged: what the
        // controller really holds is unknown, so nothing of it is sent back.
        const CarriedSettings undecided = replies.disputed(row.mac) & ~givenSettings(row.change);
        if (undecided.any()) {
            std::vector<std::string> columns;
            for (std::size_t s = 0; s < undecided.size(); ++s)
                if (undecided.test(s))
                    columns.emplace_back(settingColumn(settingOf(static_cast<CarriedSetting>(s))));
            error(row.line, "the scan holds replies for it that disagree on " + joined(columns) +
                                " (one may be forged): fill in " +
                                (columns.size() == 1 ? "that column" : "those columns"));
        }
        stepOf.emplace(row.mac, check.steps.size());
        check.steps.push_back(std::move(step));
    }

    // Every controller's address once the plan is done: the planned one, or
    // the one it has when the plan leaves it. DHCP's addresses are its server's.
    struct Holder {
        std::size_t row;                 // in the scan
        const PlanStep* step = nullptr;  // null: the plan leaves it as it is
    };
    std::unordered_map<std::uint32_t, std::vector<Holder>> after;
    for (std::size_t i = 0; i < scan.size(); ++i) {
        const DeviceRecord& r = scan.at(i);
        const auto mac = parseMacAddress(r.mac);
        const auto planned = mac ? stepOf.find(*mac) : stepOf.end();
        const PlanStep* step = planned == stepOf.end() ? nullptr : &check.steps[planned->second];
        const auto ip =
            step ? (step->values.is_static ? ipv4Value(step->values.new_ip) : std::nullopt)
                 : ipv4Value(r.ip);
        if (ip) after[*ip].push_back({i, step});
    }
    auto name = [&scan](const Holder& h) {
        return upperText(scan.at(h.row).mac) +
               (h.step ? " (" + lineText(h.step->line) + ")" : " (not in the plan)");
    };
    for (const PlanStep& step : check.steps) {
        if (!step.values.is_static) continue;
        const auto ip = ipv4Value(step.values.new_ip);
        if (!ip) continue;
        std::vector<std::string> others;
        for (const Holder& h : after[*ip])
            if (h.step != &step) others.push_back(name(h));
        if (!others.empty())
            error(step.line,
                  "ip " + step.values.new_ip + " would also be the address of " + joined(others));
        // A controller that leaves the address only later would share it
        // meanwhile, and a request to either could reach the other.
        if (step.already()) continue;
        for (const std::size_t i : rowsAt[*ip]) {
            const auto mac = parseMacAddress(scan.at(i).mac);
            const auto planned = mac ? stepOf.find(*mac) : stepOf.end();
            if (planned == stepOf.end()) continue;  // it stays: said above
            const PlanStep& holder = check.steps[planned->second];
            if (&holder == &step || holder.line < step.line) continue;
            error(step.line, "ip " + step.values.new_ip + " is held by " +
                                 upperText(holder.record.mac) + " until " + lineText(holder.line) +
                                 ", which comes later: put " + lineText(holder.line) + " first");
        }
    }

    // The controllers that the plan leaves alone, checked among themselves.
    std::unordered_set<MacValue> planned;
    for (const PlanRow& row : plan.rows) planned.insert(row.mac);
    DeviceList untouched;
    for (std::size_t i = 0; i < scan.size(); ++i) {
        const auto mac = parseMacAddress(scan.at(i).mac);
        if (!mac || !planned.contains(*mac)) untouched.add(scan.at(i));
    }
    const auto segment = segmentProblems(untouched, &adapter);
    for (std::size_t i = 0; i < untouched.size(); ++i)
        for (const auto& text : segment[i])
            check.problems.push_back({0, false,
                                      upperText(untouched.at(i).mac) + " at " + untouched.at(i).ip +
                                          " (not in the plan): " + text});

    std::stable_sort(check.problems.begin(), check.problems.end(),
                     [](const PlanProblem& a, const PlanProblem& b) {
                         auto key = [](const PlanProblem& p) {
                             return p.line == 0 ? std::numeric_limits<std::size_t>::max() : p.line;
                         };
                         return key(a) < key(b);
                     });
    return check;
}

bool showsPlan(const DeviceRecord& record, const PlanStep& step) {
    return parseMacAddress(record.mac) == step.mac && settingDiffs(record, step.values).empty();
}

}  // namespace kestrel
