#include "site/plan_file.h"

#include <array>
#include <optional>
#include <unordered_map>

#include "output/csv_fields.h"
#include "output/safe_text.h"

namespace kestrel {

namespace {

constexpr std::string_view kMacColumn = "mac";
constexpr auto kSettings = static_cast<std::size_t>(Setting::Count);

std::string allColumns() {
    std::string names(kMacColumn);
    for (std::size_t s = 0; s < kSettings; ++s)
        names += ", " + std::string(settingColumn(static_cast<Setting>(s)));
    return names;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// One cell of a setting into the change; a problem text when it does not read.
std::optional<std::string> readCell(Setting setting, const std::string& cell,
                                    SettingsChange& change) {
    const std::string column(settingColumn(setting));
    const std::string word = lowerText(cell);
    auto address = [&](std::optional<std::string>& field) -> std::optional<std::string> {
        if (isCanonicalIPv4(cell)) {
            field = cell;
            return std::nullopt;
        }
        // Other programs read a leading zero as octal: say what was probably meant.
        if (const auto numbers = dottedNumbers(cell))
            return column + " " + cell + " has leading zeros (write " + ipv4Text(*numbers) + ")";
        return column + " " + quoted(cell) + " is not an IPv4 address";
    };
    auto port = [&](std::optional<std::uint16_t>& field) -> std::optional<std::string> {
        unsigned long value = 0;
        bool digits = cell.size() <= 5;
        for (const char c : cell) {
            digits = digits && c >= '0' && c <= '9';
            if (digits) value = value * 10 + static_cast<unsigned long>(c - '0');
        }
        if (!digits || value > 65535)
            return column + " " + quoted(cell) + " is not a port (0 to 65535)";
        field = static_cast<std::uint16_t>(value);
        return std::nullopt;
    };
    auto choice = [&](std::optional<bool>& field, const char* yes,
                      const char* no) -> std::optional<std::string> {
        if (word == yes || word == no) {
            field = word == yes;
            return std::nullopt;
        }
        return column + " " + quoted(cell) + " is neither " + yes + " nor " + no;
    };
    switch (setting) {
    case Setting::Mode: return choice(change.is_static, "static", "dhcp");
    case Setting::Ip: return address(change.ip);
    case Setting::Mask: return address(change.mask);
    case Setting::Gateway: return address(change.gateway);
    case Setting::Dns1: return address(change.dns1);
    case Setting::Dns2: return address(change.dns2);
    case Setting::ServerIp: return address(change.server_ip);
    case Setting::HttpPort: return port(change.http_port);
    case Setting::HttpsPort: return port(change.https_port);
    case Setting::Https: return choice(change.https, "on", "off");
    case Setting::Count: break;
    }
    return std::nullopt;
}

// Where each column stands in the file: the mac column and every setting's.
struct Header {
    std::size_t mac = 0;
    std::array<std::optional<std::size_t>, kSettings> settings{};
    std::size_t width = 0;
};

std::optional<Header> readHeader(const std::vector<std::string>& names, std::size_t line,
                                 std::vector<PlanProblem>& problems) {
    Header header;
    header.width = names.size();
    std::optional<std::size_t> mac;
    const std::size_t before = problems.size();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = lowerText(names[i]);
        std::optional<std::size_t>* slot = name == kMacColumn ? &mac : nullptr;
        for (std::size_t s = 0; s < kSettings && !slot; ++s)
            if (name == settingColumn(static_cast<Setting>(s))) slot = &header.settings[s];
        if (!slot) {
            problems.push_back(
                {line, true,
                 "unknown column " + quoted(names[i]) + " (the columns are " + allColumns() + ")"});
        } else if (slot->has_value()) {
            problems.push_back({line, true, "column " + name + " appears twice"});
        } else {
            *slot = i;
        }
    }
    if (!mac) problems.push_back({line, true, "no column mac, which names each controller"});
    if (problems.size() != before) return std::nullopt;
    header.mac = *mac;
    return header;
}

bool allEmpty(const std::vector<std::string>& cells) {
    for (const auto& c : cells)
        if (!c.empty()) return false;
    return true;
}

}  // namespace

PlanFile readPlan(std::istream& in) {
    PlanFile plan;
    std::optional<Header> header;
    bool headerRead = false;
    char delimiter = ',';
    std::unordered_map<MacValue, std::size_t> lineOfMac;
    std::string text;
    for (std::size_t line = 1; std::getline(in, text); ++line) {
        // A spreadsheet's "CSV UTF-8" begins with a byte-order mark.
        if (line == 1 && text.starts_with(kByteOrderMark)) text.erase(0, kByteOrderMark.size());
        const std::string trimmed = trimmedBlanks(text);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        if (!headerRead) {
            headerRead = true;
            if (trimmed.find(',') == std::string::npos && trimmed.find(';') != std::string::npos)
                delimiter = ';';
            header = readHeader(csvFields(trimmed, delimiter), line, plan.problems);
            if (!header) return plan;
            continue;
        }
        auto cells = csvFields(trimmed, delimiter);
        if (allEmpty(cells)) continue;
        // Trailing empty cells are what a spreadsheet leaves; others have no column.
        while (cells.size() > header->width && cells.back().empty()) cells.pop_back();
        if (cells.size() > header->width) {
            plan.problems.push_back({line, true,
                                     std::to_string(cells.size()) +
                                         " cells, but the header names " +
                                         std::to_string(header->width) + " columns"});
            continue;
        }
        cells.resize(header->width);
        const std::size_t before = plan.problems.size();
        PlanRow row;
        row.line = line;
        const std::string& macCell = cells[header->mac];
        if (const auto mac = parseMacAddress(macCell)) {
            row.mac = *mac;
            const auto [first, added] = lineOfMac.emplace(*mac, line);
            if (!added)
                plan.problems.push_back(
                    {line, true,
                     macAddressText(*mac) + " is also on line " + std::to_string(first->second)});
        } else {
            plan.problems.push_back(
                {line, true,
                 macCell.empty() ? "no mac" : "mac " + quoted(macCell) + " is not a MAC address"});
        }
        for (std::size_t s = 0; s < kSettings; ++s) {
            const auto at = header->settings[s];
            if (!at || cells[*at].empty()) continue;
            if (auto problem = readCell(static_cast<Setting>(s), cells[*at], row.change))
                plan.problems.push_back({line, true, std::move(*problem)});
        }
        if (plan.problems.size() == before) plan.rows.push_back(std::move(row));
    }
    if (!headerRead) plan.problems.push_back({0, true, "the plan is empty: no header row"});
    else if (plan.rows.empty() && plan.problems.empty())
        plan.problems.push_back({0, true, "the plan holds no rows"});
    return plan;
}

void writePlan(std::ostream& out, const DeviceList& rows) {
    out << kMacColumn;
    for (std::size_t s = 0; s < kSettings; ++s)
        out << ',' << settingColumn(static_cast<Setting>(s));
    out << '\n';
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DeviceRecord& r = rows.at(i);
        const bool dhcp = r.ip_type == 0;
        const auto mac = parseMacAddress(r.mac);
        // Addresses as the plan reads them back: without leading zeros.
        auto address = [dhcp](const std::string& text, bool dhcpGives) {
            if (dhcp && dhcpGives) return std::string();
            const auto numbers = dottedNumbers(text);
            return numbers ? ipv4Text(*numbers) : text;
        };
        const std::string cells[] = {mac ? macAddressText(*mac) : r.mac,
                                     dhcp ? "dhcp" : "static",
                                     address(r.ip, true),
                                     address(r.subnet_mask, true),
                                     address(r.gateway, true),
                                     address(r.dns1, true),
                                     address(r.dns2, true),
                                     address(r.server_ip, false),
                                     std::to_string(r.http_port),
                                     std::to_string(r.https_port),
                                     r.https_enabled == 1 ? "on" : "off"};
        bool first = true;
        for (const auto& cell : cells) {
            out << (first ? "" : ",") << csvField(cell);
            first = false;
        }
        out << '\n';
    }
}

}  // namespace kestrel
