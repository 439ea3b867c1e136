#include "pages/program/cprogrammedlg.h"

#include "app/chipcatalogue.h"
#include "image/imageformat.h"
#include "image/imageloader.h"
#include "image/imagemessages.h"
#include "image/massproductionwriter.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "pages/chip/configpages.h"
#include "pages/chip/engine/pageview.h"
#include "pages/chip/pagesconfigsource.h"
#include "pages/program/bufferfiles.h"
#include "pages/program/cmlistctrl.h"
#include "pages/program/messagelist.h"
#include "pages/program/productionpanel.h"
#include "res/artwork.h"

#include <QCheckBox>
#include <QDateTime>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tessel {
namespace {

using Control = ProgramView::Control;

struct Caption {
    Control control;
    Msg text;
    Msg tip;  // what the button does and what it sends
};

const Caption kCaptions[] = {
    {Control::OpenFile, Msg::OpenFileButton, Msg::TipOpenFile},
    {Control::WriteFlash, Msg::WriteFlashButton, Msg::TipWriteFlash},
    {Control::ReadFlash, Msg::ReadFlashButton, Msg::TipReadFlash},
    {Control::WriteEeprom, Msg::WriteEepromButton, Msg::TipWriteEeprom},
    {Control::ReadEeprom, Msg::ReadEepromButton, Msg::TipReadEeprom},
    {Control::ReadConfig, Msg::ReadConfigButton, Msg::TipReadConfig},
    {Control::WriteConfig, Msg::WriteConfigButton, Msg::TipWriteConfig},
    {Control::WriteTrim, Msg::WriteTrimButton, Msg::TipWriteTrim},
    {Control::Power3V, Msg::Power3VButton, Msg::TipPower3V},
    {Control::Power5V, Msg::Power5VButton, Msg::TipPower5V},
    {Control::PowerOff, Msg::PowerOffButton, Msg::TipPowerOff},
    {Control::CreateFile, Msg::CreateFileButton, Msg::TipCreateFile},
};
const Msg kViewTabs[5] = {Msg::MessagesTab, Msg::WriteBufferTab, Msg::ReadBufferTab,
                          Msg::WriteEepromTab, Msg::ReadEepromTab};

CMListCtrl* makeGrid(const QString& header) {
    auto* grid = new CMListCtrl;
    grid->addColumn(header, 64);  // wide enough for "0x07f8" in any font
    for (int c = 0; c < 8; ++c)
        grid->addColumn(QString::number(c), 38);
    return grid;
}

}  // namespace

CProgrammeDlg::CProgrammeDlg(SharedState& state, HidBackend& bus, Prompts& prompts, QWidget* parent)
    : QWidget(parent), state_(state), prompts_(prompts) {
    configPages_ = std::make_unique<chip::ConfigPages>(Profile(state_.profilePath));
    configPages_->initialiseAll(static_cast<int>(state_.chipIndex.load()));
    configSource_ = std::make_unique<chip::PagesConfigSource>(*configPages_);
    loader_ = std::make_unique<ImageLoader>(state_, image_, *this, prompts_,
                                            static_cast<ImageLoadEffects&>(*this));
    writer_ = std::make_unique<MassProductionWriter>(state_, image_, *this, prompts_);
    session_ =
        std::make_unique<ProgrammerSession>(state_, bus, image_, *configSource_, *this, prompts_);
    sequencer_ = &session_->sequencer();
    buildUi();
    connect(session_.get(), &ProgrammerSession::handshakeFinished, this,
            &CProgrammeDlg::onHandshakeFinished);
    production_->attachTraceLog(*session_);
    connect(&session_->transport(), &CMUSBHid::disconnected, this, &CProgrammeDlg::onBoardGone);
}

CProgrammeDlg::~CProgrammeDlg() = default;

QPushButton* CProgrammeDlg::addButton(Control control, QGroupBox* group) {
    auto* b = new QPushButton(group);
    buttons_[static_cast<int>(control)] = b;
    group->layout()->addWidget(b);
    return b;
}

void CProgrammeDlg::buildUi() {
    QVBoxLayout* left = buildButtonColumn();
    production_ = new ProductionPanel(state_, *this, prompts_, this);
    otherGroup_->layout()->addWidget(&production_->modeCheck());
    buildViewGroup();
    buildPageFrame();
    views_->setMinimumWidth(
        440);  // its five tabs and the messages stay readable at the window's minimum size

    // The views take what the window gains; the frame is at least as wide as its page needs
    // and the user may widen it.
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->setObjectName(QStringLiteral("pageSplitter"));
    // The production panel stays beside the views (the verdict next to the log).
    auto* viewSide = new QWidget(this);
    auto* viewLayout = new QHBoxLayout(viewSide);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    viewLayout->addWidget(viewGroup_, 1);
    viewLayout->addWidget(production_);
    splitter_->addWidget(viewSide);
    splitter_->addWidget(pageFrame_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    splitter_->setChildrenCollapsible(false);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addWidget(splitter_, 1);

    connectButtons();

    retitle();
    setDumps(state_.text(Msg::WriteDumpEmpty), state_.text(Msg::ReadDumpEmpty));
    layoutForChip();
}

QVBoxLayout* CProgrammeDlg::buildButtonColumn() {
    // Left column, in its final form: the configuration group stays hidden.
    programGroup_ = new QGroupBox(this);
    new QVBoxLayout(programGroup_);
    for (Control c : {Control::OpenFile, Control::WriteFlash, Control::ReadFlash,
                      Control::WriteEeprom, Control::ReadEeprom, Control::ReadConfig}) {
        addButton(c, programGroup_);
    }
    stopButton_ = new QPushButton(programGroup_);
    stopButton_->setObjectName(QStringLiteral("stopButton"));
    stopButton_->setEnabled(false);
    programGroup_->layout()->addWidget(stopButton_);
    configGroup_ = new QGroupBox(this);
    new QVBoxLayout(configGroup_);
    for (Control c : {Control::WriteConfig, Control::TrimToggle, Control::WriteTrim}) {
        addButton(c, configGroup_);
    }
    // The configuration group is the engineering layout's; customers never see it.
    configGroup_->setVisible(state_.engineeringLayout);
    powerGroup_ = new QGroupBox(this);
    new QVBoxLayout(powerGroup_);
    for (Control c : {Control::Power3V, Control::Power5V, Control::PowerOff}) {
        addButton(c, powerGroup_);
    }
    otherGroup_ = new QGroupBox(this);
    new QVBoxLayout(otherGroup_);
    clearButton_ = new QPushButton(otherGroup_);
    otherGroup_->layout()->addWidget(clearButton_);
    addButton(Control::CreateFile, otherGroup_);

    auto* left = new QVBoxLayout;
    for (QGroupBox* g : {programGroup_, configGroup_, powerGroup_, otherGroup_})
        left->addWidget(g);
    left->addStretch(1);
    return left;
}

void CProgrammeDlg::buildViewGroup() {
    // Middle: the five views, the progress bar and the result picture.
    viewGroup_ = new QGroupBox(this);
    views_ = new QTabWidget(viewGroup_);
    messages_ = new MessageList;
    connect(messages_, &MessageList::saveRequested, this, &CProgrammeDlg::onSaveLog);
    messages_->setObjectName(QStringLiteral("messages"));
    writeDump_ = new QPlainTextEdit;
    readDump_ = new QPlainTextEdit;
    for (QPlainTextEdit* e : {writeDump_, readDump_}) {
        e->setReadOnly(true);
        e->setLineWrapMode(QPlainTextEdit::NoWrap);
        e->setFont(QFont(QStringLiteral("Monospace")));
    }
    writeGrid_ = makeGrid(state_.text(Msg::EepromGridHeader));
    readGrid_ = makeGrid(state_.text(Msg::EepromGridHeader));
    views_->addTab(messages_, QString());
    views_->addTab(writeDump_, QString());
    views_->addTab(readDump_, QString());
    views_->addTab(writeGrid_, QString());
    views_->addTab(readGrid_, QString());
    progress_ = new QProgressBar(viewGroup_);
    progress_->setRange(0, 100);
    progress_->hide();
    resultPicture_ = new QLabel(viewGroup_);
    resultPicture_->setFixedSize(96, 48);
    resultPicture_->hide();
    bufferFiles_ = new BufferFiles(state_, image_, prompts_, *this, this);
    connect(bufferFiles_, &BufferFiles::eepromImageLoaded, this, &CProgrammeDlg::eepromImageLoaded);
    connect(views_, &QTabWidget::currentChanged, this, &CProgrammeDlg::onViewChanged);
    watchBufferMenus();
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(bufferFiles_->saveButton());
    bottom->addWidget(bufferFiles_->loadButton());
    bottom->addWidget(progress_, 1);
    bottom->addWidget(resultPicture_);
    auto* middle = new QVBoxLayout(viewGroup_);
    middle->addWidget(views_, 1);
    middle->addLayout(bottom);
}

void CProgrammeDlg::buildPageFrame() {
    // Right: the frame that hosts the chip pages. It is as wide as the page shown needs and
    // scrolls a page taller than the window; the views get the rest.
    pageFrame_ = new QGroupBox(this);
    pageStack_ = new QStackedWidget;
    for (int p = 0; p < chip::kConfigPageCount; ++p) {
        auto* view = new chip::ChipPageView(configPages_->page(static_cast<chip::ConfigPage>(p)));
        view->installEventFilter(this);
        pageViews_.push_back(view);
        pageStack_->addWidget(view);
    }
    // The trim pages wait in the same frame, one per class, until trim mode shows them.
    for (int p = 0; p < chip::kConfigPageCount; ++p) {
        auto* view =
            new chip::ChipPageView(configPages_->trimPage(static_cast<chip::ConfigPage>(p)));
        view->installEventFilter(this);
        pageViews_.push_back(view);
        pageStack_->addWidget(view);
    }
    pageScroll_ = new QScrollArea(pageFrame_);
    pageScroll_->setWidgetResizable(true);
    pageScroll_->setFrameShape(QFrame::NoFrame);
    pageScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pageScroll_->setWidget(pageStack_);
    (new QVBoxLayout(pageFrame_))->addWidget(pageScroll_);
}

void CProgrammeDlg::connectButtons() {
    connect(button(Control::OpenFile), &QPushButton::clicked, this,
            [this] { loader_->openImage(); });
    connect(button(Control::WriteFlash), &QPushButton::clicked, this, &CProgrammeDlg::onWriteFlash);
    connect(button(Control::ReadConfig), &QPushButton::clicked, this,
            [this] { sequencer_->startReadConfig(); });
    connect(button(Control::CreateFile), &QPushButton::clicked, this, &CProgrammeDlg::onCreateFile);
    connect(button(Control::ReadFlash), &QPushButton::clicked, this,
            [this] { sequencer_->startReadFlash(); });
    connect(button(Control::ReadEeprom), &QPushButton::clicked, this,
            [this] { sequencer_->startReadEeprom(); });
    connect(button(Control::WriteEeprom), &QPushButton::clicked, this,
            [this] { sequencer_->startWriteEeprom(); });
    connect(button(Control::Power3V), &QPushButton::clicked, this,
            [this] { sequencer_->switchSupply(OperationSequencer::Supply::V3); });
    connect(button(Control::Power5V), &QPushButton::clicked, this,
            [this] { sequencer_->switchSupply(OperationSequencer::Supply::V5); });
    connect(button(Control::PowerOff), &QPushButton::clicked, this,
            [this] { sequencer_->switchSupply(OperationSequencer::Supply::Off); });
    connect(button(Control::WriteConfig), &QPushButton::clicked, this,
            [this] { sequencer_->startWriteConfig(); });
    connect(button(Control::TrimToggle), &QPushButton::clicked, this, &CProgrammeDlg::onTrimToggle);
    connect(button(Control::WriteTrim), &QPushButton::clicked, this,
            [this] { sequencer_->startWriteTrim(); });
    connect(stopButton_, &QPushButton::clicked, this, [this] { sequencer_->stopOperation(); });
    connect(clearButton_, &QPushButton::clicked, this, [this] {
        messages_->clear();
        setResult(Result::Hidden);  // the picture belongs to the messages it concluded
    });
    for (CMListCtrl* grid : {writeGrid_, readGrid_}) {
        connect(grid, &CMListCtrl::byteEdited, this, &CProgrammeDlg::onGridEdit);
    }
}

QPushButton* CProgrammeDlg::button(Control control) const {
    return buttons_[static_cast<int>(control)];
}

void CProgrammeDlg::retitle() {
    for (const Caption& c : kCaptions) {
        button(c.control)->setText(state_.text(c.text));
        button(c.control)->setToolTip(state_.text(c.tip));
    }
    button(Control::TrimToggle)->setToolTip(state_.text(Msg::TipTrimToggle));
    stopButton_->setText(state_.text(Msg::StopButton));
    stopButton_->setToolTip(state_.text(Msg::TipStop));
    clearButton_->setToolTip(state_.text(Msg::TipClear));
    bufferFiles_->retitle();
    button(Control::TrimToggle)
        ->setText(
            state_.text(sequencer_->trimMode() ? Msg::LeaveTrimButton : Msg::EnterTrimButton));
    clearButton_->setText(state_.text(Msg::ClearButton));
    programGroup_->setTitle(state_.text(Msg::ProgramGroup));
    configGroup_->setTitle(state_.text(Msg::ConfigGroup));
    powerGroup_->setTitle(state_.text(Msg::PowerGroup));
    otherGroup_->setTitle(state_.text(Msg::OtherGroup));
    viewGroup_->setTitle(state_.text(Msg::ViewGroup));
    messages_->setLanguage(state_.language);
    for (int i = 0; i < 5; ++i)
        views_->setTabText(i, state_.text(kViewTabs[i]));
    production_->applyLanguage();
}

void CProgrammeDlg::setDumps(const QString& write, const QString& read) {
    writeDump_->setPlainText(write);
    readDump_->setPlainText(read);
}

QString CProgrammeDlg::writeDumpText() const {
    return writeDump_->toPlainText();
}
QString CProgrammeDlg::readDumpText() const {
    return readDump_->toPlainText();
}

void CProgrammeDlg::applyLanguage() {
    retitle();
    configPages_->page(chip::ConfigPage::MCU01).applyLanguage(state_.language);
    // English shows "NULL" in both dumps, Chinese the texts of a fresh start.
    setDumps(state_.text(Msg::WriteDumpEmpty), state_.text(Msg::ReadDumpEmpty));
    views_->setCurrentIndex(0);
}

void CProgrammeDlg::appendLog(const QString& line) {
    messages_->appendLine(line);
}

QStringList CProgrammeDlg::logLines() const {
    return messages_->lines();
}

void CProgrammeDlg::onSaveLog() {
    const QString name =
        QDateTime::currentDateTime().toString(QStringLiteral("'Tessel-log-'yyyyMMdd-HHmmss'.txt'"));
    const QString path = prompts_.saveFileName(name, state_.text(Msg::LogFileFilter));
    if (path.isEmpty() || messages_->saveTo(path))
        return;
    prompts_.showWarning(state_.text(Msg::LogNotSaved, qUtf8Printable(path)));
}

void CProgrammeDlg::setButtonsEnabled(bool enabled) {
    buttonsEnabled_ = enabled;
    sequencer_->setButtonsEnabled(enabled);
}

void CProgrammeDlg::setControlEnabled(Control control, bool enabled) {
    switch (control) {
        case Control::ChipCombo:
            Q_EMIT chipComboEnabledChanged(enabled);
            return;
        case Control::GridEdit:
            for (CMListCtrl* g : {writeGrid_, readGrid_}) {
                if (!enabled && g->isEditing())
                    g->commitEdit();
                g->setEnabled(enabled);
            }
            bufferFiles_->setEnabled(enabled);
            if (stopButton_->isEnabled() != !enabled) {
                stopButton_->setEnabled(!enabled);
                Q_EMIT stopEnabledChanged(!enabled);
            }
            return;
        case Control::OpenFile:
            // Without a board a file can still be opened; with a board the sequences decide.
            if (!session_->transport().isConnected())
                enabled = !sequencer_->busy() && !sequencer_->trimMode();
            button(control)->setEnabled(enabled);
            return;
        default:
            button(control)->setEnabled(enabled);
            return;
    }
}

void CProgrammeDlg::showProgress(int percent) {
    progress_->setValue(percent);
    progress_->show();
}

void CProgrammeDlg::hideProgress() {
    progress_->hide();
}

void CProgrammeDlg::setResult(Result result) {
    result_ = result;
    switch (result) {
        case Result::Hidden:
            resultPicture_->hide();
            return;
        case Result::Busy:
            resultPicture_->setPixmap(artwork::busyPicture());
            break;
        case Result::Ok:
            resultPicture_->setPixmap(artwork::okPicture());
            break;
        case Result::Ng:
            resultPicture_->setPixmap(artwork::ngPicture());
            break;
    }
    resultPicture_->show();
}

void CProgrammeDlg::readBufferChanged(uint32_t length) {
    bufferFiles_->setReadLength(length);
    readDump_->setPlainText(formatHexDump(image_.readBuffer.data(), length));
}

void CProgrammeDlg::eepromReadBufferChanged() {
    const int chip = sequencer_->operationChip();
    showEepromImage(image_.eepromReadImage(chip), ImageState::eepromImageSize(chip) / 8, 0);
}

void CProgrammeDlg::operationFinished(const Outcome&) {}

void CProgrammeDlg::showEepromImage(const uint8_t* bytes, int rows, int which) {
    CMListCtrl* grid = which == 1 ? writeGrid_ : readGrid_;
    rows = std::min(rows, grid->rowCount());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 8; ++c)
            grid->setByteCell(r, c + 1, bytes[r * 8 + c]);
    }
}

chip::ChipPageView* CProgrammeDlg::currentPageView() const {
    return static_cast<chip::ChipPageView*>(pageStack_->currentWidget());
}

void CProgrammeDlg::layoutForChip() {
    const int chip = static_cast<int>(state_.chipIndex.load());
    // The result picture tells about the chip it was made on.
    if (chip != laidOutChip_)
        setResult(Result::Hidden);
    laidOutChip_ = chip;
    showModePage(chip);
    fitPageFrame();
    // The grids show the whole EEPROM image: 2 KiB (256 rows) for the chips that keep it
    // inside the flash buffers, 1 KiB (128 rows) otherwise.
    const bool inFlash = eepromInFlashBuffer(chip) && !sequencer_->trimMode();
    const int rows = inFlash ? 256 : 128;
    for (CMListCtrl* grid : {writeGrid_, readGrid_}) {
        if (grid->rowCount() != rows) {
            grid->setRowCount(rows);
            for (int r = 0; r < rows; ++r) {
                grid->setItemText(r, 0, QString::asprintf("0x%04x", r * 8));
            }
        }
        grid->setEditableRange(0, rows - 1, 1, 8);
    }
    showEepromImage(inFlash ? image_.eepromWriteImage(chip) : image_.eepromWriteBuffer.data(), rows,
                    1);
    showEepromImage(inFlash ? image_.eepromReadImage(chip) : image_.eepromReadBuffer.data(), rows,
                    0);
    sequencer_->refreshControls();
    production_->subjectMayHaveChanged();
}

void CProgrammeDlg::fitPageFrame() {
    QWidget* current = pageStack_->currentWidget();
    // Only the page shown counts for the stack's size.
    for (chip::ChipPageView* view : pageViews_) {
        const auto policy = view == current ? QSizePolicy::Preferred : QSizePolicy::Ignored;
        view->setSizePolicy(policy, policy);
    }
    pageScroll_->setMinimumWidth(current->sizeHint().width() +
                                 pageScroll_->verticalScrollBar()->sizeHint().width());
}

bool CProgrammeDlg::eventFilter(QObject* watched, QEvent* event) {
    // A page that shows or hides groups changes the width it needs.
    if (event->type() == QEvent::LayoutRequest && pageStack_ &&
        watched == pageStack_->currentWidget())
        fitPageFrame();
    return QWidget::eventFilter(watched, event);
}

void CProgrammeDlg::onGridEdit(int index, int value) {
    const int chip = static_cast<int>(state_.chipIndex.load());
    // An edit in either grid changes the image to write; chips without EEPROM ignore it.
    if (!chipInfo(chip).eepromOperations || index < 0 ||
        index >= static_cast<int>(ImageState::eepromImageSize(chip))) {
        return;
    }
    image_.eepromWriteImage(chip)[index] = static_cast<uint8_t>(value);
}

void CProgrammeDlg::onWriteFlash() {
    if (sequencer_->busy())
        return;
    // An image that was not freshly opened is read again from its file, as it now stands.
    if (!image_.freshlyOpened && loader_->reloadBeforeFlashWrite() && !image_.imageLoaded) {
        // The refusal was shown in a box; the log keeps it too.
        appendLog(sizeMessage(static_cast<int>(state_.chipIndex.load()), state_.language,
                              CheckKind::Reload));
        setResult(Result::Ng);
        return;
    }
    sequencer_->startWriteFlash();
}

void CProgrammeDlg::onCreateFile() {
    if (sequencer_->busy())
        return;
    const int chip = static_cast<int>(state_.chipIndex.load());
    writer_->createMassProductionFile(configSource_->fileCfg0(chip), configSource_->fileCfg1(chip),
                                      image_.fileModeSelection);
}

void CProgrammeDlg::onHandshakeFinished(const Outcome& outcome) {
    // The board's version decides whether the operation buttons work; without a board
    // none of them does.
    if (outcome.ok() || outcome.reason == Reason::VersionRefused)
        buttonsEnabled_ = outcome.ok();
    else if (!session_->transport().isConnected())
        setButtonsEnabled(false);
}

void CProgrammeDlg::onBoardGone() {
    setButtonsEnabled(false);
}

bool CProgrammeDlg::openImageFile(const QString& path) {
    if (!button(Control::OpenFile)->isEnabled())
        return false;
    loader_->openImage(path);
    return true;
}

void CProgrammeDlg::onViewChanged(int index) {
    using V = BufferFiles::View;
    const V views[5] = {V::Other, V::Other, V::ReadFlash, V::WriteEeprom, V::ReadEeprom};
    bufferFiles_->setView(index >= 0 && index < 5 ? views[index] : V::Other);
}

void CProgrammeDlg::watchBufferMenus() {
    // Right-click on the read views offers to save them, on the write grid to load it.
    readDump_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(readDump_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = readDump_->createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->addSeparator();
        bufferFiles_->addSaveActions(menu, BufferFiles::View::ReadFlash);
        menu->popup(readDump_->viewport()->mapToGlobal(at));
    });
    for (CMListCtrl* grid : {readGrid_, writeGrid_}) {
        grid->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(grid, &QWidget::customContextMenuRequested, this, [this, grid](const QPoint& at) {
            auto* menu = new QMenu(grid);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            if (grid == readGrid_) {
                bufferFiles_->addSaveActions(menu, BufferFiles::View::ReadEeprom);
            } else {
                QAction* load = menu->addAction(state_.text(Msg::LoadBufferButton));
                connect(load, &QAction::triggered, bufferFiles_, &BufferFiles::loadEepromImage);
            }
            menu->popup(grid->viewport()->mapToGlobal(at));
        });
    }
}

// --- effects of loading an image ---------------------------------------------------------------

void CProgrammeDlg::openStarted() {
    setResult(Result::Hidden);
}

void CProgrammeDlg::openFinished() {
    QWidget* current = views_->currentWidget();
    current->hide();
    current->show();
    production_->subjectMayHaveChanged();
    Q_EMIT imageOpened();
}

void CProgrammeDlg::writeBufferDumpChanged(const QString& dump) {
    writeDump_->setPlainText(dump);
}

void CProgrammeDlg::hexLoaded() {
    configPages_->page(chip::ConfigPage::KR4111).enableCfg0Controls(true);
    configPages_->page(chip::ConfigPage::KR4112).enableCfg0Controls(true);
    configPages_->page(chip::ConfigPage::KR4113).enableCfg0Controls(false);
}

void CProgrammeDlg::massProductionChipSelected(int) {
    layoutForChip();
}

void CProgrammeDlg::massProductionConfigApplied(int chip, uint8_t cfg0) {
    // The KR41xx pages that take word 0 hold the file's CFG0 and lock it; for the MCU01 and
    // MCU02 designs the MCU01 page's CFG0 controls are locked.
    const ChipInfo& c = chipInfo(chip);
    if (c.family == ChipFamily::KR41xx && c.programConfig == ProgramConfigStep::Word0) {
        chip::PageModel& page = configPages_->forChip(chip);
        page.applyCfg0(cfg0);
        page.enableCfg0Controls(false);
    } else if (c.family == ChipFamily::MCU01 || c.family == ChipFamily::MCU02) {
        configPages_->page(chip::ConfigPage::MCU01).enableCfg0Controls(false);
    }
}

void CProgrammeDlg::chipComboChangeRequested(int chip) {
    Q_EMIT chipEntryRequested(chip);
}

void CProgrammeDlg::eepromImageLoaded() {
    const int chip = static_cast<int>(state_.chipIndex.load());
    showEepromImage(image_.eepromWriteImage(chip), ImageState::eepromImageSize(chip) / 8, 1);
}

}  // namespace tessel
