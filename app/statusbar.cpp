#include "app/statusbar.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>

namespace tessel {

StatusBar::StatusBar(const SharedState& state, QWidget* parent)
    : QStatusBar(parent),
      state_(state),
      board_(new QLabel(this)),
      supply_(new QLabel(this)),
      trim_(new QLabel(this)),
      image_(new QLabel(this)),
      verdict_(new QLabel(this)) {
    setObjectName(QStringLiteral("statusBar"));
    setSizeGripEnabled(true);
    board_->setObjectName(QStringLiteral("statusBoard"));
    supply_->setObjectName(QStringLiteral("statusSupply"));
    trim_->setObjectName(QStringLiteral("statusTrim"));
    image_->setObjectName(QStringLiteral("statusImage"));
    verdict_->setObjectName(QStringLiteral("statusVerdict"));
    // The image's line may be long: it gives way first and never widens the window.
    image_->setMinimumWidth(40);
    image_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    addWidget(board_);
    addWidget(supply_);
    addWidget(trim_);
    addWidget(image_, 1);
    addPermanentWidget(verdict_);
    retitle();
}

void StatusBar::setBoard(bool connected, const QString& serial) {
    connected_ = connected;
    serial_ = connected ? serial : QString();
    if (!connected) {
        // Whatever the supply was, it went with the board.
        supplyState_ = Supply::Unknown;
        trimMode_ = false;
    }
    retitle();
}

void StatusBar::setSupply(Supply supply) {
    supplyState_ = supply;
    retitle();
}

void StatusBar::setTrimMode(bool on) {
    trimMode_ = on;
    retitle();
}

void StatusBar::setImage(const QString& path, uint32_t length, uint32_t checksum,
                         const QDateTime& when) {
    imagePath_ = path;
    imageLength_ = length;
    imageChecksum_ = checksum;
    imageTime_ = when;
    retitle();
}

void StatusBar::setVerdict(const Outcome& outcome, qint64 elapsedMs) {
    hasVerdict_ = true;
    lastOutcome_ = outcome;
    verdictMs_ = elapsedMs;
    retitle();
}

StatusBar::Supply StatusBar::supplyAfter(const Outcome& outcome) {
    if (!outcome.ok() || !outcome.message)
        return Supply::Unknown;
    switch (*outcome.message) {
        case Msg::Supply3VOk:
            return Supply::V3;
        case Msg::Supply5VOk:
            return Supply::V5;
        case Msg::SupplyOffOk:
            return Supply::Off;
        default:
            return Supply::Unknown;
    }
}

QString StatusBar::boardText() const {
    if (!connected_)
        return state_.text(Msg::StatusBoard, qUtf8Printable(state_.text(Msg::StatusNotConnected)));
    if (serial_.isEmpty())
        return state_.text(Msg::StatusBoard, qUtf8Printable(state_.text(Msg::StatusNoSerial)));
    return state_.text(Msg::StatusBoard, qUtf8Printable(serial_));
}

QString StatusBar::supplyText() const {
    Msg value = Msg::StatusSupplyUnknown;
    switch (supplyState_) {
        case Supply::Unknown:
            break;
        case Supply::V3:
            value = Msg::StatusSupply3V;
            break;
        case Supply::V5:
            value = Msg::StatusSupply5V;
            break;
        case Supply::Off:
            value = Msg::StatusSupplyOff;
            break;
        case Supply::External:
            value = Msg::StatusSupplyExternal;
            break;
    }
    return state_.text(Msg::StatusSupply, qUtf8Printable(state_.text(value)));
}

QString StatusBar::trimText() const {
    return state_.text(trimMode_ ? Msg::StatusTrimOn : Msg::StatusTrimOff);
}

QString StatusBar::imageText() const {
    if (imagePath_.isEmpty())
        return state_.text(Msg::StatusNoImage);
    return state_.text(Msg::StatusImage, qUtf8Printable(QFileInfo(imagePath_).fileName()),
                       static_cast<unsigned>(imageLength_), static_cast<unsigned>(imageChecksum_),
                       qUtf8Printable(imageTime_.toString(QStringLiteral("HH:mm:ss"))));
}

QString StatusBar::imageToolTip() const {
    return imagePath_.isEmpty() ? QString() : QDir::toNativeSeparators(imagePath_);
}

QString StatusBar::verdictText() const {
    if (!hasVerdict_)
        return state_.text(Msg::StatusNoOperation);
    const double seconds = static_cast<double>(verdictMs_) / 1000.0;
    if (lastOutcome_.ok())
        return state_.text(Msg::StatusVerdictOk, seconds);
    return state_.text(Msg::StatusVerdictNg, reasonKey(lastOutcome_.reason), seconds);
}

void StatusBar::retitle() {
    board_->setText(boardText());
    supply_->setText(supplyText());
    trim_->setText(trimText());
    image_->setText(imageText());
    image_->setToolTip(imageToolTip());
    verdict_->setText(verdictText());
    verdict_->setToolTip(hasVerdict_ ? lastOutcome_.text : QString());
}

}  // namespace tessel
