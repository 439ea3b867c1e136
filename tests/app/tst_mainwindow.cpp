// The main window on the simulated board: start-up, chip selection kept in the profile,
// language switching, boards coming and going, and the single-instance guard.
#include "app/aboutdlg.h"
#include "app/profile.h"
#include "app/singleinstance.h"
#include "app/tesseldlg.h"
#include "link/cmusbhid.h"
#include "link/hid/boardlock.h"
#include "pages/debug/cdebug.h"
#include "pages/help/chelplines.h"
#include "pages/program/cprogrammedlg.h"
#include "sim/simboard.h"
#include "sim/simboards.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>
#include <QWheelEvent>

#include <memory>

using namespace tessel;

namespace {

// A control of the debug page, the engineering group or the wiring help, by a short name.
QString captionOf(CTesselDlg& w, const QString& what) {
    CDebug& d = w.debugPage();
    CProgrammeDlg& p = w.programPage();
    using C = ProgramView::Control;
    const auto group = [](QWidget* inside) {
        return static_cast<QGroupBox*>(inside->parentWidget())->title();
    };
    if (what == QLatin1String("start"))
        return d.startButton().text();
    if (what == QLatin1String("pause"))
        return d.pauseButton().text();
    if (what == QLatin1String("save settings"))
        return d.saveSettingsButton().text();
    if (what == QLatin1String("channels"))
        return d.channelsButton().text();
    if (what == QLatin1String("save data"))
        return d.saveDataCheck().text();
    if (what == QLatin1String("modify"))
        return d.modifyButton().text();
    if (what == QLatin1String("external"))
        return d.supplyRadio(2).text();
    if (what == QLatin1String("supply group"))
        return group(&d.supplyRadio(0));
    if (what == QLatin1String("parameter group"))
        return d.parameterGroup().title();
    if (what.startsWith(QLatin1String("tab ")))
        return d.viewTabs().tabText(what.mid(4).toInt());
    if (what == QLatin1String("status"))
        return d.statusText();
    if (what == QLatin1String("config group"))
        return group(p.button(C::WriteConfig));
    if (what == QLatin1String("write config"))
        return p.button(C::WriteConfig)->text();
    if (what == QLatin1String("trim toggle"))
        return p.button(C::TrimToggle)->text();
    if (what == QLatin1String("write trim"))
        return p.button(C::WriteTrim)->text();
    if (what == QLatin1String("help window"))
        return w.helpLines().windowTitle();
    return QStringLiteral("<unknown %1>").arg(what);
}

// Every text a widget and its children show, with a name for the message.
QStringList textsUnder(QWidget* root) {
    QStringList out;
    for (QWidget* w : root->findChildren<QWidget*>()) {
        if (auto* g = qobject_cast<QGroupBox*>(w))
            out << g->title();
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            out << b->text();
        if (auto* l = qobject_cast<QLabel*>(w))
            out << l->text();
        if (auto* t = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < t->count(); ++i)
                out << t->tabText(i);
        }
        if (auto* c = qobject_cast<QComboBox*>(w)) {
            for (int i = 0; i < c->count(); ++i)
                out << c->itemText(i);
        }
    }
    return out;
}

QStringList chineseAmong(const QStringList& texts) {
    QStringList out;
    for (const QString& t : texts) {
        for (QChar c : t) {
            if (c.unicode() >= 0x3000 && c.unicode() <= 0x9FFF) {
                out << t;
                break;
            }
        }
    }
    return out;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SharedState state_;
    std::unique_ptr<SimBackend> backend_;
    ScriptedPrompts prompts_;

    std::unique_ptr<CTesselDlg> makeWindow() {
        auto w = std::make_unique<CTesselDlg>(state_, *backend_, prompts_, true);
        w->show();
        return w;
    }

    QStringList log(CTesselDlg& w) { return w.programPage().logLines(); }

    void writeProfile(const QByteArray& text) {
        QFile f(state_.profilePath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

private Q_SLOTS:
    void init() {
        state_.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        QFile::remove(state_.profilePath);
        state_.chipIndex = 0;
        state_.language = 0;
        state_.engineeringLayout = false;
        SimOptions o;
        o.latencyMs = 0;
        backend_ = std::make_unique<SimBackend>(o);
    }

    void startsAndConnects() {
        auto w = makeWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("调试烧录--V1.0.1.1a(客户端)"));
        QCOMPARE(w->chipCombo().count(), 14);
        QCOMPARE(w->chipCombo().itemText(12), QStringLiteral("KR5813/KR5713"));
        QCOMPARE(w->chipCombo().currentIndex(), 0);
        QCOMPARE(w->tabs().tabText(0), QStringLiteral("烧录"));
        QCOMPARE(w->tabs().tabText(1), QStringLiteral("调试"));
        QTRY_VERIFY(log(*w).contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        QCOMPARE(log(*w),
                 (QStringList{QStringLiteral("使用模拟编程器"), QStringLiteral("发现USB设备!"),
                              QStringLiteral("与下位机USB通信建立成功!"),
                              QStringLiteral("下位机版本:V1.0.1.1a")}));
        QCOMPARE(state_.boardVersion, QStringLiteral("V1.0.1.1a"));
        QVERIFY(w->programPage().buttonsEnabled());
        // The board received the version request with its three 0xCD bytes.
        const auto trace = backend_->board().trace();
        QVERIFY(!trace.empty());
        QCOMPARE(int(trace[0][1]), 0x7F);
        QCOMPARE(int(trace[0][2]), 0xCD);
        QCOMPARE(int(trace[0][4]), 0xCD);
    }

    void chipSelectionKeptInProfile_data() {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<int>("startChip");
        QTest::newRow("no profile") << QByteArray() << 0;
        QTest::newRow("stored 12") << QByteArray("[InitParameters]\r\nm_ictype=12\r\n") << 12;
        QTest::newRow("out of range") << QByteArray("[InitParameters]\r\nm_ictype=14\r\n") << 0;
        QTest::newRow("negative") << QByteArray("[initparameters]\nM_ICTYPE=-2\n") << 0;
    }

    void chipSelectionKeptInProfile() {
        QFETCH(QByteArray, profile);
        QFETCH(int, startChip);
        if (!profile.isEmpty())
            writeProfile(profile);
        {
            auto w = makeWindow();
            QCOMPARE(w->chipCombo().currentIndex(), startChip);
            QCOMPARE(int(state_.chipIndex), startChip);
            w->chipCombo().setCurrentIndex(12);
            Q_EMIT w->chipCombo().activated(12);
            QCOMPARE(int(state_.chipIndex), 12);
            w->close();
        }
        QCOMPARE(Profile(state_.profilePath)
                     .readInt(QStringLiteral("InitParameters"), QStringLiteral("m_ictype"), -1),
                 12);
        state_.chipIndex = 0;
        auto again = makeWindow();
        QCOMPARE(again->chipCombo().currentIndex(), 12);
    }

    void languageSwitch() {
        auto w = makeWindow();
        Q_EMIT w->languageCombo().activated(1);
        QCOMPARE(int(state_.language), 1);
        QCOMPARE(w->windowTitle(), QStringLiteral("Debug Tools--V1.0.1.0a(Guest)"));
        QCOMPARE(w->tabs().tabText(0), QStringLiteral("Program"));
        QCOMPARE(w->tabs().tabText(1), QStringLiteral("Debug"));
        QStringList titles;
        for (QGroupBox* g : w->findChildren<QGroupBox*>(QString(), Qt::FindDirectChildrenOnly)) {
            titles << g->title();
        }
        QVERIFY(titles.contains(QStringLiteral("language select")));
        QVERIFY(titles.contains(QStringLiteral("  chip select  ")));
        QVERIFY(titles.contains(QStringLiteral("communication")));
        QVERIFY(w->findChild<QRadioButton*>()->text() == QStringLiteral("USB"));

        // Messages follow the language of the moment.
        w->findChild<QRadioButton*>()->click();
        QTRY_VERIFY(log(*w).contains(QStringLiteral("Find USB Device!")));
        QTRY_VERIFY(log(*w).contains(QStringLiteral("Board Version :V1.0.1.1a")));

        Q_EMIT w->languageCombo().activated(0);
        QCOMPARE(w->windowTitle(), QStringLiteral("调试烧录--V1.0.1.0a(客户端)"));
        QCOMPARE(w->tabs().tabText(0), QStringLiteral("烧录"));
    }

    // The debug page, the engineering group and the wiring help follow the language combo
    // at once, there and back.
    void captionsFollowTheLanguage_data() {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("english");
        const char* rows[][3] = {
            {"start", "开始调试", "Start debugging"},
            {"pause", "暂停显示", "Pause display"},
            {"save settings", "保存设置", "Save settings"},
            {"channels", "通道全不选", "Deselect all channels"},
            {"save data", "保存数据", "Save data"},
            {"modify", "修改", "Modify"},
            {"external", "外部供电", "External supply"},
            {"supply group", "调试电源", "Debug supply"},
            {"parameter group", "参数设置", "Parameters"},
            {"tab 0", "曲线图", "Charts"},
            {"tab 1", "数据表", "Data table"},
            {"tab 2", "统计", "Statistics"},
            {"status", "正确", "OK"},
            {"config group", "配置字操作", "Configuration"},
            {"write config", "写配置字", "Write Config"},
            {"trim toggle", "进入修调", "Enter Trim"},
            {"write trim", "写修调", "Write Trim"},
            {"help window", "接线说明", "Connections"},
        };
        for (const auto& r : rows)
            QTest::newRow(r[0]) << QString::fromUtf8(r[0]) << QString::fromUtf8(r[1])
                                << QString::fromUtf8(r[2]);
    }
    void captionsFollowTheLanguage() {
        QFETCH(QString, what);
        QFETCH(QString, chinese);
        QFETCH(QString, english);
        state_.engineeringLayout = true;
        auto w = makeWindow();
        QCOMPARE(captionOf(*w, what), chinese);
        Q_EMIT w->languageCombo().activated(1);
        QCOMPARE(captionOf(*w, what), english);
        Q_EMIT w->languageCombo().activated(0);
        QCOMPARE(captionOf(*w, what), chinese);
    }

    // In English nothing Chinese is left on the debug page (with its parameter group) or in
    // the engineering group.
    void englishLeavesNoChinese() {
        state_.engineeringLayout = true;
        state_.chipIndex = 5;
        auto w = makeWindow();
        Q_EMIT w->languageCombo().activated(1);
        w->tabs().setCurrentIndex(1);
        QVERIFY(w->debugPage().parameterGroup().isVisible());
        QStringList texts = textsUnder(&w->debugPage());
        texts << textsUnder(
            w->programPage().button(ProgramView::Control::WriteConfig)->parentWidget());
        QVERIFY(texts.size() > 60);
        QCOMPARE(chineseAmong(texts), QStringList());
        Q_EMIT w->languageCombo().activated(0);
        QVERIFY(chineseAmong(textsUnder(&w->debugPage())).contains(QStringLiteral("开始调试")));
    }

    void aboutBox_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("texts");  // title, software, firmware, hardware, layout, OK
        QTest::newRow("Chinese") << 0
                                 << QStringList{
                                        QStringLiteral("关于 Tessel"),
                                        QStringLiteral("Tessel 调试烧录--V1.0.1.1a"),
                                        QStringLiteral("下位机版本:V1.0.1.1a"),
                                        QStringLiteral("HardWare:USB调试烧录器-V1.4"),
                                        QStringLiteral("工程布局: 已打开 (m_check_engineering=1)"),
                                        QStringLiteral("确定")};
        QTest::newRow("English")
            << 1
            << QStringList{QStringLiteral("About Tessel"),
                           QStringLiteral("Tessel Debug Tools--V1.0.1.1a"),
                           QStringLiteral("Board Version :V1.0.1.1a"),
                           QStringLiteral("HardWare:USB debugging programmer-V1.4"),
                           QStringLiteral("Engineering layout: on (m_check_engineering=1)"),
                           QStringLiteral("OK")};
    }
    void aboutBox() {
        QFETCH(int, language);
        QFETCH(QStringList, texts);
        state_.language = uint8_t(language);
        state_.boardVersion = QStringLiteral("V1.0.1.1a");
        state_.engineeringLayout = true;
        AboutDlg about(state_);
        const auto label = [&](const char* name) {
            return about.findChild<QLabel*>(QLatin1String(name))->text();
        };
        QCOMPARE(about.windowTitle(), texts[0]);
        QCOMPARE(label("softwareVersion"), texts[1]);
        QCOMPARE(label("firmwareVersion"), texts[2]);
        QCOMPARE(label("hardwareVersion"), texts[3]);
        QCOMPARE(label("engineeringLayout"), texts[4]);
        QCOMPARE(about.findChild<QPushButton*>(QStringLiteral("aboutOk"))->text(), texts[5]);
        QCOMPARE(label("profilePath"), QStringLiteral("Parameters.ini: ") + state_.profilePath);
        if (language == 1)
            QCOMPARE(chineseAmong(textsUnder(&about)), QStringList());
    }

    void boardPulledOutAndPluggedIn() {
        auto w = makeWindow();
        QTRY_VERIFY(log(*w).contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        QSignalSpy closed(&w->transport(), &CMUSBHid::disconnected);
        backend_->pullOut();
        QTRY_VERIFY(!w->transport().isConnected());
        QTRY_COMPARE(log(*w).count(QStringLiteral("设备被拔出")), 1);
        QCOMPARE(closed.count(), 1);
        QTest::qWait(150);  // the reader's failed read must not announce it twice
        QCOMPARE(log(*w).count(QStringLiteral("设备被拔出")), 1);

        backend_->plugIn();
        QTRY_VERIFY(w->transport().isConnected());
        QVERIFY(log(*w).contains(QStringLiteral("设备已连接")));
        QTRY_COMPARE(log(*w).count(QStringLiteral("与下位机USB通信建立成功!")), 2);
    }

    void unrelatedDevices() {
        auto w = makeWindow();
        QTRY_VERIFY(log(*w).contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        auto* watcher = w->findChild<HotplugWatcher*>();
        QVERIFY(watcher);
        const int before = log(*w).size();
        Q_EMIT watcher->removed(QStringLiteral("/dev/hidraw9"));
        QCOMPARE(log(*w).size(), before);  // another device's removal says nothing
        QVERIFY(w->transport().isConnected());

        QSignalSpy closed(&w->transport(), &CMUSBHid::disconnected);
        Q_EMIT watcher->arrived(QStringLiteral("/dev/hidraw9"));
        QCOMPARE(log(*w).last(), QStringLiteral("设备已连接"));
        QVERIFY(w->transport().isConnected());
        QCOMPARE(closed.count(), 0);  // the open board was left alone
    }

    void wheelDoesNotChooseTheChip() {
        auto w = makeWindow();
        for (QComboBox* combo : {&w->chipCombo(), &w->languageCombo()}) {
            const int before = combo->currentIndex();
            const QPointF pos(combo->width() / 2.0, combo->height() / 2.0);
            QWheelEvent notch(pos, combo->mapToGlobal(pos), QPoint(), QPoint(0, -120), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QSpontaneKeyEvent::setSpontaneous(&notch);
            qApp->notify(combo, &notch);
            QCOMPARE(combo->currentIndex(), before);
        }
        QCOMPARE(int(state_.chipIndex), 0);
        QCOMPARE(int(state_.language), 0);
    }

    void boardHeldByAnotherProgram() {
        if (QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty())
            QSKIP("the flock program (util-linux) is not installed");
        // Another program holds the simulated board SIM0001 (as a second tessel would).
        SimBoardSet boards(backend_->board().options());
        QProcess other;
        QDir().mkpath(BoardClaim::lockDirectory());
        other.start(QStringLiteral("flock"), {QStringLiteral("-x"), QStringLiteral("-o"),
                                              BoardClaim::nameFile(QStringLiteral("SIM0001")),
                                              QStringLiteral("sleep"), QStringLiteral("60")});
        QVERIFY(other.waitForStarted());
        QTRY_VERIFY(BoardClaim::holderOf(BoardClaim::nameFile(QStringLiteral("SIM0001"))) != 0);

        CTesselDlg w(state_, boards, prompts_, true);
        w.show();
        const QString busy = QStringLiteral("编程器正被另一个程序使用（进程 %1），请先关闭该程序！")
                                 .arg(other.processId());
        QTRY_VERIFY(w.programPage().logLines().contains(busy));
        QVERIFY(!w.transport().isConnected());
        QVERIFY(!w.programPage().logLines().contains(QStringLiteral("无USB设备!")));
        // Tried again quietly; when the other program ends, the window takes the board.
        QTest::qWait(4500);
        QCOMPARE(w.programPage().logLines().count(busy), 1);
        other.kill();
        other.waitForFinished();
        QTRY_VERIFY_WITH_TIMEOUT(w.transport().isConnected(), 10000);
        QTRY_VERIFY(w.programPage().logLines().contains(QStringLiteral("下位机版本:V1.0.1.1a")));
    }

    void secondInstanceRaisesFirst() {
        const QString name =
            QStringLiteral("CTessel-test-") + QUuid::createUuid().toString(QUuid::Id128);
        SingleInstance first(name);
        QVERIFY(first.tryBecomePrimary());
        QSignalSpy raise(&first, &SingleInstance::activationRequested);
        SingleInstance second(name);
        QVERIFY(!second.tryBecomePrimary());
        QTRY_COMPARE(raise.count(), 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
