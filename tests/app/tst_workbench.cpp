// The main window as a workbench on the simulated board: the status bar, buttons without a
// board, recent files, dropped files, the open dialog's filters, "停止", the log's Ctrl+C and
// its last line, the window's place, and the wiring help's first showing.
#include "app/mainmenu.h"
#include "app/profile.h"
#include "app/recentfiles.h"
#include "app/statusbar.h"
#include "app/tesseldlg.h"
#include "app/widgetprompts.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "pages/help/chelplines.h"
#include "pages/program/cmlistctrl.h"
#include "pages/program/cprogrammedlg.h"
#include "pages/program/messagelist.h"
#include "sim/simboards.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <memory>

using namespace tessel;
using Control = ProgramView::Control;

Q_DECLARE_METATYPE(tessel::Outcome)

class WorkbenchTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SharedState state_;
    std::unique_ptr<SimBoardSet> boards_;  // one board with a serial number
    std::unique_ptr<SimBackend> single_;   // one board without one, plugged in again at will
    ScriptedPrompts prompts_;
    std::unique_ptr<CTesselDlg> window_;

    CProgrammeDlg& page() { return window_->programPage(); }
    QPushButton* button(Control c) { return page().button(c); }
    StatusBar& bar() { return window_->statusBar(); }
    SimBackend& backend() { return single_ ? *single_ : boards_->backend(0); }
    SimBoard& board() { return backend().board(); }

    void start(int chip, int latencyMs = 0, bool withSerial = true) {
        state_.chipIndex = chip;
        SimOptions o;
        o.latencyMs = latencyMs;
        HidBackend* bus = nullptr;
        if (withSerial) {
            boards_ = std::make_unique<SimBoardSet>(o);
            bus = boards_.get();
        } else {
            single_ = std::make_unique<SimBackend>(o);
            bus = single_.get();
        }
        window_ = std::make_unique<CTesselDlg>(state_, *bus, prompts_, true);
        window_->show();
        QTRY_VERIFY(page().logLines().contains(QStringLiteral("下位机版本:V1.0.1.1a")));
    }

    QString writeFile(const QString& name, const QByteArray& content) {
        const QString path = dir_.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }

    // One step of a status-bar script, and what it waits for.
    void step(const QString& s) {
        const QString supplyBefore = bar().supplyText();
        if (s == QLatin1String("3V") || s == QLatin1String("5V") || s == QLatin1String("off")) {
            const Control c = s == QLatin1String("3V")   ? Control::Power3V
                              : s == QLatin1String("5V") ? Control::Power5V
                                                         : Control::PowerOff;
            button(c)->click();
            QTRY_VERIFY(bar().supplyText() != supplyBefore);
        } else if (s == QLatin1String("trim")) {
            button(Control::TrimToggle)->click();
            QTRY_VERIFY(page().sequencer().trimMode());
            QTRY_VERIFY(!page().sequencer().busy());
        } else if (s == QLatin1String("load")) {
            prompts_.openAnswers << writeFile(QStringLiteral("b.hex"),
                                              ":0400000001020304F2\n:00000001FF\n");
            button(Control::OpenFile)->click();
        } else if (s == QLatin1String("pull")) {
            backend().pullOut();
            QTRY_VERIFY(!window_->transport().isConnected());
            QTest::qWait(200);  // the old board's reader ends before the board comes back
        } else if (s == QLatin1String("plug")) {
            backend().plugIn();
            QTRY_VERIFY2(button(Control::ReadFlash)->isEnabled(),
                         qPrintable(page().logLines().join(QLatin1Char('\n'))));
        }
    }

private Q_SLOTS:
    void init() {
        state_.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        QFile::remove(state_.profilePath);
        state_.language = 0;
        state_.engineeringLayout = true;  // the trim toggle is shown
        prompts_ = ScriptedPrompts();
    }

    void cleanup() {
        window_.reset();
        boards_.reset();
        single_.reset();
    }

    void statusBarTexts_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("boardText");
        QTest::addColumn<QString>("supply");
        QTest::addColumn<QString>("trim");
        QTest::addColumn<QString>("image");  // the start of the image's text
        const QString board = QStringLiteral("编程器: SIM0001");
        const QString unknown = QStringLiteral("供电: 未知");
        const QString noTrim = QStringLiteral("非修调模式");
        const QString noImage = QStringLiteral("未加载文件");
        QTest::newRow("connected") << 0 << QStringList{} << board << unknown << noTrim << noImage;
        QTest::newRow("connected en")
            << 1 << QStringList{} << QStringLiteral("Board: SIM0001")
            << QStringLiteral("Supply: unknown") << QStringLiteral("Not in trim mode")
            << QStringLiteral("No image loaded");
        QTest::newRow("3 V") << 0 << QStringList{QStringLiteral("3V")} << board
                             << QStringLiteral("供电: 3 V") << noTrim << noImage;
        QTest::newRow("5 V then off")
            << 0 << QStringList{QStringLiteral("5V"), QStringLiteral("off")} << board
            << QStringLiteral("供电: 关") << noTrim << noImage;
        QTest::newRow("5 V en") << 1 << QStringList{QStringLiteral("5V")}
                                << QStringLiteral("Board: SIM0001") << QStringLiteral("Supply: 5 V")
                                << QStringLiteral("Not in trim mode")
                                << QStringLiteral("No image loaded");
        QTest::newRow("trim") << 0 << QStringList{QStringLiteral("trim")} << board << unknown
                              << QStringLiteral("修调模式") << noImage;
        QTest::newRow("load") << 0 << QStringList{QStringLiteral("load")} << board << unknown
                              << noTrim << QStringLiteral("b.hex  4 字节  校验和 0xFFFFFFEB  ");
        QTest::newRow("load en") << 1 << QStringList{QStringLiteral("load")}
                                 << QStringLiteral("Board: SIM0001")
                                 << QStringLiteral("Supply: unknown")
                                 << QStringLiteral("Not in trim mode")
                                 << QStringLiteral("b.hex  4 bytes  checksum 0xFFFFFFEB  ");
        QTest::newRow("pulled out")
            << 0 << QStringList{QStringLiteral("3V"), QStringLiteral("pull")}
            << QStringLiteral("编程器: 未连接") << unknown << noTrim << noImage;
        QTest::newRow("trim, pulled out")
            << 0 << QStringList{QStringLiteral("trim"), QStringLiteral("pull")}
            << QStringLiteral("编程器: 未连接") << unknown << noTrim << noImage;
        QTest::newRow("pulled out en")
            << 1 << QStringList{QStringLiteral("pull")} << QStringLiteral("Board: not connected")
            << QStringLiteral("Supply: unknown") << QStringLiteral("Not in trim mode")
            << QStringLiteral("No image loaded");
        QTest::newRow("plugged in again")
            << 0
            << QStringList{QStringLiteral("load"), QStringLiteral("pull"), QStringLiteral("plug")}
            << QStringLiteral("编程器: 已连接(无序列号)") << unknown << noTrim
            << QStringLiteral("b.hex  4 字节  ");
    }

    void statusBarTexts() {
        QFETCH(int, language);
        QFETCH(QStringList, steps);
        QFETCH(QString, boardText);
        QFETCH(QString, supply);
        QFETCH(QString, trim);
        QFETCH(QString, image);
        start(6, 0, !steps.contains(QStringLiteral("plug")));
        Q_EMIT window_->languageCombo().activated(language);
        for (const QString& s : steps)
            step(s);
        QTRY_COMPARE(bar().boardText(), boardText);
        QCOMPARE(bar().supplyText(), supply);
        QCOMPARE(bar().trimText(), trim);
        QVERIFY2(bar().imageText().startsWith(image), qPrintable(bar().imageText()));
        if (steps.contains(QStringLiteral("load")))
            QCOMPARE(bar().imageToolTip(), dir_.filePath(QStringLiteral("b.hex")));
    }

    // Without a board only the file and page controls work.
    void buttonsWithoutBoard_data() {
        QTest::addColumn<int>("control");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("open file") << int(Control::OpenFile) << true;
        QTest::newRow("create file") << int(Control::CreateFile) << true;
        QTest::newRow("write flash") << int(Control::WriteFlash) << false;
        QTest::newRow("read flash") << int(Control::ReadFlash) << false;
        QTest::newRow("read config") << int(Control::ReadConfig) << false;
        QTest::newRow("write eeprom") << int(Control::WriteEeprom) << false;
        QTest::newRow("3V") << int(Control::Power3V) << false;
        QTest::newRow("power off") << int(Control::PowerOff) << false;
        QTest::newRow("trim toggle") << int(Control::TrimToggle) << false;
    }

    void buttonsWithoutBoard() {
        QFETCH(int, control);
        QFETCH(bool, enabled);
        start(11, 0, false);
        QVERIFY(button(Control(control))->isEnabled());
        step(QStringLiteral("pull"));
        QCOMPARE(button(Control(control))->isEnabled(), enabled);
        QVERIFY(page().writeGrid().isEnabled());
        QVERIFY(!page().stopButton()->isEnabled());
        step(QStringLiteral("plug"));
        QVERIFY(button(Control(control))->isEnabled());
    }

    // A window started with no board at all: "打开文件" works, the operations do not.
    void startsWithoutBoard() {
        SimOptions o;
        o.latencyMs = 0;
        boards_ = std::make_unique<SimBoardSet>(o);
        boards_->backend(0).pullOut();
        window_ = std::make_unique<CTesselDlg>(state_, *boards_, prompts_, true);
        QTRY_VERIFY(page().logLines().contains(QStringLiteral("无USB设备!")));
        QCOMPARE(bar().boardText(), QStringLiteral("编程器: 未连接"));
        QVERIFY(button(Control::OpenFile)->isEnabled());
        QVERIFY(!button(Control::WriteFlash)->isEnabled());
    }

    // "停止" in the middle of a 60 KB write: the transfer ends, leave programming mode (0x87)
    // goes out once, the verdict is NG with reason "cancelled", and the next write succeeds.
    void stopInTheMiddleOfAWrite() {
        start(10, 1);
        QByteArray image(61440, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i % 0x7F);  // no data report starts with 0x87
        prompts_.openAnswers << writeFile(QStringLiteral("big.bin"), image);
        button(Control::OpenFile)->click();
        QVERIFY(page().image().imageLoaded);
        QSignalSpy finished(&page().session(), &ProgrammerSession::operationFinished);
        QVERIFY(!page().stopButton()->isEnabled());
        QVERIFY(!window_->mainMenu().action(MainMenu::Item::Stop)->isEnabled());
        button(Control::WriteFlash)->click();
        QVERIFY(page().stopButton()->isEnabled());
        QVERIFY(window_->mainMenu().action(MainMenu::Item::Stop)->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(board().trace().size() > 100, 10000);
        const size_t stoppedAt = board().trace().size();
        page().stopButton()->click();
        QTRY_COMPARE(finished.count(), 1);
        const Outcome outcome = finished.at(0).at(0).value<Outcome>();
        QCOMPARE(QString::fromLatin1(reasonKey(outcome.reason)), QStringLiteral("cancelled"));
        QVERIFY(page().logLines().contains(QStringLiteral("操作已中止!")));
        QVERIFY(!page().stopButton()->isEnabled());
        QVERIFY2(bar().verdictText().startsWith(QStringLiteral("上次操作: NG (cancelled)  ")),
                 qPrintable(bar().verdictText()));
        QTest::qWait(800);  // anything still under way reaches the board
        const auto trace = board().trace();
        QVERIFY(stoppedAt < 1000);  // well before the 960 data reports and the read-back
        int leaves = 0;
        for (size_t i = stoppedAt > 2 ? stoppedAt - 2 : 0; i < trace.size(); ++i)
            leaves += trace[i][1] == 0x87 ? 1 : 0;
        QCOMPARE(leaves, 1);

        button(Control::WriteFlash)->click();
        QTRY_COMPARE_WITH_TIMEOUT(page().logLines().last(), QStringLiteral("芯片烧录成功!"), 30000);
        QTRY_COMPARE(finished.count(), 2);
        QVERIFY(finished.at(1).at(0).value<Outcome>().ok());
        QVERIFY(bar().verdictText().startsWith(QStringLiteral("上次操作: OK  ")));
    }

    // A dropped file opens as "打开文件" would; other files and several at once are refused.
    void droppedFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QString>("warning");  // @ stands for the path
        QTest::newRow("hex") << QStringLiteral("d.hex")
                             << QByteArray(":0400000001020304F2\n:00000001FF\n") << true
                             << QString();
        QTest::newRow("bin upper case")
            << QStringLiteral("d.BIN") << QByteArray("\x01\x02", 2) << true << QString();
        QTest::newRow("text file") << QStringLiteral("d.txt") << QByteArray("hello") << false
                                   << QStringLiteral("不能打开此类文件: @");
        QTest::newRow("broken hex") << QStringLiteral("e.hex") << QByteArray(":zz\n") << false
                                    << QStringLiteral("文件不是HEX文件！");
    }

    void droppedFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, loaded);
        QFETCH(QString, warning);
        start(6);
        const QString path = writeFile(name, content);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window_.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window_.get(), &drop);
        if (loaded) {
            QTRY_VERIFY(page().image().imageLoaded);
            QVERIFY(bar().imageText().startsWith(name));
            QCOMPARE(window_->recentFiles().files(), QStringList{path});
        } else {
            // Refused as "打开文件" refuses it: the same box first.
            QTRY_VERIFY(!prompts_.warnings.isEmpty());
            QCOMPARE(prompts_.warnings.first(), QString(warning).replace(QLatin1Char('@'), path));
            QVERIFY(!page().image().imageLoaded);
            QVERIFY(window_->recentFiles().files().isEmpty());
        }
    }

    void openDialogFilters_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("filters");
        const QString kinds = QStringLiteral(
            "HEX/BIN/TK (*.hex *.bin *.tk *.ntk *.mtk *.HEX *.BIN *.TK *.NTK *.MTK);;"
            "HEX (*.hex *.HEX);;BIN (*.bin *.BIN);;TK (*.tk *.ntk *.mtk *.TK *.NTK *.MTK);;");
        QTest::newRow("zh") << 0 << kinds + QStringLiteral("所有文件 (*)");
        QTest::newRow("en") << 1 << kinds + QStringLiteral("All files (*)");
    }

    void openDialogFilters() {
        QFETCH(int, language);
        QFETCH(QString, filters);
        start(0);
        Q_EMIT window_->languageCombo().activated(language);
        button(Control::OpenFile)->click();
        QCOMPARE(prompts_.lastFilter, filters);
    }

    // File dialogs start where the last one ended, kept in the profile; a folder that has
    // gone gives the home folder.
    void dialogFolder_data() {
        QTest::addColumn<QString>("chosen");  // relative to the test's folder; empty: none
        QTest::addColumn<QString>("start");   // @ the test's folder, ~ the home folder
        QTest::newRow("nothing chosen yet") << QString() << QStringLiteral("~");
        QTest::newRow("a file in a sub-folder")
            << QStringLiteral("fw/line3.hex") << QStringLiteral("@/fw");
        QTest::newRow("folder gone") << QStringLiteral("gone/a.tk") << QStringLiteral("~");
    }

    void dialogFolder() {
        QFETCH(QString, chosen);
        QFETCH(QString, start);
        QDir(dir_.path()).mkpath(QStringLiteral("fw"));
        {
            WidgetPrompts prompts;
            prompts.setProfile(Profile(state_.profilePath));
            if (!chosen.isEmpty())
                prompts.rememberFolderOf(dir_.filePath(chosen));
        }
        WidgetPrompts later;
        later.setProfile(Profile(state_.profilePath));
        QString expected = start;
        expected.replace(QLatin1Char('@'), dir_.path()).replace(QLatin1Char('~'), QDir::homePath());
        QCOMPARE(later.startFolder(), expected);
    }

    // Recent files: newest first, at most eight, kept in the profile.
    void recentFiles_data() {
        QTest::addColumn<QStringList>("opened");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("one") << QStringList{QStringLiteral("/fw/a.hex")}
                             << QStringList{QStringLiteral("/fw/a.hex")};
        QTest::newRow("again moves to the top")
            << QStringList{QStringLiteral("/fw/a.hex"), QStringLiteral("/fw/b.bin"),
                           QStringLiteral("/fw/a.hex")}
            << QStringList{QStringLiteral("/fw/a.hex"), QStringLiteral("/fw/b.bin")};
        QStringList ten;
        for (int i = 1; i <= 10; ++i)
            ten << QStringLiteral("/fw/f%1.tk").arg(i);
        QTest::newRow("ten keep eight")
            << ten << QStringList{QStringLiteral("/fw/f10.tk"), QStringLiteral("/fw/f9.tk"),
                                  QStringLiteral("/fw/f8.tk"),  QStringLiteral("/fw/f7.tk"),
                                  QStringLiteral("/fw/f6.tk"),  QStringLiteral("/fw/f5.tk"),
                                  QStringLiteral("/fw/f4.tk"),  QStringLiteral("/fw/f3.tk")};
        QTest::newRow("chinese name") << QStringList{QStringLiteral("/固件/产线 3.hex")}
                                      << QStringList{QStringLiteral("/固件/产线 3.hex")};
    }

    void recentFiles() {
        QFETCH(QStringList, opened);
        QFETCH(QStringList, listed);
        {
            RecentFiles recent{Profile(state_.profilePath)};
            for (const QString& p : opened)
                recent.add(p);
            QCOMPARE(recent.files(), listed);
        }
        RecentFiles again{Profile(state_.profilePath)};
        QCOMPARE(again.files(), listed);
        const Profile profile(state_.profilePath);
        QCOMPARE(
            profile.readString(QStringLiteral("InitParameters"), QStringLiteral("RecentFile1")),
            listed.first());
        QCOMPARE(profile.readString(QStringLiteral("InitParameters"), QStringLiteral("RecentFile8"),
                                    QStringLiteral("missing")),
                 listed.value(7));
        // The window's menu lists them.
        start(0);
        QCOMPARE(window_->mainMenu().recentMenu()->actions().size(), listed.size());
        QCOMPARE(window_->mainMenu().recentMenu()->actions().first()->data().toString(),
                 listed.first());
    }

    // Where the window opens, fitted to the screen's available area.
    void windowPlace_data() {
        QTest::addColumn<QRect>("remembered");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("placed");
        QTest::newRow("none, small screen")
            << QRect() << QRect(0, 0, 1024, 700) << QRect(0, 0, 1024, 700);
        QTest::newRow("none, large screen")
            << QRect() << QRect(0, 0, 1600, 1000) << QRect(160, 90, 1280, 820);
        QTest::newRow("fits") << QRect(100, 50, 1200, 800) << QRect(0, 0, 1600, 1000)
                              << QRect(100, 50, 1200, 800);
        QTest::newRow("past the corner")
            << QRect(900, 600, 1200, 800) << QRect(0, 0, 1600, 1000) << QRect(400, 200, 1200, 800);
        QTest::newRow("too large, panel on top")
            << QRect(-50, -20, 1280, 820) << QRect(0, 30, 1024, 670) << QRect(0, 30, 1024, 670);
        QTest::newRow("screen gone")
            << QRect(3000, 100, 800, 600) << QRect(0, 0, 1600, 1000) << QRect(800, 100, 800, 600);
    }

    void windowPlace() {
        QFETCH(QRect, remembered);
        QFETCH(QRect, available);
        QFETCH(QRect, placed);
        QCOMPARE(placeWindow(remembered, available, QSize(1280, 820)), placed);
        // The same through the profile keys the window keeps.
        if (remembered.isValid()) {
            Profile p(state_.profilePath);
            const QString s = QStringLiteral("InitParameters");
            p.writeInt(s, QStringLiteral("WindowX"), remembered.x());
            p.writeInt(s, QStringLiteral("WindowY"), remembered.y());
            p.writeInt(s, QStringLiteral("WindowWidth"), remembered.width());
            p.writeInt(s, QStringLiteral("WindowHeight"), remembered.height());
        }
        start(0);
        QCOMPARE(window_->startGeometry(available), placed);
    }

    void placeKeptOnClose() {
        start(0);
        window_->resize(1000, 650);
        window_->close();
        const Profile p(state_.profilePath);
        const QString s = QStringLiteral("InitParameters");
        QCOMPARE(p.readInt(s, QStringLiteral("WindowWidth"), 0), 1000);
        QCOMPARE(p.readInt(s, QStringLiteral("WindowHeight"), 0), 650);
        QCOMPARE(p.readInt(s, QStringLiteral("WindowMaximized"), -1), 0);
    }

    // The splitter between the views and the chip page is kept in the profile on closing and
    // set from it at the next start; without it the views take all the room the page leaves.
    void splitterKeptInProfile() {
        start(10);
        window_->resize(1600, 900);
        QTRY_COMPARE(window_->size(), QSize(1600, 900));
        const QList<int> fresh = page().splitter().sizes();
        QVERIFY(fresh.value(0) > fresh.value(1));
        page().splitter().setSizes({fresh.value(0) - 300, fresh.value(1) + 300});
        const QList<int> left = page().splitter().sizes();
        QCOMPARE(left.value(1), fresh.value(1) + 300);
        window_->close();
        const Profile p(state_.profilePath);
        const QString s = QStringLiteral("InitParameters");
        QCOMPARE(p.readInt(s, QStringLiteral("SplitterViews"), 0), left.value(0));
        QCOMPARE(p.readInt(s, QStringLiteral("SplitterPages"), 0), left.value(1));
        window_.reset();
        boards_.reset();
        start(10);
        window_->resize(1600, 900);
        QTRY_COMPARE(window_->size(), QSize(1600, 900));
        QTRY_VERIFY(page().splitter().sizes().value(1) > fresh.value(1) + 150);
    }

    // Ctrl+C copies the log's selected lines, as the menu's "复制" does.
    void copyWithKeyboard() {
        MessageList list;
        for (const char* line : {"one", "two", "three", "four"})
            list.appendLine(QString::fromLatin1(line));
        list.clearSelection();
        list.item(1)->setSelected(true);
        list.item(3)->setSelected(true);
        QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("two\nfour"));
    }

    // A list that shows its last line keeps it in view when it shrinks.
    void lastLineStaysInView_data() {
        QTest::addColumn<int>("lines");
        QTest::addColumn<int>("shrinkBy");
        QTest::newRow("one line less") << 60 << 20;
        QTest::newRow("half") << 200 << 150;
    }

    void lastLineStaysInView() {
        QFETCH(int, lines);
        QFETCH(int, shrinkBy);
        MessageList list;
        list.resize(300, 300);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        for (int i = 0; i < lines; ++i)
            list.appendLine(QStringLiteral("line %1").arg(i));
        QCoreApplication::processEvents();
        QCOMPARE(list.verticalScrollBar()->value(), list.verticalScrollBar()->maximum());
        list.resize(300, 300 - shrinkBy);
        QCoreApplication::processEvents();
        const QRect last = list.visualItemRect(list.item(lines - 1));
        QVERIFY2(list.viewport()->rect().contains(last), "the last line scrolled out of view");
    }

    // The wiring help opens on the chip's programming entry, expanded, the first time only.
    void wiringHelp_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("picture");
        QTest::newRow("KR4121") << 0 << QStringLiteral("21烧录") << 150;
        QTest::newRow("KR4161") << 4 << QStringLiteral("13/61/15W烧录") << 156;
        QTest::newRow("KR4115W/KR4113") << 6 << QStringLiteral("13/61/15W烧录") << 156;
        QTest::newRow("KR4116") << 7 << QStringLiteral("16烧录") << 179;
        QTest::newRow("ZU5712RA16") << 9 << QStringLiteral("5812/5712烧录调试") << 194;
        QTest::newRow("KR5814") << 11 << QStringLiteral("5815烧录") << 192;
        QTest::newRow("VE5812DUZI") << 13 << QStringLiteral("5812/5712烧录调试") << 194;
    }

    void wiringHelp() {
        QFETCH(int, chip);
        QFETCH(QString, entry);
        QFETCH(int, picture);
        QCOMPARE(CHelpLines::programmingEntryFor(chip), entry);
        CHelpLines help;
        help.showForChip(chip);
        QCOMPARE(help.shownPicture(), picture);
        QTreeWidgetItem* selected = help.tree().selectedItems().value(0);
        QVERIFY(selected);
        QCOMPARE(selected->text(0), entry);
        QVERIFY(selected->parent()->isExpanded());
        QVERIFY(help.tree().topLevelItem(0)->isExpanded());
        // The user's choice stays for later showings, whatever chip is selected then.
        QTreeWidgetItem* other = help.tree().topLevelItem(0)->child(0)->child(1);  // "21调试"
        help.tree().clearSelection();
        other->setSelected(true);
        help.hide();
        help.showForChip(chip == 0 ? 7 : 0);
        QCOMPARE(help.shownPicture(), 157);
    }

    // Every button of the programming page says what it does; the operations name their codes.
    void tooltips_data() {
        QTest::addColumn<int>("control");
        QTest::addColumn<QString>("contains");
        QTest::newRow("write flash") << int(Control::WriteFlash) << QStringLiteral("0x85");
        QTest::newRow("read flash") << int(Control::ReadFlash) << QStringLiteral("0x86");
        QTest::newRow("read config") << int(Control::ReadConfig) << QStringLiteral("0x82");
        QTest::newRow("write eeprom") << int(Control::WriteEeprom) << QStringLiteral("0x8F");
        QTest::newRow("read eeprom") << int(Control::ReadEeprom) << QStringLiteral("0x90");
        QTest::newRow("3V") << int(Control::Power3V) << QStringLiteral("0x8A");
        QTest::newRow("5V") << int(Control::Power5V) << QStringLiteral("0x8B");
        QTest::newRow("off") << int(Control::PowerOff) << QStringLiteral("0x8C");
        QTest::newRow("trim") << int(Control::WriteTrim) << QStringLiteral("0x8D");
        QTest::newRow("open") << int(Control::OpenFile) << QStringLiteral("Ctrl+O");
    }

    void tooltips() {
        QFETCH(int, control);
        QFETCH(QString, contains);
        start(0);
        QVERIFY2(button(Control(control))->toolTip().contains(contains),
                 qPrintable(button(Control(control))->toolTip()));
        for (int c = 0; c <= int(Control::CreateFile); ++c)
            QVERIFY2(!button(Control(c))->toolTip().isEmpty(),
                     qPrintable(button(Control(c))->text()));
        QVERIFY(!page().clearButton()->toolTip().isEmpty());
        QVERIFY(page().stopButton()->toolTip().contains(QStringLiteral("0x87")));
    }

    // The keys of the menu bar: the items press the page's buttons.
    void shortcuts_data() {
        QTest::addColumn<int>("item");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("open") << int(MainMenu::Item::Open) << QStringList{QStringLiteral("Ctrl+O")};
        QTest::newRow("write") << int(MainMenu::Item::WriteFlash)
                               << QStringList{QStringLiteral("Ctrl+W"), QStringLiteral("F5")};
        QTest::newRow("read flash")
            << int(MainMenu::Item::ReadFlash) << QStringList{QStringLiteral("Ctrl+R")};
        QTest::newRow("read config")
            << int(MainMenu::Item::ReadConfig) << QStringList{QStringLiteral("Ctrl+Shift+R")};
        QTest::newRow("clear") << int(MainMenu::Item::ClearLog)
                               << QStringList{QStringLiteral("Ctrl+L")};
        QTest::newRow("stop") << int(MainMenu::Item::Stop) << QStringList{QStringLiteral("Esc")};
        QTest::newRow("tab 1") << int(MainMenu::Item::ProgramTab)
                               << QStringList{QStringLiteral("Ctrl+1")};
        QTest::newRow("tab 2") << int(MainMenu::Item::DebugTab)
                               << QStringList{QStringLiteral("Ctrl+2")};
    }

    void shortcuts() {
        QFETCH(int, item);
        QFETCH(QStringList, keys);
        start(13);
        QAction* a = window_->mainMenu().action(MainMenu::Item(item));
        QStringList actual;
        for (const QKeySequence& k : a->shortcuts())
            actual << k.toString();
        QCOMPARE(actual, keys);
        // Pressing the first key does what the button does.
        prompts_.openAnswers << writeFile(QStringLiteral("k.hex"),
                                          ":0400000001020304F2\n:00000001FF\n");
        if (MainMenu::Item(item) == MainMenu::Item::WriteFlash)
            button(Control::OpenFile)->click();  // an image to write
        QVERIFY(QTest::qWaitForWindowActive(window_.get()));
        QTest::keySequence(window_.get(), a->shortcuts().first());
        switch (MainMenu::Item(item)) {
            case MainMenu::Item::Open:
                QVERIFY(page().image().imageLoaded);
                break;
            case MainMenu::Item::WriteFlash:
            case MainMenu::Item::ReadFlash:
            case MainMenu::Item::ReadConfig:
                QVERIFY(page().sequencer().busy());
                QTRY_VERIFY_WITH_TIMEOUT(!page().sequencer().busy(), 20000);
                break;
            case MainMenu::Item::ClearLog:
                QVERIFY(page().logLines().isEmpty());
                break;
            case MainMenu::Item::DebugTab:
                QCOMPARE(window_->tabs().currentIndex(), 1);
                break;
            default:
                QCOMPARE(window_->tabs().currentIndex(), 0);
                break;
        }
    }
};

QTEST_MAIN(WorkbenchTest)
#include "tst_workbench.moc"
