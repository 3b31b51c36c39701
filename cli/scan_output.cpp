#include "scan_output.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "discovery/row_texts.h"
#include "output/safe_text.h"

namespace fendrix_cli {

using namespace kestrel;

namespace {

constexpr std::array<std::string_view, ColumnCount> kTitles = {
    "No",    "Status",  "MAC Address", "IP Address", "IP Type",
    "Model", "Version", "Product",     "Max Door",   "Server IP"};
constexpr std::array<std::string_view, ColumnCount> kKeys = {
    "no",    "status",  "mac_address", "ip_address", "ip_type",
    "model", "version", "product",     "max_door",   "server_ip"};

using Table = std::vector<std::vector<std::string>>;

void printTable(std::ostream& out, const Table& rows) {
    if (rows.empty()) return;
    Table shown;
    for (const auto& row : rows) {
        auto& cells = shown.emplace_back();
        for (const auto& cell : row) cells.push_back(terminalText(cell));
    }
    std::vector<std::size_t> widths(shown.front().size(), 0);
    for (const auto& row : shown)
        for (std::size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    for (const auto& row : shown) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            line += row[c];
            if (c + 1 < row.size()) line.append(widths[c] - row[c].size() + 2, ' ');
        }
        out << line << '\n';
    }
}

void printCsv(std::ostream& out, const Table& rows) {
    for (const auto& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) out << (c ? "," : "") << csvField(row[c]);
        out << '\n';
    }
}

}  // namespace

nlohmann::json recordJson(const DeviceRecord& r) {
    return {{"mac", r.mac},
            {"ip_type", r.ip_type},
            {"ip", r.ip},
            {"subnet_mask", r.subnet_mask},
            {"gateway", r.gateway},
            {"server_ip", r.server_ip},
            {"dns1", r.dns1},
            {"dns2", r.dns2},
            {"https_enabled", r.https_enabled},
            {"http_port", r.http_port},
            {"https_port", r.https_port},
            {"hardware_model", r.hardware_model},
            {"edition", r.edition},
            {"max_door", r.max_door},
            {"status", r.status},
            {"firmware_version", r.firmware_version}};
}

nlohmann::json rowsJson(const DeviceList& devices) {
    auto rows = nlohmann::json::array();
    for (std::size_t i = 0; i < devices.size(); ++i) {
        nlohmann::json row = nlohmann::json::object();
        for (int c = 0; c < ColumnCount; ++c)
            row[std::string(kKeys[static_cast<std::size_t>(c)])] =
                cellText(devices.at(i), static_cast<Column>(c), i);
        row["record"] = recordJson(devices.at(i));
        rows.push_back(std::move(row));
    }
    return rows;
}

void printRows(std::ostream& out, const DeviceList& devices, Format format) {
    if (format == Format::Json) {
        out << jsonText(rowsJson(devices)) << '\n';
        return;
    }
    Table rows;
    rows.emplace_back(kTitles.begin(), kTitles.end());
    for (std::size_t i = 0; i < devices.size(); ++i) {
        std::vector<std::string> row;
        row.reserve(ColumnCount);
        for (int c = 0; c < ColumnCount; ++c)
            row.push_back(cellText(devices.at(i), static_cast<Column>(c), i));
        rows.push_back(std::move(row));
    }
    if (format == Format::Csv) printCsv(out, rows);
    else printTable(out, rows);
}

void printAdapters(std::ostream& out, const std::vector<AdapterEntry>& adapters, Format format) {
    if (format == Format::Json) {
        auto list = nlohmann::json::array();
        for (std::size_t i = 0; i < adapters.size(); ++i)
            list.push_back({{"index", i},
                            {"description", adapters[i].description},
                            {"ip", adapters[i].ip_text},
                            {"mac", adapters[i].mac_text}});
        out << jsonText(list) << '\n';
        return;
    }
    Table rows{{"Index", "Description", "IP", "MAC"}};
    for (std::size_t i = 0; i < adapters.size(); ++i)
        rows.push_back({std::to_string(i), adapters[i].description, adapters[i].ip_text,
                        adapters[i].mac_text});
    if (format == Format::Csv) printCsv(out, rows);
    else printTable(out, rows);
}

}  // namespace fendrix_cli
