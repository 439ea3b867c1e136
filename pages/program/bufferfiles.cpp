#include "pages/program/bufferfiles.h"

#include "app/chipcatalogue.h"
#include "app/regularfile.h"
#include "image/imageformat.h"
#include "image/imagestate.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>

#include <algorithm>
#include <cstring>
#include <vector>

namespace tessel {
namespace {

bool isHexName(const QString& path) {
    return path.endsWith(QLatin1String(".hex"), Qt::CaseInsensitive);
}

}  // namespace

bool writeBufferFile(const QString& path, const uint8_t* bytes, uint32_t length) {
    const QByteArray data = isHexName(path)
                                ? formatIntelHex(bytes, length)
                                : QByteArray(reinterpret_cast<const char*>(bytes), int(length));
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
}

EepromFileRead readEepromImageFile(const QString& path, uint32_t capacity) {
    EepromFileRead r;
    const FileReadResult file = readRegularFile(path, kLargestHexText);
    if (file.status == FileReadStatus::TooLarge) {
        r.status = EepromFileRead::Status::TooLarge;
        r.size = uint32_t(std::min<qint64>(file.size, 0xFFFFFFFF));
        return r;
    }
    if (file.status != FileReadStatus::Ok)
        return r;
    if (isHexName(path)) {
        std::vector<uint8_t> buffer(kFlashBufferSize, 0xFF);
        const HexParseResult hex = parseIntelHexText(crlfToLf(file.data), buffer.data());
        if (hex.status != HexStatus::Ok)
            return r;
        r.size = hex.length;
        r.bytes = QByteArray(reinterpret_cast<const char*>(buffer.data()),
                             int(std::min(hex.length, capacity)));
    } else {
        r.size = uint32_t(file.data.size());
        r.bytes = file.data.left(int(capacity));
    }
    r.status = r.size > capacity ? EepromFileRead::Status::TooLarge : EepromFileRead::Status::Ok;
    if (r.status != EepromFileRead::Status::Ok)
        r.bytes.clear();
    return r;
}

BufferFiles::BufferFiles(SharedState& state, ImageState& image, Prompts& prompts, LogSink& log,
                         QObject* parent)
    : QObject(parent),
      state_(state),
      image_(image),
      prompts_(prompts),
      log_(log),
      save_(new QPushButton),
      load_(new QPushButton) {
    save_->setObjectName(QStringLiteral("saveBuffer"));
    load_->setObjectName(QStringLiteral("loadBuffer"));
    connect(save_, &QPushButton::clicked, this, [this] {
        QMenu menu;
        addSaveActions(&menu, view_);
        menu.exec(save_->mapToGlobal(QPoint(0, save_->height())));
    });
    connect(load_, &QPushButton::clicked, this, &BufferFiles::loadEepromImage);
    setView(View::Other);
}

void BufferFiles::setView(View view) {
    view_ = view;
    save_->setVisible(view == View::ReadFlash || view == View::ReadEeprom);
    load_->setVisible(view == View::WriteEeprom);
}

void BufferFiles::setEnabled(bool enabled) {
    save_->setEnabled(enabled);
    load_->setEnabled(enabled);
}

void BufferFiles::retitle() {
    save_->setText(state_.text(Msg::SaveBufferButton));
    save_->setToolTip(state_.text(Msg::TipSaveBuffer));
    load_->setText(state_.text(Msg::LoadBufferButton));
    load_->setToolTip(state_.text(Msg::TipLoadBuffer));
}

void BufferFiles::addSaveActions(QMenu* menu, View view) {
    QAction* hex = menu->addAction(state_.text(Msg::SaveBufferAsHex));
    hex->setObjectName(QStringLiteral("saveAsHex"));
    connect(hex, &QAction::triggered, this, [this, view] { save(view, true); });
    QAction* bin = menu->addAction(state_.text(Msg::SaveBufferAsBin));
    bin->setObjectName(QStringLiteral("saveAsBin"));
    connect(bin, &QAction::triggered, this, [this, view] { save(view, false); });
}

bool BufferFiles::save(View view, bool hex) {
    const int chip = static_cast<int>(state_.chipIndex.load());
    const uint8_t* bytes = image_.readBuffer.data();
    uint32_t length = readLength_;
    QString stem = QStringLiteral("flash");
    if (view == View::ReadEeprom) {
        bytes = image_.eepromReadImage(chip);
        length = ImageState::eepromImageSize(chip);
        stem = QStringLiteral("eeprom");
    }
    if (length == 0) {
        prompts_.showMessage(state_.text(Msg::BufferEmpty));
        return false;
    }
    const QString extension = hex ? QStringLiteral(".hex") : QStringLiteral(".bin");
    const QString name = QStringLiteral("%1-%2%3").arg(
        stem, QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")), extension);
    QString path = prompts_.saveFileName(name, state_.text(Msg::BufferFilters));
    if (path.isEmpty())
        return false;
    if (!path.endsWith(extension, Qt::CaseInsensitive))
        path += extension;
    // The extension was made to match the menu's choice, and the name decides the format.
    if (!writeBufferFile(path, bytes, length)) {
        prompts_.showWarning(
            state_.text(Msg::BufferNotSaved, qUtf8Printable(QDir::toNativeSeparators(path))));
        return false;
    }
    log_.appendLog(state_.text(Msg::BufferSaved, static_cast<unsigned>(length),
                               qUtf8Printable(QDir::toNativeSeparators(path))));
    return true;
}

bool BufferFiles::loadEepromImage() {
    const QString path = prompts_.openFileName(state_.text(Msg::BufferFilters));
    return !path.isEmpty() && loadEepromImageFrom(path);
}

bool BufferFiles::loadEepromImageFrom(const QString& path) {
    const int chip = static_cast<int>(state_.chipIndex.load());
    const QString shown = QDir::toNativeSeparators(path);
    if (!chipInfo(chip).eepromOperations) {
        prompts_.showWarning(state_.text(Msg::EepromNotOnChip));
        return false;
    }
    const uint32_t capacity = ImageState::eepromImageSize(chip);
    const EepromFileRead r = readEepromImageFile(path, capacity);
    if (r.status == EepromFileRead::Status::TooLarge) {
        const QString text = state_.text(Msg::EepromFileTooLarge, static_cast<unsigned>(r.size),
                                         static_cast<unsigned>(capacity), qUtf8Printable(shown));
        log_.appendLog(text);
        prompts_.showWarning(text);
        return false;
    }
    if (r.status != EepromFileRead::Status::Ok) {
        const QString text = state_.text(Msg::EepromFileUnreadable, qUtf8Printable(shown));
        log_.appendLog(text);
        prompts_.showWarning(text);
        return false;
    }
    uint8_t* target = image_.eepromWriteImage(chip);
    std::fill(target, target + capacity, uint8_t(0xFF));
    std::memcpy(target, r.bytes.constData(), size_t(r.bytes.size()));
    log_.appendLog(
        state_.text(Msg::EepromLoaded, static_cast<unsigned>(r.size), qUtf8Printable(shown)));
    Q_EMIT eepromImageLoaded();
    return true;
}

}  // namespace tessel
