#pragma once

#include "app/sharedstate.h"

#include <QDialog>

namespace tessel {

// The About box: program and board versions, the hardware line and where the profile lives.
class AboutDlg : public QDialog {
    Q_OBJECT
public:
    AboutDlg(const SharedState& state, QWidget* parent = nullptr);
};

}  // namespace tessel
