#pragma once

#include "app/prompts.h"
#include "app/sharedstate.h"
#include "link/connection.h"
#include "link/notifications.h"

#include <QWidget>

class QListWidget;

namespace tessel {

class CMUSBHid;

// The programming page: the messages list and, as the page grows, the operation buttons,
// buffer views and chip pages.
class CProgrammeDlg : public QWidget, public LogSink {
    Q_OBJECT
public:
    CProgrammeDlg(SharedState& state, CMUSBHid& transport, QWidget* parent = nullptr);

    // Adds a line at the end of the messages list and selects it.
    void appendLog(const QString& line) override;
    QStringList logLines() const;

    // Shows the pages of the selected chip.
    void layoutForChip();
    void applyLanguage();
    void setButtonsEnabled(bool enabled);
    bool buttonsEnabled() const { return buttonsEnabled_; }

private:
    void onLinkNotification(const LinkNotification& n);

    SharedState& state_;
    CMUSBHid& transport_;
    QListWidget* messages_;
    ConnectionSequence connection_;
    bool buttonsEnabled_ = false;
};

}  // namespace tessel
