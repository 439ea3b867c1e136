#pragma once

#include "app/profile.h"
#include "app/prompts.h"
#include "app/recentfiles.h"
#include "app/sharedstate.h"

#include <QElapsedTimer>
#include <QWidget>

class QAction;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimer;
class QToolButton;

namespace tessel {

class BoardChoice;
class BoardChooser;
class MainMenu;
class StatusBar;
struct Outcome;
class CDebug;
class CHelpLines;
class CMUSBHid;
class CProgrammeDlg;
class HidBackend;
class HotplugWatcher;
class QtTranslations;

// The main window: chip and language selection, the USB and wiring-help buttons, and the
// tabs of the programming and debug pages. It owns both pages (the programming page holds the
// board's ProgrammerSession, whose transport the debug page uses too), keeps the
// chip selection in the profile and reacts to boards coming and going.
class CTesselDlg : public QWidget {
    Q_OBJECT
public:
    CTesselDlg(SharedState& state, HidBackend& backend, Prompts& prompts, bool simulated,
               QWidget* parent = nullptr);
    ~CTesselDlg() override;

    CProgrammeDlg& programPage() { return *programPage_; }
    CDebug& debugPage() { return *debugPage_; }
    CMUSBHid& transport() { return *transport_; }
    QComboBox& chipCombo() { return *chipCombo_; }
    QComboBox& languageCombo() { return *languageCombo_; }
    QTabWidget& tabs() { return *tabs_; }
    QPushButton& helpButton() { return *helpButton_; }
    CHelpLines& helpLines() { return *helpLines_; }
    QRadioButton& usbRadio() { return *usbRadio_; }
    BoardChooser& boardChooser() { return *boardChooser_; }
    StatusBar& statusBar() { return *statusBar_; }
    MainMenu& mainMenu() { return *menu_; }
    RecentFiles& recentFiles() { return recent_; }

    // Profile keys of the window's place ("InitParameters").
    static constexpr const char* kGeometryKeys[5] = {"WindowX", "WindowY", "WindowWidth",
                                                     "WindowHeight", "WindowMaximized"};
    // ... and of the programming page's splitter (views, chip page frame).
    static constexpr const char* kSplitterKeys[2] = {"SplitterViews", "SplitterPages"};
    // Where the window opens: its remembered place fitted to the screen's available area, or
    // a size that fits that area.
    QRect startGeometry(const QRect& available) const;

    // Selects a chip entry without running the selection handler (a mass-production file
    // named another chip; the programming page has set chipIndex itself).
    void selectChipEntry(int index);
    void showAbout();

protected:
    void closeEvent(QCloseEvent* event) override;
    // A .hex, .bin or mass-production file dropped on the window opens as "打开文件" would.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildUi();
    QToolButton* buildAboutButton();      // the About action, its shortcut and its button
    void fixBoxWidths(QWidget* helpBox);  // as wide as either language needs; starts in Chinese
    void onChipChosen(int index);
    void onLanguageChosen(int index);
    void retitle();  // the captions of the language of the moment
    void onTabChanged(int index);
    void onDeviceArrived(const QString& path);
    void onDeviceRemoved(const QString& path);
    void stopDebugRun();
    void connectStatusBar();
    void onOperationFinished(const Outcome& outcome);
    void onImageOpened();
    void openRecent(const QString& path);
    void openDropped(const QString& path);
    void restorePlace();
    void savePlace();
    // The page inside a scroll area: a page larger than the window scrolls, and never widens it.
    QWidget* scrolled(QWidget* page);

    SharedState& state_;
    HidBackend& backend_;
    Profile profile_;
    RecentFiles recent_;
    Prompts& prompts_;
    BoardChoice* boardChoice_;  // the bus with the chosen board; belongs to the programming page
    CProgrammeDlg* programPage_;
    CMUSBHid* transport_;  // the programming page's session's
    CDebug* debugPage_;
    HotplugWatcher* watcher_;
    QtTranslations* qtTexts_;

    QGroupBox* commGroup_ = nullptr;
    QRadioButton* usbRadio_ = nullptr;
    BoardChooser* boardChooser_ = nullptr;
    QPushButton* helpButton_ = nullptr;
    CHelpLines* helpLines_ = nullptr;
    QGroupBox* chipGroup_ = nullptr;
    QComboBox* chipCombo_ = nullptr;
    QGroupBox* languageGroup_ = nullptr;
    QComboBox* languageCombo_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QAction* aboutAction_ = nullptr;
    StatusBar* statusBar_ = nullptr;
    MainMenu* menu_ = nullptr;
    QElapsedTimer operationClock_;  // runs while an operation of the programming page runs
    uint32_t imageOpensShown_ = 0;  // the image opening the status bar shows
    bool closed_ = false;
    bool debugRunStoppedForClose_ = false;
};

}  // namespace tessel
