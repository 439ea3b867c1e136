#include "image/massproductionwriter.h"

#include "app/prompts.h"
#include "app/sharedstate.h"
#include "image/imagestate.h"
#include "image/massproduction.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace tessel {

MassProductionWriter::MassProductionWriter(SharedState& shared, ImageState& image, LogSink& log,
                                           Prompts& prompts, Clock utcClock)
    : shared_(shared), image_(image), log_(log), prompts_(prompts), clock_(std::move(utcClock)) {
    if (!clock_)
        clock_ = [] { return QDateTime::currentDateTimeUtc(); };
}

void MassProductionWriter::fail(Msg message) {
    prompts_.showWarning(shared_.text(message));
    image_.imageLoaded = false;
}

QString MassProductionWriter::writtenName(const QString& chosen, const QString& extension) {
    return chosen.endsWith(extension, Qt::CaseInsensitive) ? chosen : chosen + extension;
}

bool MassProductionWriter::createMassProductionFile(uint8_t cfg0, uint8_t cfg1, int modeSelection) {
    writtenPath_.clear();
    if (!image_.imageLoaded) {
        prompts_.showMessage(shared_.text(Msg::MpOpenImageFirst));
        return false;
    }
    const int chip = int(shared_.chipIndex.load());
    const TkBuild file = buildMassProductionFile(image_, chip, cfg0, cfg1, modeSelection, clock_());
    if (!file.fits) {
        fail(Msg::MpTooLarge);
        return false;
    }

    QString chosen;
    QString path;
    for (;;) {
        chosen = prompts_.saveFileName(file.defaultName, file.filter);
        if (chosen.isEmpty()) {
            fail(Msg::MpChoosePath);
            return false;
        }
        // The extension is appended unless the user typed it, so the file that would be
        // replaced is the one with the extension; declining goes back to the dialog.
        path = writtenName(chosen, file.extension);
        if (!QFileInfo::exists(path) ||
            prompts_.confirmOverwrite(
                shared_.text(Msg::MpReplace, qUtf8Printable(QDir::toNativeSeparators(path))))) {
            break;
        }
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file.content) != file.content.size() ||
        !out.commit()) {
        fail(Msg::MpCreateFailed);
        return false;
    }

    // The English log names the file written, the Chinese one its whole path.
    log_.appendLog(shared_.text(Msg::MpCreating));
    log_.appendLog(shared_.english() ? QFileInfo(path).fileName() : path);
    log_.appendLog(shared_.text(Msg::MpCreated));
    prompts_.showMessage(shared_.text(Msg::MpCreated));
    image_.imageLoaded = false;
    writtenPath_ = path;
    return true;
}

}  // namespace tessel
