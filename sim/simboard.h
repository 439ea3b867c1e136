#pragma once

#include "link/hiddevice.h"
#include "link/report.h"

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace tessel {

// Settings of the simulated board, from --simulate=KEY=VALUE,...
struct SimOptions {
    int latencyMs = 1;  // per report, each way

    // Parses "latency=0,..." (an empty text gives the defaults). On error returns false and
    // describes the problem in *error.
    static bool parse(const QString& text, SimOptions* out, QString* error);
    // One line per key, for --help.
    static QString help();
};

// The board's behaviour: takes one output report, answers with zero or more input reports.
class SimBoard {
public:
    explicit SimBoard(const SimOptions& options = {});
    const SimOptions& options() const { return options_; }

    std::vector<Report> handle(const Report& command);

    // Every report the board received, in order.
    std::vector<Report> trace() const;

private:
    SimOptions options_;
    mutable std::mutex mutex_;
    std::vector<Report> trace_;
};

// Plugs the simulated board in where hidapi would be.
class SimBackend : public HidBackend {
public:
    explicit SimBackend(const SimOptions& options = {});
    ~SimBackend() override;

    SimBoard& board() { return *board_; }
    static QString devicePath() { return QStringLiteral("sim:tessel-board"); }

    QList<HidDeviceInfo> enumerate() override;
    std::shared_ptr<HidDevice> open(const QString& path, OpenResult* result) override;
    HotplugWatcher* createWatcher(QObject* parent) override;

    // Plugging the board in and pulling it out, as the hot-plug watcher reports it.
    void plugIn();
    void pullOut();
    bool pluggedIn() const { return plugged_; }

private:
    std::shared_ptr<SimBoard> board_;
    bool plugged_ = true;
    std::vector<std::weak_ptr<class SimDevice>> devices_;
    QList<HotplugWatcher*> watchers_;
    QList<QMetaObject::Connection> watcherConnections_;
};

}  // namespace tessel
