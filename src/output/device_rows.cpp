#include "output/device_rows.h"

#include <array>
#include <nlohmann/json.hpp>
#include <utility>

#include "discovery/row_texts.h"
#include "output/csv_row.h"
#include "output/safe_text.h"

namespace kestrel {

namespace {

constexpr std::array<std::string_view, ColumnCount> kTitles = {
    "No",    "Status",  "MAC Address", "IP Address", "IP Type",
    "Model", "Version", "Product",     "Max Door",   "Server IP"};
constexpr std::array<std::string_view, ColumnCount> kKeys = {
    "no",    "status",  "mac_address", "ip_address", "ip_type",
    "model", "version", "product",     "max_door",   "server_ip"};

std::vector<std::string> titles() { return {kTitles.begin(), kTitles.end()}; }

std::vector<std::size_t> titleWidths() {
    TableWidths widths;
    widths.see(titles());
    return widths.widths();
}

// The record's fields under their own names; nlohmann::json writes its keys
// sorted by name.
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

// One element of the array, indented as it stands inside it.
std::string rowJsonElement(const DeviceRecord& record, std::size_t index) {
    nlohmann::json row = nlohmann::json::object();
    for (int c = 0; c < ColumnCount; ++c)
        row[std::string(kKeys[static_cast<std::size_t>(c)])] =
            cellText(record, static_cast<Column>(c), index);
    row["record"] = recordJson(record);
    // jsonText escapes every control character, so that each line end is
    // one of the layout's.
    const std::string text = jsonText(row);
    std::string element = "  ";
    element.reserve(text.size() + text.size() / 8);
    for (char c : text) {
        element += c;
        if (c == '\n') element += "  ";
    }
    return element;
}

}  // namespace

std::string_view columnTitle(Column column) { return kTitles.at(static_cast<std::size_t>(column)); }

std::string_view columnKey(Column column) { return kKeys.at(static_cast<std::size_t>(column)); }

std::vector<std::string> rowCells(const DeviceRecord& record, std::size_t index) {
    std::vector<std::string> cells;
    cells.reserve(ColumnCount);
    for (int c = 0; c < ColumnCount; ++c)
        cells.push_back(cellText(record, static_cast<Column>(c), index));
    return cells;
}

DeviceRowWriter::DeviceRowWriter(std::ostream& out, RowFormat format,
                                 std::vector<std::size_t> tableWidths)
    : out_(out),
      format_(format),
      table_(out, tableWidths.empty() ? titleWidths() : std::move(tableWidths)) {}

void DeviceRowWriter::header() {
    switch (format_) {
    case RowFormat::Table: table_.row(titles()); break;
    case RowFormat::Csv: writeCsvRow(out_, titles()); break;
    case RowFormat::Json: out_ << '['; break;
    }
}

void DeviceRowWriter::row(const DeviceRecord& record, std::size_t index) {
    switch (format_) {
    case RowFormat::Table: table_.row(rowCells(record, index)); break;
    case RowFormat::Csv: writeCsvRow(out_, rowCells(record, index)); break;
    case RowFormat::Json:
        out_ << (rows_ == 0 ? "\n" : ",\n") << rowJsonElement(record, index);
        break;
    }
    ++rows_;
}

void DeviceRowWriter::end() {
    if (format_ == RowFormat::Json) out_ << (rows_ == 0 ? "]\n" : "\n]\n");
}

void writeDeviceRows(std::ostream& out, const DeviceList& rows, RowFormat format) {
    std::vector<std::size_t> widths;
    if (format == RowFormat::Table) {
        TableWidths measured;
        measured.see(titles());
        for (std::size_t i = 0; i < rows.size(); ++i) measured.see(rowCells(rows.at(i), i));
        widths = measured.widths();
    }
    DeviceRowWriter writer(out, format, std::move(widths));
    writer.header();
    for (std::size_t i = 0; i < rows.size(); ++i) writer.row(rows.at(i), i);
    writer.end();
}

}  // namespace kestrel
