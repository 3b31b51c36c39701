#pragma once
// The device list written to a file the user chose: CSV or JSON, byte for
// byte what fendrix-cli scan --format csv|json prints for the same rows (the
// core's one row writer).
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "discovery/device_list.h"
#include "output/device_rows.h"

namespace fendrix {

// The save dialog's filters, CSV first.
std::vector<std::string> exportFilters();

// The format of a chosen file: by its extension (.csv, .json, any case),
// else by the dialog's filter. `path` gains the filter's extension when its
// name has none.
kestrel::RowFormat exportFormat(QString& path, const QString& filter);

// Writes every row of `rows` to `path` as `format`, whole or not at all (a
// failed write leaves an existing file as it was). Answers why it failed,
// nothing on success.
std::optional<QString> exportRows(const kestrel::DeviceList& rows, const QString& path,
                                  kestrel::RowFormat format);

}  // namespace fendrix
