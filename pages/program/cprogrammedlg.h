#pragma once

#include "app/outcome.h"
#include "app/prompts.h"
#include "app/sharedstate.h"
#include "image/imageloadeffects.h"
#include "image/imagestate.h"
#include "link/notifications.h"
#include "link/programview.h"
#include "link/sequencer.h"

#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class QGroupBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QTabWidget;
class QVBoxLayout;

namespace tessel {

class BufferFiles;
class CMListCtrl;
class CMUSBHid;
class HidBackend;
class MessageList;
class ProductionPanel;
class ProgrammerSession;
namespace chip {
class ChipPageView;
class ConfigPages;
class PagesConfigSource;
}  // namespace chip
class ImageLoader;
class MassProductionWriter;

// The programming page: operation buttons on the left, the five views (messages, write and
// read buffer dumps, write and read EEPROM grids) with the progress bar and result picture in
// the middle, and the frame that hosts the chip's configuration or trim page on the right.
// The buttons hand their work to the page's ProgrammerSession (one board: transport, handshake,
// operation sequences); the page only shows.
class CProgrammeDlg : public QWidget, public ProgramView, private ImageLoadEffects {
    Q_OBJECT
public:
    // bus: where the page's session finds its board.
    CProgrammeDlg(SharedState& state, HidBackend& bus, Prompts& prompts, QWidget* parent = nullptr);
    ~CProgrammeDlg() override;

    // ProgramView
    void appendLog(const QString& line) override;
    void setControlEnabled(Control control, bool enabled) override;
    void showProgress(int percent) override;
    void hideProgress() override;
    void setResult(Result result) override;
    void readBufferChanged(uint32_t length) override;
    void eepromReadBufferChanged() override;
    void operationFinished(const Outcome& outcome) override;
    void trimModeDropped() override;

    QStringList logLines() const;
    MessageList& messages() const { return *messages_; }
    // Shows the pages of the selected chip and sets the EEPROM controls and grids.
    void layoutForChip();
    void applyLanguage();
    void setButtonsEnabled(bool enabled);
    bool buttonsEnabled() const { return buttonsEnabled_; }
    // Writes rows x 8 bytes into the write grid (which = 1) or the read grid (which = 0).
    void showEepromImage(const uint8_t* bytes, int rows, int which);

    ImageState& image() { return image_; }
    chip::ConfigPages& configPages() { return *configPages_; }
    // The configuration page shown in the right-hand frame.
    chip::ChipPageView* currentPageView() const;
    ProgrammerSession& session() { return *session_; }
    OperationSequencer& sequencer() { return *sequencer_; }
    QPushButton* button(Control control) const;
    QPushButton* clearButton() const { return clearButton_; }
    ProductionPanel& production() const { return *production_; }
    // "停止": ends the running operation as closing the window does.
    QPushButton* stopButton() const { return stopButton_; }
    BufferFiles& bufferFiles() const { return *bufferFiles_; }
    // Between the views and the chip page's frame; the window keeps its sizes in the profile.
    QSplitter& splitter() const { return *splitter_; }
    // Opens path as "打开文件" would with it chosen in the dialog (a dropped file, a recent
    // one); nothing happens while "打开文件" is disabled. False when nothing was opened.
    bool openImageFile(const QString& path);
    CMListCtrl& writeGrid() const { return *writeGrid_; }
    CMListCtrl& readGrid() const { return *readGrid_; }
    QTabWidget& views() const { return *views_; }
    QString writeDumpText() const;
    QString readDumpText() const;
    Result result() const { return result_; }

Q_SIGNALS:
    // A mass-production file named another chip: the main window selects its combo entry.
    void chipEntryRequested(int chip);
    // Whether the chip combo may change (not while an operation runs).
    void chipComboEnabledChanged(bool enabled);
    // "打开文件" (or a dropped or recent file) ended: image() tells what is loaded now.
    void imageOpened();
    // An operation started (true) or ended (false): "停止" follows it.
    void stopEnabledChanged(bool enabled);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildUi();
    QVBoxLayout* buildButtonColumn();  // the left column of button groups
    void buildViewGroup();             // the five views, the progress bar, the result picture
    void buildPageFrame();             // the scrolled frame of the chip and trim pages
    void connectButtons();
    void fitPageFrame();
    QPushButton* addButton(Control control, QGroupBox* group);
    void onHandshakeFinished(const Outcome& outcome);
    void onGridEdit(int index, int value);
    void onWriteFlash();
    void onCreateFile();
    // The configuration group (configgroup.cpp): trim toggle and the page it shows.
    void onTrimToggle();
    void showModePage(int chip);
    void showConfigurationPageAgain();
    void onSaveLog();
    void onBoardGone();
    void onViewChanged(int index);
    void watchBufferMenus();
    void setDumps(const QString& write, const QString& read);
    void retitle();

    // ImageLoadEffects
    void openStarted() override;
    void openFinished() override;
    void writeBufferDumpChanged(const QString& dump) override;
    void hexLoaded() override;
    void massProductionChipSelected(int chip) override;
    void massProductionConfigApplied(int chip, uint8_t cfg0) override;
    void chipComboChangeRequested(int chip) override;
    void eepromImageLoaded() override;

    SharedState& state_;
    Prompts& prompts_;
    ImageState image_;
    std::unique_ptr<chip::ConfigPages> configPages_;
    std::unique_ptr<chip::PagesConfigSource> configSource_;
    std::unique_ptr<ImageLoader> loader_;
    std::unique_ptr<MassProductionWriter> writer_;
    std::unique_ptr<ProgrammerSession> session_;
    OperationSequencer* sequencer_ = nullptr;  // the session's
    bool buttonsEnabled_ = true;
    Result result_ = Result::Hidden;
    int laidOutChip_ = -1;

    std::array<QPushButton*, kControlCount> buttons_{};
    QPushButton* clearButton_ = nullptr;
    ProductionPanel* production_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    BufferFiles* bufferFiles_ = nullptr;
    QGroupBox* programGroup_ = nullptr;
    QGroupBox* configGroup_ = nullptr;
    QGroupBox* powerGroup_ = nullptr;
    QGroupBox* otherGroup_ = nullptr;
    QGroupBox* viewGroup_ = nullptr;
    QTabWidget* views_ = nullptr;
    MessageList* messages_ = nullptr;
    QPlainTextEdit* writeDump_ = nullptr;
    QPlainTextEdit* readDump_ = nullptr;
    CMListCtrl* writeGrid_ = nullptr;
    CMListCtrl* readGrid_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* resultPicture_ = nullptr;
    QGroupBox* pageFrame_ = nullptr;
    QStackedWidget* pageStack_ = nullptr;
    QScrollArea* pageScroll_ = nullptr;
    QSplitter* splitter_ = nullptr;
    std::vector<chip::ChipPageView*> pageViews_;  // by configuration page class
};

}  // namespace tessel
