#include "app/tesseldlg.h"

#include "app/aboutdlg.h"
#include "app/boardchoice.h"
#include "app/boardchooser.h"
#include "app/chipcatalogue.h"
#include "app/mainmenu.h"
#include "app/qttranslations.h"
#include "app/statusbar.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/hiddevice.h"
#include "link/programmersession.h"
#include "pages/chip/engine/wheelguard.h"
#include "pages/debug/cdebug.h"
#include "pages/help/chelplines.h"
#include "pages/program/cprogrammedlg.h"
#include "pages/program/productionpanel.h"
#include "res/artwork.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace tessel {
namespace {

const char* const kProfileSection = "InitParameters";
const char* const kChipKey = "m_ictype";

}  // namespace

CTesselDlg::CTesselDlg(SharedState& state, HidBackend& backend, Prompts& prompts, bool simulated,
                       QWidget* parent)
    : QWidget(parent),
      state_(state),
      backend_(backend),
      profile_(state.profilePath),
      recent_(Profile(state.profilePath)),
      prompts_(prompts),
      boardChoice_(new BoardChoice(backend)),
      programPage_(new CProgrammeDlg(state, *boardChoice_, prompts)),
      transport_(&programPage_->session().transport()),
      debugPage_(new CDebug(state, *transport_, prompts)),
      watcher_(backend.createWatcher(this)),
      qtTexts_(new QtTranslations(this)) {
    qtTexts_->apply(0);  // every start is in Chinese
    setWindowIcon(artwork::appIcon());
    if (profile_.exists()) {
        state_.chipIndex = sanitizeChipIndex(profile_.readInt(QString::fromLatin1(kProfileSection),
                                                              QString::fromLatin1(kChipKey), 0));
    }
    state_.language = 0;
    boardChoice_->setParent(programPage_);  // it outlives the page's session
    buildUi();
    boardChooser_->attach(programPage_->session(), *programPage_, watcher_);
    addAction(&programPage_->production().openLogFolderAction());
    connectStatusBar();

    connect(watcher_, &HotplugWatcher::arrived, this, &CTesselDlg::onDeviceArrived);
    connect(watcher_, &HotplugWatcher::removed, this, &CTesselDlg::onDeviceRemoved);
    connect(programPage_, &CProgrammeDlg::chipEntryRequested, this, &CTesselDlg::selectChipEntry);
    connect(programPage_, &CProgrammeDlg::chipComboEnabledChanged, chipCombo_,
            &QComboBox::setEnabled);
    // The chip stays as it is while a debug run decodes the stream with its layout.
    connect(debugPage_, &CDebug::runActiveChanged, chipCombo_,
            [this](bool active) { chipCombo_->setEnabled(!active); });
    // Neither a language switch (it rebuilds the tabs and views) nor a re-open of the board
    // while an operation runs.
    connect(programPage_, &CProgrammeDlg::chipComboEnabledChanged, languageCombo_,
            &QComboBox::setEnabled);
    connect(programPage_, &CProgrammeDlg::chipComboEnabledChanged, usbRadio_,
            &QRadioButton::setEnabled);
    connect(programPage_, &CProgrammeDlg::chipComboEnabledChanged, boardChooser_,
            &BoardChooser::setOperationIdle);
    connect(debugPage_, &CDebug::runActiveChanged, boardChooser_,
            [this](bool active) { boardChooser_->setDebugIdle(!active); });

    // A board held by another program is tried again every two seconds, quietly, until that
    // program lets it go.
    programPage_->session().setBusyRetryMs(2000);

    if (simulated)
        programPage_->appendLog(state_.text(Msg::SimulatedBoard));
    programPage_->layoutForChip();
    programPage_->session().open();
    setWindowTitle(state_.text(Msg::WindowTitleAtStart));
}

CTesselDlg::~CTesselDlg() {
    // The transport's threads end before the pages that receive its notifications go.
    const QSignalBlocker quiet(transport_);
    programPage_->session().close();
}

void CTesselDlg::buildUi() {
    commGroup_ = new QGroupBox(this);
    usbRadio_ = new QRadioButton(commGroup_);
    usbRadio_->setChecked(true);
    boardChooser_ = new BoardChooser(state_, *boardChoice_, commGroup_);
    auto* comm = new QHBoxLayout(commGroup_);
    comm->addWidget(usbRadio_);
    comm->addWidget(boardChooser_);
    connect(usbRadio_, &QRadioButton::clicked, this, [this] { programPage_->session().reopen(); });

    helpLines_ = new CHelpLines(this);  // a window of its own, hidden until asked for
    helpButton_ = new QPushButton(this);
    helpButton_->setObjectName(QStringLiteral("helpButton"));
    connect(helpButton_, &QPushButton::clicked, this,
            [this] { helpLines_->showForChip(static_cast<int>(state_.chipIndex.load())); });

    chipGroup_ = new QGroupBox(this);
    chipCombo_ = new QComboBox(chipGroup_);
    chipCombo_->setObjectName(QStringLiteral("chipCombo"));
    for (const ChipInfo& c : kChipCatalogue)
        chipCombo_->addItem(QString::fromUtf8(c.comboText));
    chipCombo_->setCurrentIndex(static_cast<int>(state_.chipIndex.load()));
    (new QVBoxLayout(chipGroup_))->addWidget(chipCombo_);
    connect(chipCombo_, qOverload<int>(&QComboBox::activated), this, &CTesselDlg::onChipChosen);
    // The chip changes only when the user chooses it, never under a passing mouse wheel.
    chip::WheelGuard::install(chipCombo_);

    languageGroup_ = new QGroupBox(this);
    languageCombo_ = new QComboBox(languageGroup_);
    languageCombo_->setObjectName(QStringLiteral("languageCombo"));
    languageCombo_->addItems({QStringLiteral("Chinese"), QStringLiteral("English")});
    (new QVBoxLayout(languageGroup_))->addWidget(languageCombo_);
    connect(languageCombo_, qOverload<int>(&QComboBox::activated), this,
            &CTesselDlg::onLanguageChosen);
    chip::WheelGuard::install(languageCombo_);

    auto* logo = new QLabel(this);
    logo->setPixmap(artwork::logo());

    QToolButton* aboutButton = buildAboutButton();

    // The button sits in a box of its own, so that it lines up with the combos beside it.
    auto* helpBox = new QGroupBox(QStringLiteral(" "), this);
    (new QVBoxLayout(helpBox))->addWidget(helpButton_);

    auto* top = new QHBoxLayout;
    top->addWidget(commGroup_);
    top->addWidget(helpBox);
    top->addWidget(chipGroup_, 1);
    top->addWidget(languageGroup_);
    top->addStretch(1);
    top->addWidget(logo);
    top->addWidget(aboutButton, 0, Qt::AlignTop);

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("tabs"));
    tabs_->addTab(scrolled(programPage_), QString());
    tabs_->addTab(scrolled(debugPage_), QString());
    connect(tabs_, &QTabWidget::currentChanged, this, &CTesselDlg::onTabChanged);

    menu_ = new MainMenu(state_, *programPage_, *tabs_, this);
    connect(menu_, &MainMenu::recentChosen, this, &CTesselDlg::openRecent);
    connect(menu_, &MainMenu::quitRequested, this, &QWidget::close);
    menu_->setRecentFiles(recent_.files());
    statusBar_ = new StatusBar(state_, this);

    fixBoxWidths(helpBox);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menu_->bar());
    layout->addLayout(top);
    layout->addWidget(tabs_, 1);
    layout->addWidget(statusBar_);
    setAcceptDrops(true);
    restorePlace();
}

QWidget* CTesselDlg::scrolled(QWidget* page) {
    auto* area = new QScrollArea;
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(page);
    return area;
}

QToolButton* CTesselDlg::buildAboutButton() {
    aboutAction_ = new QAction(this);
    aboutAction_->setShortcut(QKeySequence::HelpContents);
    connect(aboutAction_, &QAction::triggered, this, &CTesselDlg::showAbout);
    addAction(aboutAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* aboutButton = new QToolButton(this);
    aboutButton->setObjectName(QStringLiteral("aboutButton"));
    aboutButton->setDefaultAction(aboutAction_);
    return aboutButton;
}

void CTesselDlg::fixBoxWidths(QWidget* helpBox) {
    // Each box is as wide as its wider language needs: nothing moves when it changes.
    for (QWidget* w : {static_cast<QWidget*>(commGroup_), static_cast<QWidget*>(helpBox),
                       static_cast<QWidget*>(languageGroup_)}) {
        int width = 0;
        w->ensurePolished();  // measured in the font it will be shown in
        for (int language : {1, 0}) {
            state_.language = static_cast<uint8_t>(language);
            retitle();
            width = std::max({width, w->sizeHint().width(), w->minimumSizeHint().width()});
        }
        w->setMinimumWidth(width);
    }
    state_.language = 0;  // every start is in Chinese
    retitle();
    languageGroup_->setTitle(state_.text(Msg::LanguageGroupAtStart));
}

void CTesselDlg::selectChipEntry(int index) {
    const QSignalBlocker quiet(chipCombo_);
    chipCombo_->setCurrentIndex(sanitizeChipIndex(index));
}

void CTesselDlg::onChipChosen(int index) {
    state_.chipIndex = sanitizeChipIndex(index);
    debugPage_->adaptToChip();
    programPage_->layoutForChip();
}

void CTesselDlg::onLanguageChosen(int index) {
    state_.language = index == 1 ? 1 : 0;
    retitle();
    qtTexts_->apply(state_.language);
    programPage_->applyLanguage();
    debugPage_->applyLanguage();
}

void CTesselDlg::retitle() {
    languageGroup_->setTitle(state_.text(Msg::LanguageGroup));
    chipGroup_->setTitle(state_.text(Msg::ChipGroup));
    helpButton_->setText(state_.text(Msg::HelpButton));
    helpLines_->applyLanguage(state_.language);
    commGroup_->setTitle(state_.text(Msg::CommGroup));
    usbRadio_->setText(state_.text(Msg::UsbRadio));
    tabs_->setTabText(0, state_.text(Msg::ProgramTab));
    tabs_->setTabText(1, state_.text(Msg::DebugTab));
    aboutAction_->setText(state_.text(Msg::AboutMenuItem));
    aboutAction_->setIconText(QStringLiteral("?"));  // the button's face; its tooltip is the text
    usbRadio_->setToolTip(state_.text(Msg::TipUsb));
    helpButton_->setToolTip(state_.text(Msg::TipHelp));
    statusBar_->retitle();
    menu_->retitle();
    setWindowTitle(state_.text(Msg::WindowTitle));
}

void CTesselDlg::onTabChanged(int index) {
    stopDebugRun();
    if (index == 1) {
        debugPage_->adaptToChip();
        debugPage_->resetDisplay();
    }
}

void CTesselDlg::stopDebugRun() {
    if (debugPage_->running())
        debugPage_->stopRun();
}

void CTesselDlg::onDeviceArrived(const QString&) {
    // A board that is open stays open: re-opening it could cut a running operation short.
    programPage_->session().deviceArrived();
}

void CTesselDlg::onDeviceRemoved(const QString& path) {
    programPage_->session().deviceRemoved(path);
}

void CTesselDlg::showAbout() {
    AboutDlg about(state_, this);
    about.exec();
}

void CTesselDlg::closeEvent(QCloseEvent* event) {
    if (!closed_ && programPage_->sequencer().busy()) {
        // The question goes when the operation ends while it is shown: the window then
        // closes as an idle one would.
        OperationSequencer& sequencer = programPage_->sequencer();
        const Prompts::Answer answer = prompts_.ask(state_.text(Msg::QuitWhileBusy),
                                                    [&sequencer] { return !sequencer.busy(); });
        if (answer == Prompts::Answer::No) {
            event->ignore();
            return;
        }
        sequencer.stopOperation();  // leaves programming mode; nothing when it has ended
    }
    if (!closed_ && debugPage_->running()) {
        // The run ends first (pause, 500 ms, stop) without holding up the window; the
        // window closes when it is idle.
        event->ignore();
        debugRunStoppedForClose_ = true;
        debugPage_->stopRun([this] { close(); });
        return;
    }
    if (!closed_) {
        closed_ = true;
        savePlace();
        profile_.writeInt(QString::fromLatin1(kProfileSection), QString::fromLatin1(kChipKey),
                          static_cast<int>(state_.chipIndex.load()));
        if (!debugRunStoppedForClose_)
            transport_->send(makeReport(0xB5));     // stop debugging
        programPage_->sequencer().releaseTarget();  // a target in trim mode leaves it
        programPage_->session().close();
    }
    helpLines_->hide();
    event->accept();
}

}  // namespace tessel
