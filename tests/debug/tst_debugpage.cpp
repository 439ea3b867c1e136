// The debug page on the simulated board: its controls and defaults, a run with its captions
// and displays, the data table's row cap, the parameter group, and the main window stopping
// a run before it changes tab or closes.
#include "app/profile.h"
#include "app/tesseldlg.h"
#include "link/cmusbhid.h"
#include "pages/debug/cdebug.h"
#include "pages/debug/cmulticolordraw.h"
#include "pages/debug/debugtablemodel.h"
#include "pages/program/cmlistctrl.h"
#include "sim/simboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tessel;

namespace {

QStringList codes(const SimBoard& board) {
    QStringList out;
    for (const Report& r : board.trace())
        out << QStringLiteral("%1").arg(r[1], 2, 16, QLatin1Char('0')).toUpper();
    return out;
}

}  // namespace

class TestDebugPage : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SharedState state_;
    ScriptedPrompts prompts_;
    std::unique_ptr<SimBackend> backend_;
    std::unique_ptr<CMUSBHid> transport_;
    std::unique_ptr<CDebug> page_;

    void makePage(int chip, const QByteArray& profile = QByteArray(), bool engineering = false) {
        state_.chipIndex = uint32_t(chip);
        state_.engineeringLayout = engineering;
        state_.debugParameters = DebugParameters{};
        QFile f(state_.profilePath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(profile);
        f.close();
        SimOptions o;
        o.latencyMs = 0;
        o.frameRate = 200;
        backend_ = std::make_unique<SimBackend>(o);
        transport_ = std::make_unique<CMUSBHid>(state_, *backend_);
        page_ = std::make_unique<CDebug>(state_, *transport_, prompts_);
        page_->resize(1400, 900);
        page_->show();
        transport_->open();
        QCoreApplication::processEvents();
        backend_->board().clearTrace();
    }

private Q_SLOTS:
    void init() {
        state_.language = 0;
        state_.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        prompts_.messages.clear();
    }
    void cleanup() {
        page_.reset();
        transport_.reset();
        backend_.reset();
    }

    void controlsAndDefaults() {
        makePage(5);
        CDebug& p = *page_;
        QCOMPARE(p.startButton().text(), QStringLiteral("开始调试"));
        QCOMPARE(p.pauseButton().text(), QStringLiteral("暂停显示"));
        QVERIFY(!p.pauseButton().isEnabled());
        QCOMPARE(p.channelsButton().text(), QStringLiteral("通道全不选"));
        QCOMPARE(p.saveSettingsButton().text(), QStringLiteral("保存设置"));
        QCOMPARE(p.saveDataCheck().text(), QStringLiteral("保存数据"));
        const QStringList ranges{QStringLiteral("0"),     QStringLiteral("8192"),
                                 QStringLiteral("0"),     QStringLiteral("8192"),
                                 QStringLiteral("-1000"), QStringLiteral("1000")};
        for (int k = 0; k < 6; ++k)
            QCOMPARE(p.rangeEdit(k).text(), ranges[k]);
        QVERIFY(p.supplyRadio(1).isChecked());
        QVERIFY(p.dataTypeRadio(1).isChecked());
        QCOMPARE(p.viewTabs().tabText(0), QStringLiteral("曲线图"));
        QCOMPARE(p.viewTabs().tabText(1), QStringLiteral("数据表"));
        QCOMPARE(p.viewTabs().tabText(2), QStringLiteral("统计"));
        QCOMPARE(p.chart(0).title(), QStringLiteral("Baseline"));
        QCOMPARE(p.chart(2).lowerEnd(), -1000);
        QCOMPARE(p.grid().columnCount(), 33);
        QCOMPARE(p.grid().rowCount(), 6);
        QCOMPARE(p.grid().itemText(4, 0), QStringLiteral("KeyFlagSN"));
        QCOMPARE(p.grid().itemText(0, 32), QStringLiteral("31"));
        QCOMPARE(p.grid().cellBackground(5, 3), QColor(0xF8, 0x81, 0xD7));
        QCOMPARE(p.grid().headerImage(1), int(CMListCtrl::Checked));
        QCOMPARE(p.parameterCombo(5).itemText(2), QStringLiteral("5K"));
        QCOMPARE(p.parameterCombo(8).itemText(0), QStringLiteral("1"));
        QCOMPARE(p.parameterCombo(4).count(), 11);
        QVERIFY(!p.chart(0).channelVisible(0));
    }

    void rangeEditsSetTheCharts() {
        makePage(5);
        page_->rangeEdit(3).setText(QStringLiteral("4096"));
        Q_EMIT page_->rangeEdit(3).textEdited(QStringLiteral("4096"));
        QCOMPARE(page_->chart(1).upperEnd(), 4096);
        page_->rangeEdit(1).setText(QStringLiteral("0"));
        QTest::mouseClick(&page_->startButton(), Qt::LeftButton);
        QCOMPARE(prompts_.messages,
                 QStringList{QStringLiteral("请确保Baseline的下限值小于上限值！")});
        QVERIFY(!page_->running());
    }

    void runCaptionsAndDisplays() {
        makePage(5);
        CDebug& p = *page_;
        QTest::mouseClick(&p.startButton(), Qt::LeftButton);
        QCOMPARE(p.startButton().text(), QStringLiteral("停止调试"));
        QVERIFY(!p.startButton().isEnabled());
        QVERIFY(!p.rangeEdit(0).isEnabled());
        QTRY_VERIFY(p.session().framesAccepted() >= 5);
        p.flushSamples();
        QCOMPARE(p.channelCountText(), QStringLiteral("8"));
        QCOMPARE(p.linkText(), QStringLiteral("IIC"));
        QCOMPARE(p.linkRateText(), QStringLiteral("100"));
        QCOMPARE(p.grid().columnCount(), 9);
        QVERIFY(!p.grid().itemText(1, 1).isEmpty());
        QVERIFY(p.chart(0).channelVisible(7));
        QVERIFY(!p.chart(0).channelVisible(8));
        QCOMPARE(p.statusLamp(), 142);
        QVERIFY(p.tableModel().rowCount() > 0);
        QCOMPARE(p.tableModel().columnCount(), 9);

        QTest::mouseClick(&p.pauseButton(), Qt::LeftButton);
        QCOMPARE(p.pauseButton().text(), QStringLiteral("继续显示"));
        QVERIFY(p.startButton().isEnabled());
        QTest::mouseClick(&p.pauseButton(), Qt::LeftButton);
        QCOMPARE(p.pauseButton().text(), QStringLiteral("暂停显示"));
        QTest::mouseClick(&p.pauseButton(), Qt::LeftButton);
        QTest::mouseClick(&p.startButton(), Qt::LeftButton);
        QCOMPARE(p.startButton().text(), QStringLiteral("开始调试"));
        QCOMPARE(p.pauseButton().text(), QStringLiteral("暂停显示"));
        QVERIFY(!p.pauseButton().isEnabled());
        QCOMPARE(p.statusText(), QStringLiteral("正确"));
        QCOMPARE(p.statusLamp(), 143);
        QCOMPARE(codes(backend_->board()),
                 (QStringList{QStringLiteral("B0"), QStringLiteral("B1"), QStringLiteral("B2"),
                              QStringLiteral("B3"), QStringLiteral("B4"), QStringLiteral("B3"),
                              QStringLiteral("B4"), QStringLiteral("B5")}));
        p.flushSamples();
        QVERIFY(p.statisticsTable().rowCount() == 8);
    }

    void malformedFramesShowTheRedLamp() {
        makePage(12);
        SimOptions o = backend_->board().options();
        o.badFrames = 1;
        backend_->board().setOptions(o);
        QTest::mouseClick(&page_->startButton(), Qt::LeftButton);
        QTRY_COMPARE(page_->statusText(), QStringLiteral("帧错"));
        QCOMPARE(page_->statusLamp(), 144);
    }

    // The page ends a run that brings no accepted frame and can start again.
    void runWithoutAcceptedFramesEnds() {
        makePage(6);
        SimOptions o = backend_->board().options();
        o.channels = 31;  // too long for chip 6: every frame is ignored
        backend_->board().setOptions(o);
        page_->session().setNoFrameTimeoutMs(300);
        QTest::mouseClick(&page_->startButton(), Qt::LeftButton);
        QTRY_VERIFY(!page_->running());
        QCOMPARE(prompts_.messages, QStringList{QString::fromUtf8("5秒内未收到有效的数据帧!")});
        QVERIFY(page_->startButton().isEnabled());
        QCOMPARE(page_->startButton().text(), QStringLiteral("开始调试"));
    }

    // The CSV file of a first session: its directory is made and the page says where it went.
    void csvPathIsShown() {
        makePage(5);
        const QString csvDir = dir_.filePath(QStringLiteral("fresh/.config/Tessel"));
        page_->session().setCsvDirectory(csvDir);
        page_->saveDataCheck().setChecked(true);
        QTest::mouseClick(&page_->startButton(), Qt::LeftButton);
        QTRY_VERIFY(page_->session().framesAccepted() >= 3);
        QTest::mouseClick(&page_->pauseButton(), Qt::LeftButton);
        QTRY_VERIFY(!page_->csvPathLabel().text().isEmpty());
        const QString path = page_->session().lastCsvPath();
        QVERIFY(path.startsWith(csvDir + QLatin1Char('/')));
        QVERIFY(QFile::exists(path));
        QCOMPARE(page_->csvPathLabel().text(), QString::fromUtf8("数据已保存：") + path);
        QVERIFY(prompts_.messages.isEmpty());
    }

    // A run in English: the captions it changes, the status, the saved file's line; a switch
    // to Chinese in the middle re-captions them at once.
    void runInEnglish() {
        state_.language = 1;
        makePage(5);
        CDebug& p = *page_;
        QCOMPARE(p.startButton().text(), QStringLiteral("Start debugging"));
        QCOMPARE(p.viewTabs().tabText(1), QStringLiteral("Data table"));
        p.saveDataCheck().setChecked(true);
        QTest::mouseClick(&p.startButton(), Qt::LeftButton);
        QCOMPARE(p.startButton().text(), QStringLiteral("Stop debugging"));
        QTRY_VERIFY(p.session().framesAccepted() >= 3);
        QCOMPARE(p.pauseButton().text(), QStringLiteral("Pause display"));
        QCOMPARE(p.statusText(), QStringLiteral("OK"));
        QCOMPARE(p.linkText(), QStringLiteral("IIC"));
        QTest::mouseClick(&p.pauseButton(), Qt::LeftButton);
        QCOMPARE(p.pauseButton().text(), QStringLiteral("Resume display"));
        QTRY_VERIFY(!p.csvPathLabel().text().isEmpty());
        QCOMPARE(p.csvPathLabel().text(),
                 QStringLiteral("Data saved: ") + p.session().lastCsvPath());
        state_.language = 0;
        p.applyLanguage();
        QCOMPARE(p.pauseButton().text(), QStringLiteral("继续显示"));
        QCOMPARE(p.startButton().text(), QStringLiteral("停止调试"));
        QCOMPARE(p.statusText(), QStringLiteral("正确"));
        QTest::mouseClick(&p.startButton(), Qt::LeftButton);
        QTRY_VERIFY(!p.running());
        QVERIFY(prompts_.messages.isEmpty());
    }

    // The page's message boxes in English.
    void englishMessageBoxes_data() {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("message");
        QTest::newRow("no frames") << 0 << QStringLiteral("No valid data frame received for 5 s!");
        QTest::newRow("adaptive line")
            << 1 << QStringLiteral("Please enter an integer between 0 and 32768.");
        QTest::newRow("chart range")
            << 2 << QStringLiteral("Make sure the Differ lower limit is below its upper limit!");
    }
    void englishMessageBoxes() {
        QFETCH(int, which);
        QFETCH(QString, message);
        state_.language = 1;
        makePage(6, QByteArray(), true);
        if (which == 0) {
            SimOptions o = backend_->board().options();
            o.channels = 31;  // too long for chip 6: every frame is ignored
            backend_->board().setOptions(o);
            page_->session().setNoFrameTimeoutMs(300);
            QTest::mouseClick(&page_->startButton(), Qt::LeftButton);
            QTRY_VERIFY(!page_->running());
        } else if (which == 1) {
            page_->adaptiveLineEdit().setText(QStringLiteral("40000"));
            Q_EMIT page_->adaptiveLineEdit().editingFinished();
        } else {
            page_->rangeEdit(5).setText(QStringLiteral("-2000"));
            QTest::mouseClick(&page_->startButton(), Qt::LeftButton);
            QVERIFY(!page_->running());
        }
        QCOMPARE(prompts_.messages, QStringList{message});
    }

    void channelSelection() {
        makePage(5);
        CDebug& p = *page_;
        QTest::mouseClick(&p.channelsButton(), Qt::LeftButton);
        QCOMPARE(p.channelsButton().text(), QStringLiteral("通道全选"));
        QCOMPARE(p.grid().headerImage(4), int(CMListCtrl::Unchecked));
        QVERIFY(!p.chart(1).channelVisible(3));
        QTest::mouseClick(&p.channelsButton(), Qt::LeftButton);
        QCOMPARE(p.channelsButton().text(), QStringLiteral("通道全不选"));
        QVERIFY(p.chart(1).channelVisible(3));
        Q_EMIT p.grid().headerToggled(3, CMListCtrl::Unchecked);
        QVERIFY(!p.chart(2).channelVisible(3));
        QVERIFY(p.chart(2).channelVisible(2));
    }

    void tableRowCap_data() {
        QTest::addColumn<QList<int>>("batches");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("lastValue");
        QTest::newRow("501 one by one") << QList<int>(501, 1) << 501 << 500;
        QTest::newRow("502 one by one") << QList<int>(502, 1) << 1 << 501;
        QTest::newRow("one batch of 1200") << QList<int>{1200} << 198 << 1199;
        QTest::newRow("500 then 3") << QList<int>{500, 3} << 2 << 502;
        QTest::newRow("1002 in two") << QList<int>{1000, 2} << 501 << 1001;
    }
    void tableRowCap() {
        QFETCH(QList<int>, batches);
        QFETCH(int, rows);
        QFETCH(int, lastValue);
        DebugTableModel model;
        model.setChannels(2);
        int value = 0;
        for (int size : batches) {
            std::vector<SampleRecord> batch(size);
            for (SampleRecord& r : batch)
                r.differ[1] = value++;
            model.addSamples(batch, DebugTableModel::Value::Differ);
            QVERIFY(model.rowCount() <= 501);
        }
        QCOMPARE(model.rowCount(), rows);
        QCOMPARE(model.data(model.index(rows - 1, 2), Qt::DisplayRole).toInt(), lastValue);
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("0"));
    }

    void parameterGroupVisibility_data() {
        QTest::addColumn<bool>("engineering");
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("visible");
        QTest::newRow("engineering, KR4112") << true << 3 << true;
        QTest::newRow("engineering, VE5812DUZI") << true << 13 << true;
        QTest::newRow("engineering, KR4111") << true << 2 << false;
        QTest::newRow("customer, KR4152") << false << 5 << false;
    }
    void parameterGroupVisibility() {
        QFETCH(bool, engineering);
        QFETCH(int, chip);
        QFETCH(bool, visible);
        makePage(chip, QByteArray(), engineering);
        QCOMPARE(page_->parameterGroup().isVisible(), visible);
        QCOMPARE(int(state_.debugParameters.parameterGroupEnabled), engineering ? 1 : 0);
    }

    void parametersFromTheProfile() {
        makePage(5,
                 QByteArray(
                     "[CTKParameters]\r\nCTK_Rb=3\r\nCTK_PRS=11\r\nChip_type=1\r\nDebug_Work=1\r\n"
                     "Set_Baseline=40000\r\nSet_SNopen=255\r\nADC_OPEN=10\r\n"),
                 true);
        QCOMPARE(page_->parameterCombo(5).currentText(), QStringLiteral("10K"));
        QCOMPARE(page_->parameterCombo(4).currentIndex(), -1);  // 11 is none of the items
        QCOMPARE(page_->parameterCombo(9).currentText(), QStringLiteral("SOP16"));
        QCOMPARE(page_->parameterCombo(8).currentText(), QStringLiteral("0"));
        QCOMPARE(page_->adaptiveLineEdit().text(), QStringLiteral("0"));
        QCOMPARE(page_->channelMaskEdit().text(), QStringLiteral("000000FF"));
        QCOMPARE(page_->adcEnableEdit().text(), QStringLiteral("0A"));
    }

    void parameterEdits() {
        makePage(5, QByteArray(), true);
        CDebug& p = *page_;
        p.channelMaskEdit().setFocus();
        p.channelMaskEdit().selectAll();
        QTest::keyClicks(&p.channelMaskEdit(), QStringLiteral("1f"));
        QCOMPARE(state_.debugParameters.channelOpenMask, 0x1Fu);
        p.adcEnableEdit().selectAll();
        QTest::keyClicks(&p.adcEnableEdit(), QStringLiteral("A5"));
        QCOMPARE(state_.debugParameters.adcEnable, 0xA5u);
        p.parameterCombo(9).setCurrentIndex(0);
        Q_EMIT p.parameterCombo(9).activated(0);
        QCOMPARE(int(state_.debugParameters.chipPackage), 3);
        p.adaptiveLineEdit().setText(QStringLiteral("40000"));
        Q_EMIT p.adaptiveLineEdit().editingFinished();
        QCOMPARE(prompts_.messages,
                 QStringList{QStringLiteral("请输入一个介于 0 和 32768 之间的整数。")});
        QCOMPARE(state_.debugParameters.adaptiveLine, 0);
        QCOMPARE(p.adaptiveLineEdit().text(), QStringLiteral("0"));
        p.adaptiveLineEdit().setText(QStringLiteral("32768"));
        Q_EMIT p.adaptiveLineEdit().editingFinished();
        QCOMPARE(state_.debugParameters.adaptiveLine, 32768);
    }

    void modifySendsAndStarts() {
        makePage(5, QByteArray(), true);
        QTest::mouseClick(&page_->modifyButton(), Qt::LeftButton);
        QVERIFY(!page_->modifyButton().isEnabled());
        QTRY_VERIFY(page_->running());
        QCOMPARE(page_->resultPicture().property("result").toInt(), 183);
        QTRY_VERIFY(page_->session().framesAccepted() > 0);
        QCOMPARE(codes(backend_->board()).mid(0, 2),
                 (QStringList{QStringLiteral("B6"), QStringLiteral("B0")}));
    }

    void mainWindowStopsARun_data() {
        QTest::addColumn<bool>("close");
        QTest::newRow("tab change") << false;
        QTest::newRow("close") << true;
    }
    void mainWindowStopsARun() {
        QFETCH(bool, close);
        state_.chipIndex = 5;
        SimOptions o;
        o.latencyMs = 0;
        SimBackend backend(o);
        auto w = std::make_unique<CTesselDlg>(state_, backend, prompts_, true);
        w->show();
        w->tabs().setCurrentIndex(1);
        QTRY_VERIFY(w->transport().isConnected());
        CDebug& p = w->debugPage();
        QTest::mouseClick(&p.startButton(), Qt::LeftButton);
        QTRY_VERIFY(p.session().framesAccepted() > 0);
        QVERIFY(!w->chipCombo().isEnabled());
        backend.board().clearTrace();
        if (close) {
            w->close();
            QVERIFY(w->isVisible());  // waits for the run to end
        } else {
            w->tabs().setCurrentIndex(0);
        }
        QCOMPARE(codes(backend.board()), QStringList{QStringLiteral("B4")});
        QTRY_VERIFY(!p.running());
        QCOMPARE(codes(backend.board()), (QStringList{QStringLiteral("B4"), QStringLiteral("B5")}));
        QVERIFY(w->chipCombo().isEnabled());
        if (close)
            QTRY_VERIFY(!w->isVisible());
    }
};

QTEST_MAIN(TestDebugPage)
#include "tst_debugpage.moc"
