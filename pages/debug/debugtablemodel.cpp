#include "pages/debug/debugtablemodel.h"

namespace tessel {

DebugTableModel::DebugTableModel(QObject* parent) : QAbstractTableModel(parent) {
    rows_.reserve(kMaxRows);
}

void DebugTableModel::setChannels(int channels) {
    beginResetModel();
    channels_ = std::max(0, std::min(channels, SampleRecord::kChannels));
    rows_.clear();
    endResetModel();
}

void DebugTableModel::clear() {
    if (rows_.empty())
        return;
    beginResetModel();
    rows_.clear();
    endResetModel();
}

void DebugTableModel::addSamples(const std::vector<SampleRecord>& shown, Value value) {
    if (shown.empty())
        return;
    // A table holding kMaxRows rows is emptied before the next row: find the last emptying
    // within the batch, so that only the rows that stay are copied.
    std::size_t count = rows_.size();
    std::size_t first = 0;
    bool emptied = false;
    for (std::size_t k = 0; k < shown.size(); ++k) {
        if (count >= std::size_t(kMaxRows)) {
            count = 0;
            first = k;
            emptied = true;
        }
        ++count;
    }
    auto valuesOf = [value](const SampleRecord& r) -> const Row& {
        return value == Value::Baseline ? r.baseline : value == Value::Rawdata ? r.raw : r.differ;
    };
    if (emptied) {
        beginResetModel();
        rows_.clear();
        for (std::size_t k = first; k < shown.size(); ++k)
            rows_.push_back(valuesOf(shown[k]));
        endResetModel();
        return;
    }
    const int from = static_cast<int>(rows_.size());
    beginInsertRows(QModelIndex(), from, from + static_cast<int>(shown.size()) - 1);
    for (const SampleRecord& r : shown)
        rows_.push_back(valuesOf(r));
    endInsertRows();
}

int DebugTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int DebugTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : channels_ + 1;
}

QVariant DebugTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    if (index.column() == 0)
        return index.row();
    // "%u" for the counts, "%d" for Differ: the counts are never negative.
    return rows_[index.row()][index.column() - 1];
}

QVariant DebugTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
        return {};
    return section == 0 ? QString() : QString::number(section - 1);
}

}  // namespace tessel
