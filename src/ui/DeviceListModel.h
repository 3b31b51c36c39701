#pragma once
// The rows of the device list: one kestrel::DeviceRecord per row, cells
// derived from it. Rows are only appended (in batches) or cleared all at once,
// so a record can never be separated from its row.
#include <QAbstractTableModel>
#include <optional>
#include <string>
#include <vector>

#include "discovery/device_list.h"
#include "discovery/device_record.h"
#include "wire/adapter_entry.h"

namespace fendrix {

class DeviceListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Column = kestrel::Column;

    explicit DeviceListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Appends the records that no row equals yet (and that do not repeat an
    // earlier record of the same batch), with one insertion. Answers how many
    // rows were added.
    int appendBatch(std::vector<kestrel::DeviceRecord> records);
    void clear();

    // For the reply pump, which adds to the list itself and then has the
    // new rows shown: the views learn of them with one insertion, and until
    // then rowCount() answers the rows they know.
    kestrel::DeviceList& appendableRows() { return rows_; }
    int showAppendedRows();

    // The PC's adapter that a row's tooltip checks it against (its problems,
    // as scan --check names them); none: the checks against the PC are left out.
    void setAdapter(std::optional<kestrel::AdapterEntry> adapter);

    const kestrel::DeviceRecord& record(int row) const;
    const kestrel::DeviceList& devices() const { return rows_; }
    bool hasRow(int row) const { return row >= 0 && row < rowCount(); }
    // The cell text of a row by column index, independent of on-screen order.
    QString cell(int row, Column column) const;

    static QString columnTitle(Column column);
    static int columnWidth(Column column);

private:
    // The problems of a row, one a line; empty for a sound row.
    QString problemsText(int row) const;

    kestrel::DeviceList rows_;
    int shown_ = 0;  // rows the views have been told of
    std::optional<kestrel::AdapterEntry> adapter_;
    // Every row's problems, worked out for the first tooltip after the rows
    // or the adapter changed: one pass over the list, not one per row.
    mutable std::optional<std::vector<std::vector<std::string>>> problems_;
};

}  // namespace fendrix
