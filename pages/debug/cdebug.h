#pragma once

#include "app/sharedstate.h"

#include <QWidget>

namespace tessel {

class CMUSBHid;

// The touch-key debug page.
class CDebug : public QWidget {
    Q_OBJECT
public:
    CDebug(SharedState& state, CMUSBHid& transport, QWidget* parent = nullptr);

    bool running() const { return running_; }
    // Ends a run before the tab changes or the window closes.
    void stopRun();
    // Adapts the page to the selected chip.
    void adaptToChip();

private:
    SharedState& state_;
    CMUSBHid& transport_;
    bool running_ = false;
};

}  // namespace tessel
