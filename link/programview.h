#pragma once

#include "app/outcome.h"
#include "app/prompts.h"

#include <cstdint>

namespace tessel {

// What the operation sequences need of the programming page: its messages list, progress bar,
// result picture, the controls that start or disturb operations, and its buffer views.
// The window's page implements it with widgets; the command line prints.
class ProgramView : public LogSink {
public:
    enum class Result { Hidden, Busy, Ok, Ng };

    // Controls whose state the sequences decide.
    enum class Control {
        OpenFile,
        WriteFlash,
        ReadFlash,
        ReadConfig,
        WriteConfig,
        TrimToggle,
        WriteTrim,
        Power3V,
        Power5V,
        PowerOff,
        WriteEeprom,
        ReadEeprom,
        CreateFile,
        ChipCombo,
        GridEdit,
    };
    static constexpr int kControlCount = static_cast<int>(Control::GridEdit) + 1;

    virtual void setControlEnabled(Control control, bool enabled) = 0;
    // The progress bar: shown with a percentage, or hidden.
    virtual void showProgress(int percent) = 0;
    virtual void hideProgress() = 0;
    virtual void setResult(Result result) = 0;
    // A flash read put `length` bytes into the read buffer: show them.
    virtual void readBufferChanged(uint32_t length) = 0;
    // An EEPROM read filled the EEPROM read buffer: show it in the read grid.
    virtual void eepromReadBufferChanged() = 0;
    // An operation ended: its reason and the verdict line it was reported with (a success
    // carries the line that said so, when there is one).
    virtual void operationFinished(const Outcome& outcome) = 0;
    // Trim mode ended without the toggle: the board went away, or the target could not be
    // brought into programming mode. The page shows the configuration page again.
    virtual void trimModeDropped() {}
};

}  // namespace tessel
