#pragma once

#include "app/profile.h"
#include "app/prompts.h"
#include "app/sharedstate.h"
#include "debug/debugsession.h"

#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace tessel {

class CMListCtrl;
class CMUSBHid;
class CMultiColorDraw;
class DebugTableModel;
class QualificationPanel;

// The touch-key debug page: the view of a DebugSession. Three charts, the parameter grid,
// the data table and the statistics show the stream; the buttons start, pause, resume and
// stop the run; the parameter group edits and sends the touch parameters.
//
// The board's samples arrive as values and wait in a queue; the charts, the grid and the
// tables take them from a timer at most kRepaintHz times a second, however fast frames come.
class CDebug : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRepaintHz = 30;
    // The channel colours of the charts and the grid's "Color" row (COLORREF, red low).
    static const std::array<uint32_t, 32> kChannelColours;

    CDebug(SharedState& state, CMUSBHid& transport, Prompts& prompts, QWidget* parent = nullptr);
    ~CDebug() override;

    DebugSession& session() { return session_; }
    bool running() const { return session_.running(); }
    // Ends a run the way the main window does before a tab change or closing: pause, then
    // 500 ms later stop (at once when already paused). `then` runs once the run is idle.
    void stopRun(std::function<void()> then = {});
    // Shows the parameter group when the engineering layout is on and the chip has one.
    void adaptToChip();
    // Repaints the charts and takes the queued samples (the tab was selected).
    void resetDisplay();
    // Captions every control in the language of the moment (the language combo changed).
    void applyLanguage();

    // The controls, for the main window and tests.
    QPushButton& startButton() { return *startButton_; }
    QPushButton& pauseButton() { return *pauseButton_; }
    QPushButton& saveSettingsButton() { return *saveSettingsButton_; }
    QPushButton& channelsButton() { return *channelsButton_; }
    QPushButton& modifyButton() { return *modifyButton_; }
    QCheckBox& saveDataCheck() { return *saveDataCheck_; }
    QLineEdit& rangeEdit(int k) { return *rangeEdits_[k]; }  // Baseline min/max, Rawdata, Differ
    QRadioButton& supplyRadio(int k) { return *supplyRadios_[k]; }
    QRadioButton& dataTypeRadio(int k) { return *dataTypeRadios_[k]; }
    QComboBox& parameterCombo(int k) { return *combos_[k]; }
    QLineEdit& adaptiveLineEdit() { return *adaptiveLineEdit_; }
    QLineEdit& channelMaskEdit() { return *maskEdit_; }
    QLineEdit& adcEnableEdit() { return *adcEdit_; }
    QGroupBox& parameterGroup() { return *parameterGroup_; }
    QLabel& resultPicture() { return *resultPicture_; }
    CMListCtrl& grid() { return *grid_; }
    CMultiColorDraw& chart(int k) { return *charts_[k]; }
    DebugTableModel& tableModel() { return *tableModel_; }
    QTableWidget& statisticsTable() { return *statsTable_; }
    QTabWidget& viewTabs() { return *viewTabs_; }
    QString statusText() const;
    QString channelCountText() const;
    QString linkText() const;
    QString linkRateText() const;
    // Which lamp the status shows: 142 bright green, 143 dark green, 144 red.
    int statusLamp() const { return lamp_; }
    QProgressBar& csvProgress() { return *csvProgress_; }
    // Where the last CSV file went ("数据已保存：" and its full path), empty before.
    QLabel& csvPathLabel() { return *csvPathLabel_; }

    // Takes the queued samples now (the repaint timer does it otherwise).
    void flushSamples();

    // Replay of a debug data file of the selected chip (what "打开数据文件" loads): charts,
    // grid, data table, statistics and qualification show the file's last run. Refused
    // while a run is active; a message naming the line when the file is no such file. A run
    // started afterwards replaces the replay.
    bool loadDataFile(const QString& path);
    bool replayShown() const { return replay_.shown; }
    // The qualification of the data shown (the replay's, else the run's saved samples).
    void computeQualification();
    // Writes the qualification report (HTML with the charts inside, and JSON) to `path`.
    bool writeReport(const QString& path);
    QPushButton& openDataButton() { return *openDataButton_; }
    QCheckBox& autoScaleCheck(int chart) { return *autoScaleChecks_[chart]; }
    QPushButton& savePictureButton(int chart) { return *savePictureButtons_[chart]; }
    QualificationPanel& qualificationPanel() { return *qualification_; }
    // The profile key of the minimum SNR, section "BebugParameters".
    static const char kMinSnrKey[];

Q_SIGNALS:
    // A run is active from start until stop: the chip must not change meanwhile.
    void runActiveChanged(bool active);

private:
    // cdebug.cpp: building the page.
    // The widget's caption (title, text) is the entry's, now and after a language change.
    void setCaption(QWidget* widget, Msg text);
    void showCaption(QWidget* widget, Msg text);
    void buildUi();
    QWidget* buildControls();
    QGroupBox* buildRunGroup(QWidget* parent);   // start, pause, save, CSV file
    QGroupBox* buildLinkGroup(QWidget* parent);  // status, lamp, channels, link rate
    QWidget* buildViews();
    void buildParameterGroup();
    void loadSettings();
    void rebuildGrid(int channels);
    DebugPageSettings settingsFromControls() const;

    // cdebugrun.cpp: the run and its displays.
    void onStartClicked();
    void onPauseClicked();
    void onStateChanged(DebugSession::State s);
    void onStarted();
    void onChannelsReady(int count);
    void onSample(const SampleRecord& shown);
    void onFrameStatus(bool ok);
    void onChannelsButton();
    void onHeaderToggled(int channel, int image);
    void onRangeEdited();
    void onSaveSettings();
    void onModify();
    void onParametersWritten(bool ok);
    void onCsvStarted(qint64 records);
    void onCsvProgress(qint64 done, qint64 total);
    void onCsvFinished(bool ok, const QString& path);
    void refreshControls();
    void refreshStatistics();
    void setLamp(int lamp);
    const DebugStatistics& shownStatistics() const;

    // cdebugreplay.cpp: replay, qualification, report and pictures.
    void connectQualification();
    void onOpenDataClicked();
    void showRecords(const std::vector<SampleRecord>& records, int channels);
    void onReportClicked();
    void onSavePicture(int chart);
    std::vector<std::pair<QString, QString>> reportParameters() const;

    // cdebugparams.cpp: the parameter group.
    void showParameters();
    void onComboChosen(int combo, int position);
    void onAdaptiveLineEdited();
    void onMaskEdited(const QString& text);
    void onAdcEdited(const QString& text);

    SharedState& state_;
    Prompts& prompts_;
    Profile profile_;
    DebugSession session_;
    DebugPageSettings settings_;
    QTimer repaintTimer_;
    std::vector<SampleRecord> pending_;
    uint32_t pendingFlags_ = 0;
    bool statsDirty_ = false;
    int statsTick_ = 0;
    int lamp_ = 143;
    bool modifyLocked_ = false;  // "修改" waits for the end of a run
    bool channelsShown_ = true;  // the caption of the channels button is "通道全不选"
    std::function<void()> afterStop_;
    struct Replay {
        bool shown = false;
        QString path;
        int chip = 0;
        int channels = 0;
        std::vector<SampleRecord> records;
        DebugStatistics stats;
    } replay_;
    std::vector<std::pair<QWidget*, Msg>> captions_;
    static constexpr int kAdaptiveCombo = 6;  // its items are words of the language

    QPushButton* startButton_ = nullptr;
    QPushButton* pauseButton_ = nullptr;
    QPushButton* saveSettingsButton_ = nullptr;
    QPushButton* channelsButton_ = nullptr;
    QPushButton* modifyButton_ = nullptr;
    QCheckBox* saveDataCheck_ = nullptr;
    std::array<QLineEdit*, 6> rangeEdits_{};
    std::array<QRadioButton*, 3> supplyRadios_{};
    std::array<QRadioButton*, 3> dataTypeRadios_{};
    QWidget* dataTypeBox_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* lampLabel_ = nullptr;
    QLineEdit* channelCountEdit_ = nullptr;
    QLabel* linkLabel_ = nullptr;
    QLineEdit* linkRateEdit_ = nullptr;
    QProgressBar* csvProgress_ = nullptr;
    QLabel* csvPathLabel_ = nullptr;
    QPushButton* openDataButton_ = nullptr;
    std::array<QCheckBox*, 3> autoScaleChecks_{};
    std::array<QPushButton*, 3> savePictureButtons_{};
    QualificationPanel* qualification_ = nullptr;
    CMListCtrl* grid_ = nullptr;
    std::array<CMultiColorDraw*, 3> charts_{};
    QTabWidget* viewTabs_ = nullptr;
    QTableView* table_ = nullptr;
    DebugTableModel* tableModel_ = nullptr;
    QTableWidget* statsTable_ = nullptr;
    QGroupBox* parameterGroup_ = nullptr;
    std::array<QComboBox*, 10> combos_{};
    QLineEdit* adaptiveLineEdit_ = nullptr;
    QLineEdit* maskEdit_ = nullptr;
    QLineEdit* adcEdit_ = nullptr;
    QLabel* resultPicture_ = nullptr;
};

}  // namespace tessel
