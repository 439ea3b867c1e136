#pragma once

#include "app/outcome.h"
#include "app/profile.h"
#include "app/prompts.h"
#include "app/sharedstate.h"
#include "link/sequencer.h"

#include <QElapsedTimer>
#include <QGroupBox>

#include <cstdint>
#include <functional>

class QAction;
class QCheckBox;
class QLabel;
class QPushButton;
class QUrl;

namespace tessel {

class CProgrammeDlg;
class ProgrammerSession;

// Production mode beside the messages list: a large verdict of the last one-key write (OK in
// green, NG in red with its reason), the counts of good and bad chips with a reset, the last
// write's duration, and the image (file name, checksum) and chip the counts belong to.
// Space or Enter starts the next one-key write with the same image, as "一键写Flash" would,
// while the window is idle with a board and an image (not while a text field has the focus).
//
// What counts: one-key writes, however they were started (the button, the key), while
// production mode is on; every one that reached the board is a good or a bad chip. A start
// without a board or an image is shown but not counted: no chip was touched. The counts belong
// to one image (file name and checksum) and one chip model: when either changes, the count
// ends (its totals go to the messages list) and a new one starts, and the panel says so.
// The check "生产模式" (kept in the profile, "InitParameters", "m_check_production") shows
// and hides the panel.
class ProductionPanel : public QGroupBox {
    Q_OBJECT
public:
    static constexpr const char* kProfileKey = "m_check_production";

    ProductionPanel(SharedState& state, CProgrammeDlg& page, Prompts& prompts,
                    QWidget* parent = nullptr);
    ~ProductionPanel() override;

    QCheckBox& modeCheck() const { return *modeCheck_; }
    QPushButton& resetButton() const { return *resetButton_; }
    // "打开日志文件所在目录": the folder of the traceability log, in the file manager.
    QAction& openLogFolderAction() const { return *openLogFolder_; }
    bool productionMode() const;
    void setProductionMode(bool on);

    // The page loaded an image or laid itself out for a chip: a changed image or chip ends
    // the count.
    void subjectMayHaveChanged();
    void applyLanguage();
    // Ends the count: its totals go to the messages list, the counters start from zero.
    void resetCounts();

    int succeeded() const { return succeeded_; }
    int failed() const { return failed_; }
    // What the panel shows.
    QString verdictText() const;
    QString reasonText() const;
    QString countsText() const;
    QString durationText() const;
    QString imageText() const;
    QString chipText() const;
    QString noticeText() const;
    QString hintText() const;
    // The next one-key write may start by a key.
    bool readyForNext() const;

    static QString traceLogPath(const SharedState& state);
    // Where the window's traceability log is attached to its session (once, at start-up).
    void attachTraceLog(ProgrammerSession& session);
    // How a folder is shown (tests replace the desktop's file manager).
    void setFolderOpener(std::function<bool(const QUrl&)> opener) { openFolder_ = opener; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The image and chip a count belongs to.
    struct Subject {
        bool loaded = false;
        QString file;
        uint32_t checksum = 0;
        int chip = 0;
        bool operator==(const Subject& o) const {
            return loaded == o.loaded && file == o.file && checksum == o.checksum && chip == o.chip;
        }
        bool operator!=(const Subject& o) const { return !(*this == o); }
    };
    enum class Verdict { None, Running, Ok, Ng };

    void buildUi();
    Subject currentSubject() const;
    // Ends the count with its totals in the messages list; true when there was one.
    bool endCount();
    void onStarted(OperationSequencer::Operation operation);
    void onFinished(const Outcome& outcome);
    void afterWritePressed();
    void showVerdict(Verdict verdict, const QString& reason);
    void refresh();
    void openLogFolder();
    bool keyStartsNext(QObject* watched, QEvent* event);

    SharedState& state_;
    CProgrammeDlg& page_;
    Prompts& prompts_;
    Profile profile_;
    std::function<bool(const QUrl&)> openFolder_;
    QString traceLogFile_;

    Subject counted_;  // what the counts belong to
    int succeeded_ = 0;
    int failed_ = 0;
    bool running_ = false;  // a one-key write that counts is under way
    QElapsedTimer clock_;
    qint64 lastMs_ = -1;
    Verdict verdict_ = Verdict::None;
    QString reason_;
    Msg notice_ = Msg::Count;  // none
    int noticeCounts_[3] = {0, 0, 0};

    QCheckBox* modeCheck_ = nullptr;
    QAction* openLogFolder_ = nullptr;
    QLabel* verdictLabel_ = nullptr;
    QLabel* reasonLabel_ = nullptr;
    QLabel* countsLabel_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QLabel* durationLabel_ = nullptr;
    QLabel* imageLabel_ = nullptr;
    QLabel* chipLabel_ = nullptr;
    QLabel* noticeLabel_ = nullptr;
    QLabel* hintLabel_ = nullptr;
    QPushButton* logFolderButton_ = nullptr;
};

}  // namespace tessel
