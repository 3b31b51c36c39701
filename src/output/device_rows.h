#pragma once
// The device list's rows written out: the column titles and the JSON keys,
// and one writer for the table, CSV and JSON that fendrix-cli prints and the
// window exports. Rows stream out one at a time, so that a list of a million
// rows costs no more memory to write than one row.
#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "discovery/device_list.h"
#include "discovery/device_record.h"
#include "output/text_table.h"

namespace kestrel {

enum class RowFormat { Table, Csv, Json };

// Each row's problems in words (scan --check), in row order; an empty list
// for a sound row.
using RowProblems = std::vector<std::vector<std::string>>;

// The list's column titles ("No", "Status", ...) and the JSON keys of the
// same cells ("no", "status", ...).
std::string_view columnTitle(Column column);
std::string_view columnKey(Column column);

// The ten cells of the row at `index` (0-based), as the list shows them.
std::vector<std::string> rowCells(const DeviceRecord& record, std::size_t index);

// header() first, then row() for each row in list order, end() last.
//   Table: the titles and the cells aligned to `tableWidths` (a TableWidths
//     that saw rowCells() of the titles and of every row gives the widths of
//     the whole list; without them, the titles' own widths).
//   CSV: the titles, then one line per row.
//   JSON: an array of objects, each with the ten cells under their keys and
//     "record" with the record's fields under their own names (numbers as
//     numbers), written element by element.
// With `problems`, the table and the CSV end each row with a "Problems"
// column (the texts joined by "; ", empty for a sound row) and each JSON
// object carries a "problems" list; row() then takes the row's problems.
class DeviceRowWriter {
public:
    DeviceRowWriter(std::ostream& out, RowFormat format, std::vector<std::size_t> tableWidths = {},
                    bool problems = false);
    void header();
    void row(const DeviceRecord& record, std::size_t index,
             const std::vector<std::string>& problems = {});
    void end();

private:
    std::ostream& out_;
    RowFormat format_;
    bool problems_;
    TableWriter table_;
    std::size_t rows_ = 0;
};

// Every row of `rows` in list order as `format`: byte for byte what
// `fendrix-cli scan --format` prints. A table measures its columns in a first
// pass over the list; nothing is held beyond one row. `problems`, when
// given, holds one entry per row.
void writeDeviceRows(std::ostream& out, const DeviceList& rows, RowFormat format,
                     const RowProblems* problems = nullptr);

}  // namespace kestrel
