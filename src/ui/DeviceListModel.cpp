#include "ui/DeviceListModel.h"

#include <string_view>

#include "discovery/row_texts.h"
#include "output/device_rows.h"
#include "site/segment_check.h"

namespace fendrix {

namespace {
// Pixels; the titles are the core's (output/device_rows.h), which every
// output of the list shares.
constexpr int kColumnWidths[kestrel::ColumnCount] = {30, 65, 120, 120, 60, 120, 100, 85, 100, 120};
}  // namespace

DeviceListModel::DeviceListModel(QObject* parent) : QAbstractTableModel(parent) {}

int DeviceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

int DeviceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kestrel::ColumnCount;
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole: return cell(index.row(), static_cast<Column>(index.column()));
    case Qt::TextAlignmentRole: return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case Qt::ToolTipRole: {
        const QString text = problemsText(index.row());
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    default: return {};
    }
}

void DeviceListModel::setAdapter(std::optional<kestrel::AdapterEntry> adapter) {
    adapter_ = std::move(adapter);
    problems_.reset();
}

QString DeviceListModel::problemsText(int row) const {
    if (!problems_) problems_ = kestrel::segmentProblems(rows_, adapter_ ? &*adapter_ : nullptr);
    QString text;
    for (const auto& problem : problems_->at(static_cast<std::size_t>(row))) {
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += QString::fromLatin1(problem);  // wire texts are single-byte characters
    }
    return text;
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kestrel::ColumnCount) return {};
    if (role == Qt::DisplayRole) return columnTitle(static_cast<Column>(section));
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int DeviceListModel::appendBatch(std::vector<kestrel::DeviceRecord> records) {
    // The device list drops equal rows (also within the batch) as it takes
    // them; the view learns of the new rows in one insertion afterwards.
    for (auto& record : records) rows_.add(std::move(record));
    return showAppendedRows();
}

int DeviceListModel::showAppendedRows() {
    const int added = static_cast<int>(rows_.size()) - shown_;
    if (added == 0) return 0;
    problems_.reset();
    beginInsertRows({}, shown_, shown_ + added - 1);
    shown_ += added;
    endInsertRows();
    return added;
}

void DeviceListModel::clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
    problems_.reset();
    shown_ = 0;
    endResetModel();
}

const kestrel::DeviceRecord& DeviceListModel::record(int row) const {
    return rows_.at(static_cast<std::size_t>(row));
}

QString DeviceListModel::cell(int row, Column column) const {
    if (!hasRow(row) || column < 0 || column >= kestrel::ColumnCount) return {};
    // Wire texts are single-byte characters.
    return QString::fromLatin1(
        kestrel::cellText(record(row), column, static_cast<std::size_t>(row)));
}

QString DeviceListModel::columnTitle(Column column) {
    const std::string_view title = kestrel::columnTitle(column);
    return QString::fromLatin1(title.data(), static_cast<qsizetype>(title.size()));
}

int DeviceListModel::columnWidth(Column column) { return kColumnWidths[column]; }

}  // namespace fendrix
