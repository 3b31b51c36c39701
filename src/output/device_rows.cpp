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

constexpr std::string_view kProblemsTitle = "Problems";

std::vector<std::string> titles(bool problems) {
    std::vector<std::string> cells(kTitles.begin(), kTitles.end());
    if (problems) cells.emplace_back(kProblemsTitle);
    return cells;
}

std::vector<std::size_t> titleWidths(bool problems) {
    TableWidths widths;
    widths.see(titles(problems));
    return widths.widths();
}

// The row's cells, and its problems in one cell when they are written.
std::vector<std::string> rowLine(const DeviceRecord& record, std::size_t index, bool withProblems,
                                 const std::vector<std::string>& problems) {
    auto cells = rowCells(record, index);
    if (withProblems) {
        std::string words;
        for (const auto& text : problems) words += (words.empty() ? "" : "; ") + text;
        cells.push_back(std::move(words));
    }
    return cells;
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
std::string rowJsonElement(const DeviceRecord& record, std::size_t index,
                           const std::vector<std::string>* problems) {
    nlohmann::json row = nlohmann::json::object();
    for (int c = 0; c < ColumnCount; ++c)
        row[std::string(kKeys[static_cast<std::size_t>(c)])] =
            cellText(record, static_cast<Column>(c), index);
    row["record"] = recordJson(record);
    if (problems) row["problems"] = *problems;
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
                                 std::vector<std::size_t> tableWidths, bool problems)
    : out_(out),
      format_(format),
      problems_(problems),
      table_(out, tableWidths.empty() ? titleWidths(problems) : std::move(tableWidths)) {}

void DeviceRowWriter::header() {
    switch (format_) {
    case RowFormat::Table: table_.row(titles(problems_)); break;
    case RowFormat::Csv: writeCsvRow(out_, titles(problems_)); break;
    case RowFormat::Json: out_ << '['; break;
    }
}

void DeviceRowWriter::row(const DeviceRecord& record, std::size_t index,
                          const std::vector<std::string>& problems) {
    switch (format_) {
    case RowFormat::Table: table_.row(rowLine(record, index, problems_, problems)); break;
    case RowFormat::Csv: writeCsvRow(out_, rowLine(record, index, problems_, problems)); break;
    case RowFormat::Json:
        out_ << (rows_ == 0 ? "\n" : ",\n")
             << rowJsonElement(record, index, problems_ ? &problems : nullptr);
        break;
    }
    ++rows_;
}

void DeviceRowWriter::end() {
    if (format_ == RowFormat::Json) out_ << (rows_ == 0 ? "]\n" : "\n]\n");
}

void writeDeviceRows(std::ostream& out, const DeviceList& rows, RowFormat format,
                     const RowProblems* problems) {
    const bool withProblems = problems != nullptr;
    static const std::vector<std::string> kSound;
    const auto problemsOf = [&](std::size_t i) -> const std::vector<std::string>& {
        return problems ? problems->at(i) : kSound;
    };
    std::vector<std::size_t> widths;
    if (format == RowFormat::Table) {
        TableWidths measured;
        measured.see(titles(withProblems));
        for (std::size_t i = 0; i < rows.size(); ++i)
            measured.see(rowLine(rows.at(i), i, withProblems, problemsOf(i)));
        widths = measured.widths();
    }
    DeviceRowWriter writer(out, format, std::move(widths), withProblems);
    writer.header();
    for (std::size_t i = 0; i < rows.size(); ++i) writer.row(rows.at(i), i, problemsOf(i));
    writer.end();
}

}  // namespace kestrel
