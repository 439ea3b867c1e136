#pragma once

#include "app/outcome.h"
#include "app/sharedstate.h"

#include <QDateTime>
#include <QStatusBar>

class QLabel;

namespace tessel {

// The main window's status line: the board (its serial number, or "未连接"), the target's
// supply, trim mode, the loaded image (file name, length, checksum, time loaded; the full
// path as tooltip) and the last operation's verdict with its duration. It only shows what it
// is told; the window tells it. Texts follow the language of the moment (retitle()).
class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    enum class Supply { Unknown, V3, V5, Off, External };

    explicit StatusBar(const SharedState& state, QWidget* parent = nullptr);

    // connected false: "未连接". serial may be empty for a board without one.
    void setBoard(bool connected, const QString& serial = QString());
    void setSupply(Supply supply);
    void setTrimMode(bool on);
    // An empty path: no image loaded.
    void setImage(const QString& path, uint32_t length, uint32_t checksum, const QDateTime& when);
    void clearImage() { setImage(QString(), 0, 0, QDateTime()); }
    void setVerdict(const Outcome& outcome, qint64 elapsedMs);
    // The supply a confirmed supply switch leaves (by its verdict message); Unknown for an
    // outcome that is not a successful switch.
    static Supply supplyAfter(const Outcome& outcome);
    void retitle();

    QString boardText() const;
    QString supplyText() const;
    QString trimText() const;
    QString imageText() const;
    QString imageToolTip() const;
    QString verdictText() const;

private:
    const SharedState& state_;
    QLabel* board_;
    QLabel* supply_;
    QLabel* trim_;
    QLabel* image_;
    QLabel* verdict_;

    bool connected_ = false;
    QString serial_;
    Supply supplyState_ = Supply::Unknown;
    bool trimMode_ = false;
    QString imagePath_;
    uint32_t imageLength_ = 0;
    uint32_t imageChecksum_ = 0;
    QDateTime imageTime_;
    bool hasVerdict_ = false;
    Outcome lastOutcome_;
    qint64 verdictMs_ = 0;
};

}  // namespace tessel
