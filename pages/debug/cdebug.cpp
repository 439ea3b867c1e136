#include "pages/debug/cdebug.h"

#include "debug/chartpng.h"
#include "link/cmusbhid.h"
#include "pages/debug/cmulticolordraw.h"
#include "pages/debug/debuglamps.h"
#include "pages/debug/debugtablemodel.h"
#include "pages/debug/qualificationpanel.h"
#include "pages/program/cmlistctrl.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tessel {

const std::array<uint32_t, 32> CDebug::kChannelColours = chartpng::kChannelColours;

namespace {

const Msg kRangeLabels[6] = {Msg::DebugBaselineMin, Msg::DebugBaselineMax, Msg::DebugRawdataMin,
                             Msg::DebugRawdataMax,  Msg::DebugDifferMin,   Msg::DebugDifferMax};
const Msg kGridRows[6] = {Msg::DebugGridChannel, Msg::DebugBaseline,     Msg::DebugRawdata,
                          Msg::DebugDiffer,      Msg::DebugGridKeyFlags, Msg::DebugGridColour};
const Msg kValues[3] = {Msg::DebugBaseline, Msg::DebugRawdata, Msg::DebugDiffer};

}  // namespace

CDebug::CDebug(SharedState& state, CMUSBHid& transport, Prompts& prompts, QWidget* parent)
    : QWidget(parent),
      state_(state),
      prompts_(prompts),
      profile_(state.profilePath),
      session_(state, transport, prompts) {
    // CSV files go where the profile goes: next to the program when that is writable.
    session_.setCsvDirectory(QFileInfo(state.profilePath).absolutePath());
    loadTouchParameters(profile_, &state_.debugParameters);
    buildUi();
    loadSettings();
    showParameters();
    rebuildGrid(32);
    for (CMultiColorDraw* c : charts_) {
        for (int i = 0; i < 32; ++i)
            c->setChannelVisible(i, false);
    }
    adaptToChip();
    applyLanguage();

    connect(&session_, &DebugSession::stateChanged, this, &CDebug::onStateChanged);
    connect(&session_, &DebugSession::started, this, &CDebug::onStarted);
    connect(&session_, &DebugSession::channelsReady, this, &CDebug::onChannelsReady);
    connect(&session_, &DebugSession::sampleShown, this, &CDebug::onSample);
    connect(&session_, &DebugSession::frameStatusChanged, this, &CDebug::onFrameStatus);
    connect(&session_, &DebugSession::parametersWritten, this, &CDebug::onParametersWritten);
    connect(&session_, &DebugSession::csvStarted, this, &CDebug::onCsvStarted);
    connect(&session_, &DebugSession::csvProgress, this, &CDebug::onCsvProgress);
    connect(&session_, &DebugSession::csvFinished, this, &CDebug::onCsvFinished);
    // A programming operation that takes or frees the board changes what may start here.
    connect(&transport, &CMUSBHid::boardUserChanged, this, [this] { refreshControls(); });
    repaintTimer_.setInterval(1000 / kRepaintHz);
    connect(&repaintTimer_, &QTimer::timeout, this, &CDebug::flushSamples);
    connectQualification();
}

CDebug::~CDebug() {
    session_.csvWriter().wait();
}

void CDebug::buildUi() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(buildControls());

    grid_ = new CMListCtrl(this);
    grid_->setObjectName(QStringLiteral("parameterGrid"));
    grid_->setEditableRange(-1, -1, -1, -1);
    grid_->setSmallImageList(debuglamps::keyLampImages());
    grid_->setFixedHeight(6 * 22 + 48);
    connect(grid_, &CMListCtrl::headerToggled, this, &CDebug::onHeaderToggled);

    buildParameterGroup();
    auto* middle = new QHBoxLayout;
    middle->addWidget(grid_, 1);
    middle->addWidget(parameterGroup_);
    layout->addLayout(middle);
    layout->addWidget(buildViews(), 1);
}

QWidget* CDebug::buildControls() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);

    auto* ranges = new QGroupBox(box);
    setCaption(ranges, Msg::DebugRangeGroup);
    auto* rangeGrid = new QGridLayout(ranges);
    for (int k = 0; k < 6; ++k) {
        rangeEdits_[k] = new QLineEdit(ranges);
        rangeEdits_[k]->setValidator(new QIntValidator(rangeEdits_[k]));
        rangeEdits_[k]->setFixedWidth(64);
        auto* label = new QLabel(ranges);
        setCaption(label, kRangeLabels[k]);
        rangeGrid->addWidget(label, k / 2, (k % 2) * 2);
        rangeGrid->addWidget(rangeEdits_[k], k / 2, (k % 2) * 2 + 1);
        connect(rangeEdits_[k], &QLineEdit::textEdited, this, &CDebug::onRangeEdited);
    }
    // Per chart: autoscale (the edits rule while it is off) and its picture.
    for (int k = 0; k < 3; ++k) {
        autoScaleChecks_[k] = new QCheckBox(ranges);
        setCaption(autoScaleChecks_[k], Msg::DebugAutoScale);
        savePictureButtons_[k] = new QPushButton(ranges);
        setCaption(savePictureButtons_[k], Msg::DebugSavePicture);
        rangeGrid->addWidget(autoScaleChecks_[k], k, 4);
        rangeGrid->addWidget(savePictureButtons_[k], k, 5);
        connect(savePictureButtons_[k], &QPushButton::clicked, this,
                [this, k] { onSavePicture(k); });
    }
    row->addWidget(ranges);

    auto* supply = new QGroupBox(box);
    setCaption(supply, Msg::DebugSupplyGroup);
    auto* supplyLayout = new QVBoxLayout(supply);
    const Msg supplyTexts[3] = {Msg::DebugSupply3V, Msg::DebugSupply5V, Msg::DebugSupplyExternal};
    for (int k = 0; k < 3; ++k) {
        supplyRadios_[k] = new QRadioButton(supply);
        setCaption(supplyRadios_[k], supplyTexts[k]);
        supplyLayout->addWidget(supplyRadios_[k]);
    }
    row->addWidget(supply);

    row->addWidget(buildRunGroup(box));
    row->addWidget(buildLinkGroup(box));
    row->addStretch(1);
    return box;
}

QGroupBox* CDebug::buildRunGroup(QWidget* parent) {
    auto* run = new QGroupBox(parent);
    setCaption(run, Msg::DebugRunGroup);
    auto* runGrid = new QGridLayout(run);
    // The start, pause and channels buttons change their captions with the run.
    startButton_ = new QPushButton(run);
    pauseButton_ = new QPushButton(run);
    saveSettingsButton_ = new QPushButton(run);
    setCaption(saveSettingsButton_, Msg::DebugSaveSettings);
    channelsButton_ = new QPushButton(run);
    saveDataCheck_ = new QCheckBox(run);
    setCaption(saveDataCheck_, Msg::DebugSaveData);
    runGrid->addWidget(startButton_, 0, 0);
    runGrid->addWidget(pauseButton_, 0, 1);
    runGrid->addWidget(saveDataCheck_, 0, 2);
    runGrid->addWidget(saveSettingsButton_, 1, 0);
    runGrid->addWidget(channelsButton_, 1, 1);
    openDataButton_ = new QPushButton(run);
    setCaption(openDataButton_, Msg::DebugOpenData);
    runGrid->addWidget(openDataButton_, 1, 2);
    connect(openDataButton_, &QPushButton::clicked, this, &CDebug::onOpenDataClicked);
    csvProgress_ = new QProgressBar(run);
    csvProgress_->setVisible(false);
    runGrid->addWidget(csvProgress_, 2, 0, 1, 3);
    csvPathLabel_ = new QLabel(run);
    csvPathLabel_->setObjectName(QStringLiteral("csvPath"));
    csvPathLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long path must not widen the window past the screen: the label takes the width
    // there is (the whole text is also its tool tip).
    csvPathLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    runGrid->addWidget(csvPathLabel_, 3, 0, 1, 3);
    connect(startButton_, &QPushButton::clicked, this, &CDebug::onStartClicked);
    connect(pauseButton_, &QPushButton::clicked, this, &CDebug::onPauseClicked);
    connect(saveSettingsButton_, &QPushButton::clicked, this, &CDebug::onSaveSettings);
    connect(channelsButton_, &QPushButton::clicked, this, &CDebug::onChannelsButton);
    connect(saveDataCheck_, &QCheckBox::toggled, &session_, &DebugSession::setSaveData);
    return run;
}

QGroupBox* CDebug::buildLinkGroup(QWidget* parent) {
    auto* link = new QGroupBox(parent);
    setCaption(link, Msg::DebugStatusGroup);
    auto* linkGrid = new QGridLayout(link);
    statusLabel_ = new QLabel(link);
    lampLabel_ = new QLabel(link);
    lampLabel_->setPixmap(debuglamps::statusLamp(143));
    channelCountEdit_ = new QLineEdit(link);
    channelCountEdit_->setReadOnly(true);
    channelCountEdit_->setFixedWidth(60);
    channelCountEdit_->setText(QStringLiteral("0"));
    linkLabel_ = new QLabel(link);
    linkLabel_->setMinimumWidth(70);
    linkRateEdit_ = new QLineEdit(link);
    linkRateEdit_->setReadOnly(true);
    linkRateEdit_->setFixedWidth(60);
    linkRateEdit_->setText(QStringLiteral("0"));
    linkGrid->addWidget(statusLabel_, 0, 0);
    linkGrid->addWidget(lampLabel_, 0, 1);
    auto* countLabel = new QLabel(link);
    setCaption(countLabel, Msg::DebugChannelCount);
    linkGrid->addWidget(countLabel, 1, 0);
    linkGrid->addWidget(channelCountEdit_, 1, 1);
    linkGrid->addWidget(linkLabel_, 2, 0);
    linkGrid->addWidget(linkRateEdit_, 2, 1);
    return link;
}

QWidget* CDebug::buildViews() {
    viewTabs_ = new QTabWidget(this);
    viewTabs_->setObjectName(QStringLiteral("debugViews"));

    auto* chartsPage = new QWidget(viewTabs_);
    auto* chartsLayout = new QVBoxLayout(chartsPage);
    chartsLayout->setContentsMargins(0, 0, 0, 0);
    chartsLayout->setSpacing(2);
    for (int k = 0; k < 3; ++k) {
        charts_[k] = new CMultiColorDraw(chartsPage);
        charts_[k]->setTitle(state_.text(kValues[k]));
        for (int i = 0; i < 32; ++i)
            charts_[k]->setChannelColour(i, kChannelColours[i]);
        chartsLayout->addWidget(charts_[k], 1);
    }
    viewTabs_->addTab(chartsPage, QString());

    auto* tablePage = new QWidget(viewTabs_);
    auto* tableLayout = new QVBoxLayout(tablePage);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    dataTypeBox_ = new QWidget(tablePage);
    auto* radios = new QHBoxLayout(dataTypeBox_);
    radios->setContentsMargins(4, 0, 0, 0);
    for (int k = 0; k < 3; ++k) {
        dataTypeRadios_[k] = new QRadioButton(dataTypeBox_);
        setCaption(dataTypeRadios_[k], kValues[k]);
        radios->addWidget(dataTypeRadios_[k]);
        connect(dataTypeRadios_[k], &QRadioButton::toggled, this, [this, k](bool on) {
            if (on)
                settings_.dataType = k;
        });
    }
    radios->addStretch(1);
    tableLayout->addWidget(dataTypeBox_);
    tableModel_ = new DebugTableModel(this);
    table_ = new QTableView(tablePage);
    table_->setObjectName(QStringLiteral("dataTable"));
    table_->setModel(tableModel_);
    table_->setShowGrid(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    table_->verticalHeader()->setDefaultSectionSize(20);
    table_->horizontalHeader()->setDefaultSectionSize(42);
    tableLayout->addWidget(table_, 1);
    viewTabs_->addTab(tablePage, QString());

    const QStringList statsTitles = DebugStatistics::columnTitles(state_.language);
    statsTable_ = new QTableWidget(0, int(statsTitles.size()), viewTabs_);
    statsTable_->setObjectName(QStringLiteral("statisticsTable"));
    statsTable_->setHorizontalHeaderLabels(statsTitles);
    statsTable_->verticalHeader()->setVisible(false);
    statsTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    statsTable_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    viewTabs_->addTab(statsTable_, QString());
    qualification_ = new QualificationPanel(state_, viewTabs_);
    viewTabs_->addTab(qualification_, QString());
    return viewTabs_;
}

void CDebug::loadSettings() {
    settings_.load(profile_);
    const int values[6] = {settings_.baselineMin, settings_.baselineMax, settings_.rawMin,
                           settings_.rawMax,      settings_.differMin,   settings_.differMax};
    for (int k = 0; k < 6; ++k)
        rangeEdits_[k]->setText(QString::number(values[k]));
    onRangeEdited();
    qualification_->setMinSnr(profile_.readInt(QStringLiteral("BebugParameters"),
                                               QString::fromLatin1(kMinSnrKey),
                                               int(qualification::kDefaultMinSnr)));
    // A choice of 3 or more checks no radio.
    for (int k = 0; k < 3; ++k) {
        supplyRadios_[k]->setAutoExclusive(false);
        supplyRadios_[k]->setChecked(settings_.vcc == k);
        supplyRadios_[k]->setAutoExclusive(true);
        dataTypeRadios_[k]->setAutoExclusive(false);
        dataTypeRadios_[k]->setChecked(settings_.dataType == k);
        dataTypeRadios_[k]->setAutoExclusive(true);
    }
}

DebugPageSettings CDebug::settingsFromControls() const {
    DebugPageSettings s = settings_;
    int* fields[6] = {&s.baselineMin, &s.baselineMax, &s.rawMin,
                      &s.rawMax,      &s.differMin,   &s.differMax};
    for (int k = 0; k < 6; ++k) {
        bool ok = false;
        const int v = rangeEdits_[k]->text().toInt(&ok);
        *fields[k] = ok ? v : 0;
    }
    for (int k = 0; k < 3; ++k) {
        if (supplyRadios_[k]->isChecked())
            s.vcc = k;
        if (dataTypeRadios_[k]->isChecked())
            s.dataType = k;
    }
    return s;
}

void CDebug::rebuildGrid(int channels) {
    grid_->clearAll();
    grid_->addColumn(state_.text(Msg::DebugGridParameters), 80);
    for (int i = 0; i < channels; ++i) {
        grid_->addColumn(QString(), 42);
        grid_->setHeaderImage(i + 1, CMListCtrl::Checked);
    }
    for (int r = 0; r < 6; ++r) {
        grid_->addRow(state_.text(kGridRows[r]));
        grid_->addRowColours(r);
    }
    for (int i = 0; i < channels; ++i) {
        grid_->setItemText(0, i + 1, QString::number(i));
        grid_->setColumnBackground(i + 1, colorFromColorref(kChannelColours[i]));
    }
    tableModel_->setChannels(channels);
    table_->horizontalHeader()->setDefaultSectionSize(42);
    channelsShown_ = true;
    channelsButton_->setText(state_.text(Msg::DebugChannelsNone));
}

void CDebug::setCaption(QWidget* widget, Msg text) {
    captions_.emplace_back(widget, text);
    showCaption(widget, text);
}

void CDebug::showCaption(QWidget* widget, Msg text) {
    const QString shown = state_.text(text);
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        group->setTitle(shown);
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        button->setText(shown);
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(shown);
    }
}

void CDebug::applyLanguage() {
    for (const auto& [widget, text] : captions_)
        showCaption(widget, text);
    const Msg tabs[4] = {Msg::DebugChartsTab, Msg::DebugTableTab, Msg::DebugStatisticsTab,
                         Msg::QualTab};
    for (int k = 0; k < 4; ++k)
        viewTabs_->setTabText(k, state_.text(tabs[k]));
    qualification_->applyLanguage();
    statsTable_->setHorizontalHeaderLabels(DebugStatistics::columnTitles(state_.language));
    combos_[kAdaptiveCombo]->setItemText(0, state_.text(Msg::DebugAdaptiveOff));
    combos_[kAdaptiveCombo]->setItemText(1, state_.text(Msg::DebugAdaptiveOn));
    statusLabel_->setText(
        state_.text(session_.frameError() ? Msg::DebugFrameError : Msg::DebugFrameOk));
    if (!linkLabel_->text().isEmpty())
        linkLabel_->setText(session_.linkText());
    channelsButton_->setText(
        state_.text(channelsShown_ ? Msg::DebugChannelsNone : Msg::DebugChannelsAll));
    for (int k = 0; k < 3; ++k)
        charts_[k]->setTitle(state_.text(kValues[k]));
    for (int r = 0; r < grid_->rowCount() && r < 6; ++r)
        grid_->setItemText(r, 0, state_.text(kGridRows[r]));
    grid_->setColumnTitle(0, state_.text(Msg::DebugGridParameters));
    refreshControls();
}

}  // namespace tessel
