#pragma once

#include "debug/samplerecord.h"

#include <QAbstractTableModel>

#include <array>
#include <vector>

namespace tessel {

// The data table of the debug page: one row per accepted sample holding, per channel, the
// value the data-type radios chose when the row was added. Column 0 is the row number.
// Adding a row to a table that already holds more than kMaxRows - 1 rows empties it first,
// so the table never holds more than kMaxRows rows.
class DebugTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 501;
    enum class Value { Baseline = 0, Rawdata = 1, Differ = 2 };

    explicit DebugTableModel(QObject* parent = nullptr);

    void setChannels(int channels);
    int channels() const { return channels_; }
    void clear();
    void addSamples(const std::vector<SampleRecord>& shown, Value value);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    using Row = std::array<int32_t, SampleRecord::kChannels>;
    int channels_ = SampleRecord::kChannels;
    std::vector<Row> rows_;
};

}  // namespace tessel
