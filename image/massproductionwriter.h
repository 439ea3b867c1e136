#pragma once

#include "app/messages.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>

namespace tessel {

class LogSink;
class Prompts;
struct ImageState;
struct SharedState;

// The "生成量产文件" button: packs the loaded image with the chip and its configuration
// into a mass-production file chosen in a save dialog. The file is built in a buffer of
// its own, so writeBuffer and imageLength stay as loaded; imageLoaded is cleared, so a
// second file needs the image to be opened again.
class MassProductionWriter {
public:
    using Clock = std::function<QDateTime()>;  // the current UTC time

    MassProductionWriter(SharedState& shared, ImageState& image, LogSink& log, Prompts& prompts,
                         Clock utcClock = {});

    // cfg0/cfg1: the configuration bytes of the chip family's page (cfg1 for chip 0 only);
    // modeSelection: fileModeSelection (chips 10 to 12). Returns true when a file was
    // written; writtenPath() then names it.
    bool createMassProductionFile(uint8_t cfg0, uint8_t cfg1, int modeSelection);
    // The file written for a name chosen in the dialog: the extension (".tk", ".ntk" or
    // ".mtk") is appended unless the name already ends with it (in any case).
    static QString writtenName(const QString& chosen, const QString& extension);

    QString writtenPath() const { return writtenPath_; }

private:
    void fail(Msg message);

    SharedState& shared_;
    ImageState& image_;
    LogSink& log_;
    Prompts& prompts_;
    Clock clock_;
    QString writtenPath_;
};

}  // namespace tessel
