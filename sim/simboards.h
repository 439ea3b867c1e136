#pragma once

#include "sim/simboard.h"

#include <memory>
#include <vector>

namespace tessel {

// Several simulated boards on one bus (--simulate=boards=N), each with its own path and
// serial number and its own target chips, trace and faults. One board keeps the path of
// SimBackend ("sim:tessel-board"); of several, board k (1 to N) is "sim:tessel-board-k".
class SimBoardSet : public HidBackend {
public:
    explicit SimBoardSet(const SimOptions& options = {});
    ~SimBoardSet() override;

    int count() const { return int(boards_.size()); }
    SimBackend& backend(int index) { return *boards_[size_t(index)]; }
    QString path(int index) const;
    // "SIM0001" for the first board.
    static QString serialNumber(int index);
    // The board behind a path, or null.
    SimBoard* boardAt(const QString& path);

    QList<HidDeviceInfo> enumerate() override;
    // Each board is claimed by its serial number: another program with the same simulated
    // board open is refused with Busy.
    std::shared_ptr<HidDevice> open(const QString& path, OpenResult* result) override;
    qint64 holderOf(const QString& path) override;
    HotplugWatcher* createWatcher(QObject* parent) override;

private:
    int indexOf(const QString& path) const;

    std::vector<std::unique_ptr<SimBackend>> boards_;
};

}  // namespace tessel
