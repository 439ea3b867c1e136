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

void MassProductionWriter::fail(const char* chinese, const char* english) {
    prompts_.showWarning(shared_.text(chinese, english));
    image_.imageLoaded = false;
}

bool MassProductionWriter::createMassProductionFile(uint8_t cfg0, uint8_t cfg1, int modeSelection) {
    writtenPath_.clear();
    if (!image_.imageLoaded) {
        prompts_.showMessage(
            shared_.text("请先打开待转换的Hex文件！", "Please open the file to be converted!"));
        return false;
    }
    const int chip = int(shared_.chipIndex.load());
    const TkBuild file = buildMassProductionFile(image_, chip, cfg0, cfg1, modeSelection, clock_());
    if (!file.fits) {
        fail("生成的TK文件将超过64K，未能生成！", "The *.tk file would exceed 64K, not created!");
        return false;
    }

    QString chosen;
    QString path;
    for (;;) {
        chosen = prompts_.saveFileName(file.defaultName, file.filter);
        if (chosen.isEmpty()) {
            fail("请选择保存路径！", "Please choose the file path!");
            return false;
        }
        // The extension is appended whatever the user typed, so the file that would be
        // replaced is the one with the extension; declining goes back to the dialog.
        path = chosen + file.extension;
        if (!QFileInfo::exists(path) ||
            prompts_.confirmOverwrite(shared_
                                          .text("%1 已存在。\n要替换它吗？",
                                                "%1 already exists.\nDo you want to replace it?")
                                          .arg(QDir::toNativeSeparators(path)))) {
            break;
        }
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file.content) != file.content.size() ||
        !out.commit()) {
        fail("未能创建TK文件！", "Create *.tk failed !");
        return false;
    }

    if (shared_.english()) {
        log_.appendLog(QStringLiteral("creating *.tk:"));
        log_.appendLog(QFileInfo(chosen).fileName());
        log_.appendLog(QString::fromUtf8("TK file is created！"));
        prompts_.showMessage(QString::fromUtf8("TK file is created！"));
    } else {
        log_.appendLog(QString::fromUtf8("正在生成TK文件，命名如下："));
        log_.appendLog(chosen);
        log_.appendLog(QString::fromUtf8("TK文件已生成！"));
        prompts_.showMessage(QString::fromUtf8("TK文件已生成！"));
    }
    image_.imageLoaded = false;
    writtenPath_ = path;
    return true;
}

}  // namespace tessel
