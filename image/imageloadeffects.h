#pragma once

#include <QString>

#include <cstdint>

namespace tessel {

// What a load does to the rest of the program beyond the image itself. The loader calls
// these at the moments the programming page must react; every default does nothing, so
// the command-line front end and tests only override what they watch.
class ImageLoadEffects {
public:
    virtual ~ImageLoadEffects() = default;

    // The open-file operation starts: hide the page's result picture.
    virtual void openStarted() {}
    // The open-file operation ended (also after a cancelled dialog): re-show the view of
    // the selected tab so that a new dump becomes visible.
    virtual void openFinished() {}
    // writeBufferDump of the image state was replaced after a successful length check.
    virtual void writeBufferDumpChanged(const QString& dump) { Q_UNUSED(dump); }

    // A HEX file was read: enable the option controls of the KR4111 and KR4112
    // configuration pages and disable the two option check boxes of the page shared by
    // chips 3, 4 and 6.
    virtual void hexLoaded() {}

    // A mass-production file named chip `chip`; chipIndex has just been set to it. Lay out
    // the programming page for that chip (layoutForChip).
    virtual void massProductionChipSelected(int chip) { Q_UNUSED(chip); }
    // The configuration carried by a mass-production file: for chips 1 to 7 the family's
    // configuration page takes cfg0 and locks its option controls; for chips 8 to 12 two
    // controls of the MCU01 page are disabled. Called for chips 1 to 12 only.
    virtual void massProductionConfigApplied(int chip, uint8_t cfg0) {
        Q_UNUSED(chip);
        Q_UNUSED(cfg0);
    }
    // Tell the main window to select chip `chip` in its combo (message 1128).
    virtual void chipComboChangeRequested(int chip) { Q_UNUSED(chip); }
    // Chips 5 and 7: the EEPROM image at writeBuffer offset 0x9000 came from the file;
    // show it in the write-EEPROM grid.
    virtual void eepromImageLoaded() {}
};

}  // namespace tessel
