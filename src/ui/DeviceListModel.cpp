#include "ui/DeviceListModel.h"

#include <set>
#include <string>
#include <utility>

#include "discovery/row_texts.h"

namespace fendrix {

namespace {
struct ColumnInfo {
    const char* title;
    int width;
};
constexpr ColumnInfo kColumns[kestrel::ColumnCount] = {
    {"No", 30},         {"Status", 65},   {"MAC Address", 120}, {"IP Address", 120},
    {"IP Type", 60},    {"Model", 120},   {"Version", 100},     {"Product", 85},
    {"Max Door", 100},  {"Server IP", 120},
};
}  // namespace

DeviceListModel::DeviceListModel(QObject* parent) : QAbstractTableModel(parent) {}

int DeviceListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DeviceListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kestrel::ColumnCount;
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return cell(index.row(), static_cast<Column>(index.column()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    default:
        return {};
    }
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kestrel::ColumnCount)
        return {};
    if (role == Qt::DisplayRole) return columnTitle(static_cast<Column>(section));
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    return {};
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

int DeviceListModel::appendBatch(const std::vector<kestrel::DeviceRecord>& records) {
    // The row count must be known before beginInsertRows, so the equal-row
    // test runs first, also against the batch itself.
    std::vector<const kestrel::DeviceRecord*> fresh;
    std::set<std::pair<std::string, std::string>> batchKeys;
    for (const auto& record : records) {
        if (rows_.contains(record)) continue;
        if (!batchKeys.emplace(kestrel::upperMac(record.mac), record.ip).second) continue;
        fresh.push_back(&record);
    }
    if (fresh.empty()) return 0;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(fresh.size()) - 1);
    for (const auto* record : fresh) rows_.add(*record);
    endInsertRows();
    return static_cast<int>(fresh.size());
}

void DeviceListModel::clear() {
    if (rows_.empty()) return;
    beginResetModel();
    rows_.clear();
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
    return QString::fromLatin1(kColumns[column].title);
}

int DeviceListModel::columnWidth(Column column) { return kColumns[column].width; }

}  // namespace fendrix
