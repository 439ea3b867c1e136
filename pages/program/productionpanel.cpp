#include "pages/program/productionpanel.h"

#include "app/chipcatalogue.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "link/tracelog.h"
#include "pages/program/cprogrammedlg.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace tessel {
namespace {

const char* const kSection = "InitParameters";
using Control = ProgramView::Control;

// A widget that takes typed text: Space and Enter are its own there.
bool takesText(const QWidget* w) {
    if (!w)
        return false;
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSpinBox*>(w))
        return true;
    if (const auto* e = qobject_cast<const QPlainTextEdit*>(w))
        return !e->isReadOnly();
    if (const auto* e = qobject_cast<const QTextEdit*>(w))
        return !e->isReadOnly();
    if (const auto* c = qobject_cast<const QComboBox*>(w))
        return c->isEditable();
    return false;
}

QLabel* makeLabel(QWidget* parent, int pointSize = 0, bool bold = false) {
    auto* l = new QLabel(parent);
    l->setAlignment(Qt::AlignCenter);
    l->setWordWrap(true);
    QFont f = l->font();
    if (pointSize > 0)
        f.setPointSize(pointSize);
    f.setBold(bold);
    l->setFont(f);
    return l;
}

}  // namespace

ProductionPanel::ProductionPanel(SharedState& state, CProgrammeDlg& page, Prompts& prompts,
                                 QWidget* parent)
    : QGroupBox(parent),
      state_(state),
      page_(page),
      prompts_(prompts),
      profile_(state.profilePath),
      openFolder_([](const QUrl& url) { return QDesktopServices::openUrl(url); }),
      traceLogFile_(traceLogPath(state)) {
    setObjectName(QStringLiteral("productionPanel"));
    buildUi();
    counted_ = currentSubject();
    OperationSequencer& sequencer = page_.session().sequencer();
    connect(&sequencer, &OperationSequencer::operationStarted, this, &ProductionPanel::onStarted);
    connect(&page_.session(), &ProgrammerSession::operationFinished, this,
            &ProductionPanel::onFinished);
    connect(&page_.session(), &ProgrammerSession::handshakeFinished, this,
            &ProductionPanel::refresh);
    connect(&page_.session().transport(), &CMUSBHid::disconnected, this, &ProductionPanel::refresh);
    // The write button's state says whether the next write may start.
    QPushButton* write = page_.button(Control::WriteFlash);
    write->installEventFilter(this);
    // After the page has handled the press: a write refused before it began.
    connect(write, &QPushButton::clicked, this, &ProductionPanel::afterWritePressed,
            Qt::QueuedConnection);
    setProductionMode(
        profile_.readInt(QString::fromLatin1(kSection), QString::fromLatin1(kProfileKey), 0) == 1);
    applyLanguage();
}

ProductionPanel::~ProductionPanel() {
    qApp->removeEventFilter(this);
}

void ProductionPanel::buildUi() {
    modeCheck_ = new QCheckBox;  // placed in the page's "其他" group
    modeCheck_->setObjectName(QStringLiteral("productionCheck"));
    connect(modeCheck_, &QCheckBox::toggled, this, [this](bool on) {
        setProductionMode(on);
        profile_.writeInt(QString::fromLatin1(kSection), QString::fromLatin1(kProfileKey),
                          on ? 1 : 0);
    });
    openLogFolder_ = new QAction(this);
    connect(openLogFolder_, &QAction::triggered, this, &ProductionPanel::openLogFolder);

    verdictLabel_ = makeLabel(this, 40, true);
    verdictLabel_->setObjectName(QStringLiteral("productionVerdict"));
    verdictLabel_->setMinimumHeight(72);
    reasonLabel_ = makeLabel(this);
    countsLabel_ = makeLabel(this, 13, true);
    resetButton_ = new QPushButton(this);
    connect(resetButton_, &QPushButton::clicked, this, &ProductionPanel::resetCounts);
    durationLabel_ = makeLabel(this);
    imageLabel_ = makeLabel(this);
    chipLabel_ = makeLabel(this);
    noticeLabel_ = makeLabel(this);
    noticeLabel_->setStyleSheet(QStringLiteral("color: #a05a00;"));
    hintLabel_ = makeLabel(this);
    logFolderButton_ = new QPushButton(this);
    connect(logFolderButton_, &QPushButton::clicked, openLogFolder_, &QAction::trigger);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(verdictLabel_);
    layout->addWidget(reasonLabel_);
    layout->addSpacing(8);
    layout->addWidget(countsLabel_);
    layout->addWidget(resetButton_);
    layout->addWidget(durationLabel_);
    layout->addSpacing(8);
    layout->addWidget(imageLabel_);
    layout->addWidget(chipLabel_);
    layout->addWidget(noticeLabel_);
    layout->addStretch(1);
    layout->addWidget(hintLabel_);
    layout->addWidget(logFolderButton_);
    setFixedWidth(230);
}

bool ProductionPanel::productionMode() const {
    return modeCheck_->isChecked();
}

void ProductionPanel::setProductionMode(bool on) {
    if (modeCheck_->isChecked() != on) {
        modeCheck_->setChecked(on);  // toggled() comes back here and keeps it in the profile
        return;
    }
    setVisible(on);
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
    refresh();
}

ProductionPanel::Subject ProductionPanel::currentSubject() const {
    const ImageState& image = page_.image();
    Subject s;
    s.loaded = image.imageLoaded;
    if (s.loaded) {
        s.file = QFileInfo(image.lastImagePath).fileName();
        s.checksum = image.imageChecksum;
    }
    s.chip = static_cast<int>(state_.chipIndex.load());
    return s;
}

void ProductionPanel::subjectMayHaveChanged() {
    const Subject now = currentSubject();
    if (now != counted_) {
        // Nothing counted yet: the count simply belongs to the new image and chip.
        const int before[3] = {succeeded_, failed_, succeeded_ + failed_};
        if (endCount()) {
            notice_ = Msg::ProductionNewCount;
            std::copy(before, before + 3, noticeCounts_);
        }
        counted_ = now;
    }
    refresh();
}

bool ProductionPanel::endCount() {
    if (succeeded_ + failed_ == 0)
        return false;
    const Subject& s = counted_;
    const QString image = s.loaded ? s.file + QString::asprintf(" 0x%08X", s.checksum)
                                   : state_.text(Msg::ProductionNoImage);
    page_.appendLog(state_.text(Msg::ProductionCountEnded, qUtf8Printable(image),
                                chipInfo(s.chip).comboText, succeeded_, failed_,
                                succeeded_ + failed_));
    succeeded_ = 0;
    failed_ = 0;
    return true;
}

void ProductionPanel::resetCounts() {
    const int before[3] = {succeeded_, failed_, succeeded_ + failed_};
    if (endCount()) {
        notice_ = Msg::ProductionCountsCleared;
        std::copy(before, before + 3, noticeCounts_);
    }
    counted_ = currentSubject();
    refresh();
}

void ProductionPanel::onStarted(OperationSequencer::Operation operation) {
    if (operation != OperationSequencer::Operation::WriteFlash || !productionMode())
        return;
    // The write reloaded the image from its file: a changed file is another image.
    subjectMayHaveChanged();
    running_ = true;
    clock_.start();
    showVerdict(Verdict::Running, QString());
}

void ProductionPanel::onFinished(const Outcome& outcome) {
    const QString reason =
        outcome.text.isEmpty() ? QString::fromLatin1(reasonKey(outcome.reason)) : outcome.text;
    if (running_) {
        running_ = false;
        lastMs_ = clock_.elapsed();
        // Without a board nothing reached a chip: shown, not counted.
        if (outcome.reason != Reason::NoBoard)
            ++(outcome.ok() ? succeeded_ : failed_);
        showVerdict(outcome.ok() ? Verdict::Ok : Verdict::Ng, reason);
    } else if (outcome.reason == Reason::ImageRefused && productionMode()) {
        // A one-key write refused for its image (as read again from its file) before it
        // began: no chip was touched.
        subjectMayHaveChanged();
        showVerdict(Verdict::Ng, reason);
    }
    refresh();
}

void ProductionPanel::afterWritePressed() {
    if (!productionMode() || page_.session().busy() || page_.image().imageLoaded)
        return;
    // The image could not be read again from its file (the page said why): no chip was
    // touched, and the count's image is gone.
    subjectMayHaveChanged();
    showVerdict(Verdict::Ng, state_.text(Msg::ProductionNeedImage));
}

void ProductionPanel::showVerdict(Verdict verdict, const QString& reason) {
    verdict_ = verdict;
    reason_ = reason;
    refresh();
}

bool ProductionPanel::readyForNext() const {
    const ImageState& image = page_.image();
    ProgrammerSession& session = page_.session();
    return productionMode() && !session.busy() && session.transport().isConnected() &&
           image.imageLoaded && page_.button(Control::WriteFlash)->isEnabled();
}

QString ProductionPanel::hintText() const {
    ProgrammerSession& session = page_.session();
    if (session.busy())
        return state_.text(Msg::ProductionBusy);
    if (!session.transport().isConnected())
        return state_.text(Msg::ProductionNeedBoard);
    if (!page_.image().imageLoaded)
        return state_.text(Msg::ProductionNeedImage);
    if (!page_.button(Control::WriteFlash)->isEnabled())
        return state_.text(Msg::ProductionNotNow);
    return state_.text(Msg::ProductionReady);
}

QString ProductionPanel::verdictText() const {
    switch (verdict_) {
        case Verdict::Ok:
            return state_.text(Msg::ProductionVerdictOk);
        case Verdict::Ng:
            return state_.text(Msg::ProductionVerdictNg);
        case Verdict::Running:
            return state_.text(Msg::ProductionRunning);
        case Verdict::None:
            break;
    }
    return state_.text(Msg::ProductionVerdictNone);
}

QString ProductionPanel::reasonText() const {
    return reason_;
}

QString ProductionPanel::countsText() const {
    return state_.text(Msg::ProductionCounts, succeeded_, failed_, succeeded_ + failed_);
}

QString ProductionPanel::durationText() const {
    if (lastMs_ < 0)
        return state_.text(Msg::ProductionNoDuration);
    return state_.text(Msg::ProductionDuration, lastMs_ / 1000.0);
}

QString ProductionPanel::imageText() const {
    if (!counted_.loaded)
        return state_.text(Msg::ProductionNoImage);
    return state_.text(Msg::ProductionImage, qUtf8Printable(counted_.file), counted_.checksum);
}

QString ProductionPanel::chipText() const {
    return state_.text(Msg::ProductionChip, chipInfo(counted_.chip).comboText);
}

QString ProductionPanel::noticeText() const {
    if (notice_ == Msg::Count)
        return QString();
    return state_.text(notice_, noticeCounts_[0], noticeCounts_[1], noticeCounts_[2]);
}

void ProductionPanel::refresh() {
    verdictLabel_->setText(verdictText());
    const char* colour = "#808080";
    if (verdict_ == Verdict::Ok)
        colour = "#1a9c1a";
    else if (verdict_ == Verdict::Ng)
        colour = "#d01010";
    verdictLabel_->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(colour)));
    reasonLabel_->setText(reason_);
    countsLabel_->setText(countsText());
    durationLabel_->setText(durationText());
    imageLabel_->setText(imageText());
    imageLabel_->setToolTip(counted_.loaded ? page_.image().lastImagePath : QString());
    chipLabel_->setText(chipText());
    noticeLabel_->setText(noticeText());
    noticeLabel_->setVisible(notice_ != Msg::Count);
    hintLabel_->setText(hintText());
}

void ProductionPanel::applyLanguage() {
    setTitle(state_.text(Msg::ProductionTitle));
    modeCheck_->setText(state_.text(Msg::ProductionModeCheck));
    resetButton_->setText(state_.text(Msg::ProductionReset));
    openLogFolder_->setText(state_.text(Msg::OpenLogFolder));
    logFolderButton_->setText(state_.text(Msg::OpenLogFolder));
    logFolderButton_->setToolTip(traceLogFile_);
    refresh();
}

QString ProductionPanel::traceLogPath(const SharedState& state) {
    return TraceLog::defaultPath(state);
}

void ProductionPanel::attachTraceLog(ProgrammerSession& session) {
    // One record per finished operation of the window's session that touched a chip.
    TraceLog* log = TraceLog::attach(session, traceLogFile_);
    connect(log, &TraceLog::writeFailed, this, [this](const QString& path) {
        page_.appendLog(state_.text(Msg::TraceLogWriteFailed, qUtf8Printable(path)));
    });
}

void ProductionPanel::openLogFolder() {
    const QString folder = QFileInfo(traceLogFile_).absolutePath();
    // An installed program's settings folder exists only once something was saved there.
    QDir().mkpath(folder);
    if (!openFolder_(QUrl::fromLocalFile(folder)))
        prompts_.showWarning(state_.text(Msg::LogFolderNotOpened, qUtf8Printable(folder)));
}

bool ProductionPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange && watched == page_.button(Control::WriteFlash)) {
        refresh();
        return false;
    }
    if (event->type() == QEvent::KeyPress)
        return keyStartsNext(watched, event);
    return false;
}

bool ProductionPanel::keyStartsNext(QObject* watched, QEvent* event) {
    auto* key = static_cast<QKeyEvent*>(event);
    const int k = key->key();
    if (k != Qt::Key_Space && k != Qt::Key_Return && k != Qt::Key_Enter)
        return false;
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    auto* target = qobject_cast<QWidget*>(watched);
    // Only keys typed into this window while the panel shows, never into a text field, and
    // not on the mode's own check (Space turns production mode off there).
    if (!target || !isVisible() || target->window() != window() || target == modeCheck_ ||
        takesText(QApplication::focusWidget()) || takesText(target)) {
        return false;
    }
    // The key is the operator's "next chip": it never presses whatever button has the focus.
    // A held key starts one write, not one per repeat.
    if (!key->isAutoRepeat() && readyForNext())
        page_.button(Control::WriteFlash)->click();
    return true;
}

}  // namespace tessel
