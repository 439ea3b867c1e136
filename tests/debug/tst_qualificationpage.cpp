// The debug page's qualification tab on the simulated board (the guided measurement, the
// minimum SNR in the profile, the report), and replay of a data file without the board.
#include "app/profile.h"
#include "link/cmusbhid.h"
#include "pages/debug/cdebug.h"
#include "pages/debug/cmulticolordraw.h"
#include "pages/debug/debugtablemodel.h"
#include "pages/debug/qualificationpanel.h"
#include "sim/simboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using namespace tessel;

namespace {

// KR4115/56/17 (key flags in the file), two channels. Untouched: records 0 and 1; key 0
// alone: 2 and 3; key 1 alone: 4. Channel 0: N = 4, S = 102 − 0 = 102, SNR 25.5,
// sensitivity 10.2 %; channel 1: N = 1, S = 301 − 0.5 = 300.5, SNR 300.5, sensitivity
// 15.0 %. Coupling 0→1 = (10 − 0.5) / 102 = 9.3 %, 1→0 = 1 / 300.5 = 0.3 %.
const char kRun[] =
    ",Baseline,,,Rawdata,,,Differ,,KeyFlagSN\r\n"
    "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,--\r\n"
    "0,1000,2000,,1002,2000,,2,0,0x00000000,\r\n"
    "1,1000,2000,,998,2001,,-2,1,0x00000000,\r\n"
    "2,1000,2000,,1100,2010,,100,10,0x00000001,\r\n"
    "3,1000,2000,,1104,2010,,104,10,0x00000001,\r\n"
    "4,1000,2000,,1001,2301,,1,301,0x00000002,\r\n";

QStringList L(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* i : items)
        out << QString::fromUtf8(i);
    return out;
}

QStringList rowOf(QTableWidget& t, int row) {
    QStringList out;
    for (int c = 0; c < t.columnCount(); ++c)
        out << (t.item(row, c) ? t.item(row, c)->text() : QString());
    return out;
}

}  // namespace

class TestQualificationPage : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SharedState state_;
    ScriptedPrompts prompts_;
    std::unique_ptr<SimBackend> backend_;
    std::unique_ptr<CMUSBHid> transport_;
    std::unique_ptr<CDebug> page_;

    void makePage(int chip) {
        state_.chipIndex = uint32_t(chip);
        state_.language = 1;
        state_.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        QFile f(state_.profilePath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        SimOptions o;
        o.latencyMs = 0;
        o.frameRate = 200;
        o.channels = 4;
        o.touches = false;  // the test holds the keys
        o.bench.strength = SimTouchBench::filled(200);
        o.bench.noise = 4;
        o.bench.drift = 0;
        o.bench.coupling = 10;
        backend_ = std::make_unique<SimBackend>(o);
        transport_ = std::make_unique<CMUSBHid>(state_, *backend_);
        page_ = std::make_unique<CDebug>(state_, *transport_, prompts_);
        page_->resize(1400, 900);
        page_->show();
        transport_->open();
        QCoreApplication::processEvents();
        backend_->board().clearTrace();
    }

    QString write(const char* name, const QByteArray& text) {
        const QString path = dir_.filePath(QString::fromLatin1(name));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(text);
        return path;
    }

private Q_SLOTS:
    void init() { prompts_.messages.clear(); }
    void cleanup() {
        page_.reset();
        transport_.reset();
        backend_.reset();
    }

    void replayTables_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("channel 0") << 0 << L({"0", "4.0", "102.0", "25.5", "10.2", "PASS"});
        QTest::newRow("channel 1") << 1 << L({"1", "1.0", "300.5", "300.5", "15.0", "PASS"});
    }
    void replayTables() {
        QFETCH(int, row);
        QFETCH(QStringList, texts);
        makePage(5);
        QVERIFY(page_->loadDataFile(write("run.csv", kRun)));
        QVERIFY(page_->replayShown());
        QualificationPanel& q = page_->qualificationPanel();
        QCOMPARE(rowOf(q.resultTable(), row), texts);
        QCOMPARE(q.resultTable().item(row, 5)->background().color(),
                 QualificationPanel::kPassColour);
        QCOMPARE(q.couplingTable().item(0, 1)->text(), QStringLiteral("9.3"));
        QCOMPARE(q.couplingTable().item(1, 0)->text(), QStringLiteral("0.3"));
        // The data table, the charts, the statistics and the grid hold the file's samples.
        QCOMPARE(page_->tableModel().rowCount(), 5);
        QCOMPARE(page_->tableModel().columnCount(), 3);
        CMultiColorDraw& differ = page_->chart(2);
        QCOMPARE(differ.samplesAdded(0), qint64(5));
        QCOMPARE(differ.sample(0, differ.sampleWindow() - 1), 1);
        QCOMPARE(differ.sample(1, differ.sampleWindow() - 1), 301);
        QCOMPARE(differ.sample(0, differ.sampleWindow() - 3), 100);
        QVERIFY(differ.channelVisible(1));
        QVERIFY(!differ.channelVisible(2));
        QCOMPARE(page_->statisticsTable().rowCount(), 2);
        QCOMPARE(page_->channelCountText(), QStringLiteral("2"));
        QVERIFY(page_->csvPathLabel().text().startsWith(QStringLiteral("Replay: ")));
        // Nothing went to the board.
        QVERIFY(backend_->board().trace().empty());
    }

    // A long path in the label does not widen the page (nor the window past the screen).
    void longPathKeepsTheWidth() {
        makePage(5);
        const int width = page_->minimumSizeHint().width();
        const QString deep = dir_.filePath(QString(150, QLatin1Char('d')));
        QVERIFY(QDir().mkpath(deep));
        QFile f(deep + QStringLiteral("/run.csv"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(kRun);
        f.close();
        QVERIFY(page_->loadDataFile(f.fileName()));
        QVERIFY(page_->csvPathLabel().text().endsWith(QStringLiteral("/run.csv")));
        QTest::qWait(50);  // the layouts take the new text
        QCOMPARE(page_->minimumSizeHint().width(), width);
        QCOMPARE(page_->csvPathLabel().toolTip(), page_->csvPathLabel().text());
    }

    // "保存图片" writes the chart as drawn (PNG of the chart's size); "自动范围" turns its
    // autoscale on; a file that cannot be written is said.
    void savePicture_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("saved");
        QTest::newRow("written") << QStringLiteral("differ.png") << true;
        QTest::newRow("no such folder") << QStringLiteral("missing/differ.png") << false;
    }
    void savePicture() {
        QFETCH(QString, name);
        QFETCH(bool, saved);
        makePage(5);
        QVERIFY(page_->loadDataFile(write("run.csv", kRun)));
        page_->autoScaleCheck(2).click();
        QVERIFY(page_->chart(2).autoScale());
        QCOMPARE(page_->chart(2).shownRange(), std::make_pair(-18, 317));  // -2 … 301, margin 16
        const QString path = dir_.filePath(name);
        prompts_.saveAnswers = QStringList{path};
        QTest::mouseClick(&page_->savePictureButton(2), Qt::LeftButton);
        QVERIFY(prompts_.lastSaveDefaultName.endsWith(QStringLiteral("-Differ.png")));
        const QImage image(path);
        QCOMPARE(!image.isNull(), saved);
        if (saved) {
            QCOMPARE(image.size(), page_->chart(2).size());
            QVERIFY(prompts_.warnings.isEmpty());
        } else {
            QCOMPARE(prompts_.warnings,
                     QStringList{QStringLiteral("Cannot save the picture: ") + path});
            prompts_.warnings.clear();
        }
    }

    void refusedFiles_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("short record")
            << QByteArray(kRun).replace("2,1000,2000,,1100,2010,,100,10,0x00000001,",
                                        "2,1000,2000,,1100")
            << QStringLiteral("Line 5: 5 fields, expected 11");
        QTest::newRow("no key flags") << QByteArray(
                                             ",Baseline,,,Rawdata,,,Differ\r\n"
                                             "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,\r\n")
                                      << QStringLiteral(
                                             "Line 1: this chip's data file has a KeyFlagSN "
                                             "column");
        QTest::newRow("not a data file") << QByteArray("hello\n")
                                         << QStringLiteral(
                                                "Line 1: not the header of a debug data file of "
                                                "this program");
    }
    void refusedFiles() {
        QFETCH(QByteArray, text);
        QFETCH(QString, message);
        makePage(5);
        QVERIFY(!page_->loadDataFile(write("bad.csv", text)));
        QCOMPARE(prompts_.warnings, QStringList{message});
        QVERIFY(!page_->replayShown());
        prompts_.warnings.clear();
    }

    // A replay is refused while a run is active, and a run started afterwards replaces it.
    void runReplacesReplay() {
        makePage(5);
        const QString path = write("run.csv", kRun);
        prompts_.openAnswers = QStringList{path};
        QTest::mouseClick(&page_->openDataButton(), Qt::LeftButton);
        QVERIFY(page_->replayShown());
        QTest::mouseClick(&page_->startButton(), Qt::LeftButton);
        QVERIFY(!page_->replayShown());
        QVERIFY(!page_->openDataButton().isEnabled());
        QVERIFY(!page_->loadDataFile(path));
        QTRY_VERIFY(page_->session().framesAccepted() >= 3);
        QCOMPARE(page_->channelCountText(), QStringLiteral("4"));
        page_->stopRun();
        QTRY_VERIFY(!page_->running());
    }

    // The guided measurement against keys of known figures: noise ±4 (N = 8), a touch of 200
    // counts (SNR 25), 10 % to the neighbours. Tolerances: noise exact over 200 samples,
    // signal ±2 counts, coupling ±1 percentage point.
    void guidedMeasurement() {
        makePage(5);
        QualificationPanel& q = page_->qualificationPanel();
        q.samplesSpin().setValue(200);
        QVERIFY(!q.noiseButton().isEnabled());
        QTest::mouseClick(&page_->startButton(), Qt::LeftButton);
        QTRY_VERIFY(q.noiseButton().isEnabled());
        QVERIFY(!q.signalButton().isEnabled());
        QTest::mouseClick(&q.noiseButton(), Qt::LeftButton);
        QTRY_VERIFY(q.measurement().samplesIn() >= 10);
        QVERIFY(
            q.promptLabel().text().startsWith(QStringLiteral("Keep your hands off the keys (")));
        QCOMPARE(q.progress().maximum(), 200);
        QTRY_VERIFY_WITH_TIMEOUT(q.measurement().noiseDone(), 20000);
        // Hold key 0 and wait until the page sees it held.
        backend_->board().setTouchScript({SimTouch{0, 0, 100000000}});
        bool held = false;
        connect(&page_->session(), &DebugSession::sampleSaved, this,
                [&held](const SampleRecord& r, quint32) { held = held || (r.keyFlags & 1u); });
        QTRY_VERIFY(held);
        QCOMPARE(q.keyCombo().currentText(), QStringLiteral("Ch0"));
        QTest::mouseClick(&q.signalButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(q.measurement().signalDone(0), 20000);
        QCOMPARE(q.keyCombo().currentText(), QStringLiteral("Ch1"));
        const qualification::Result& r = q.result();
        QCOMPARE(r.channel[0].noise, 8.0);
        QVERIFY2(std::fabs(r.channel[0].signal - 200) <= 2,
                 qPrintable(QString::number(r.channel[0].signal)));
        QVERIFY(r.channel[0].pass);
        QCOMPARE(q.resultTable().item(0, 5)->text(), QStringLiteral("PASS"));
        QCOMPARE(q.resultTable().item(1, 5)->text(), QStringLiteral("FAIL"));  // not touched yet
        QCOMPARE(q.resultTable().item(1, 5)->background().color(), QualificationPanel::kFailColour);
        QVERIFY(std::fabs(r.coupling[0][1] - 10) <= 1);
        QVERIFY(std::fabs(r.coupling[0][2]) <= 1);

        // A minimum of 30 fails the key and is kept in the profile.
        q.minSnrSpin().setValue(30);
        QCOMPARE(q.resultTable().item(0, 5)->text(), QStringLiteral("FAIL"));
        QCOMPARE(Profile(state_.profilePath)
                     .readInt(QStringLiteral("BebugParameters"), QStringLiteral("m_min_snr"), 0),
                 30);

        // The report of the measurement.
        const QString html = dir_.filePath(QStringLiteral("page.html"));
        QVERIFY(page_->writeReport(html));
        QFile h(html);
        QVERIFY(h.open(QIODevice::ReadOnly));
        QCOMPARE(h.readAll().count("src=\"data:image/png;base64,"), qsizetype(3));
        QFile j(dir_.filePath(QStringLiteral("page.json")));
        QVERIFY(j.open(QIODevice::ReadOnly));
        const QJsonObject o = QJsonDocument::fromJson(j.readAll()).object();
        QCOMPARE(o.value(QStringLiteral("source")).toString(),
                 QStringLiteral("Guided measurement"));
        const QJsonObject c0 = o.value(QStringLiteral("qualification"))
                                   .toObject()
                                   .value(QStringLiteral("channels"))
                                   .toArray()
                                   .at(0)
                                   .toObject();
        QCOMPARE(c0.value(QStringLiteral("noise")).toDouble(), 8.0);
        QCOMPARE(c0.value(QStringLiteral("pass")).toBool(), false);
        page_->stopRun();
        QTRY_VERIFY(!page_->running());
        QVERIFY(!q.noiseButton().isEnabled());
    }

    // With key flags a phase takes only the samples that agree with it; with the Differ
    // level every sample of the phase counts.
    void phaseTakesAgreeingSamples_data() {
        QTest::addColumn<bool>("keyFlags");
        QTest::addColumn<int>("key");  // -1: the noise phase
        QTest::addColumn<QList<uint>>("flags");
        QTest::addColumn<int>("samplesIn");
        const QList<uint> noise{0, 1, 0, 4, 0};
        const QList<uint> signal{2, 2, 3, 0, 2};
        QTest::newRow("noise, key flags") << true << -1 << noise << 3;
        QTest::newRow("noise, Differ level") << false << -1 << noise << 5;
        QTest::newRow("key 1, key flags") << true << 1 << signal << 3;
        QTest::newRow("key 1, Differ level") << false << 1 << signal << 5;
    }
    void phaseTakesAgreeingSamples() {
        QFETCH(bool, keyFlags);
        QFETCH(int, key);
        QFETCH(QList<uint>, flags);
        QFETCH(int, samplesIn);
        SharedState state;
        QualificationPanel q(state);
        q.setChannels(4);
        q.setTouchSource(keyFlags ? qualification::TouchSource::KeyFlags
                                  : qualification::TouchSource::DifferLevel);
        q.setLive(true);
        q.samplesSpin().setValue(10);
        SampleRecord r;
        r.baseline.fill(1000);
        QTest::mouseClick(&q.noiseButton(), Qt::LeftButton);
        if (key >= 0) {
            for (int k = 0; k < 10; ++k)
                q.addSample(r, 0);
            QVERIFY(q.measurement().noiseDone());
            q.keyCombo().setCurrentIndex(key);
            QTest::mouseClick(&q.signalButton(), Qt::LeftButton);
        }
        for (const uint f : flags) {
            r.keyFlags = f;
            q.addSample(r, 0);
        }
        QCOMPARE(q.measurement().samplesIn(), samplesIn);
        QCOMPARE(q.progress().value(), samplesIn);
    }

    // A phase that cannot finish (the key is never flagged) is left by starting another.
    void unfinishedPhaseIsLeft() {
        SharedState state;
        QualificationPanel q(state);
        q.setChannels(2);
        q.setTouchSource(qualification::TouchSource::KeyFlags);
        q.setLive(true);
        q.samplesSpin().setValue(10);
        SampleRecord r;
        QTest::mouseClick(&q.noiseButton(), Qt::LeftButton);
        for (int k = 0; k < 10; ++k)
            q.addSample(r, 0);
        q.keyCombo().setCurrentIndex(0);
        QTest::mouseClick(&q.signalButton(), Qt::LeftButton);
        r.keyFlags = 1;
        for (int k = 0; k < 4; ++k)
            q.addSample(r, 0);
        QCOMPARE(q.measurement().samplesIn(), 4);
        QVERIFY(q.signalButton().isEnabled());
        q.keyCombo().setCurrentIndex(1);
        QTest::mouseClick(&q.signalButton(), Qt::LeftButton);
        QCOMPARE(q.measurement().key(), 1);
        QCOMPARE(q.measurement().samplesIn(), 0);
        QCOMPARE(q.promptLabel().text(), QStringLiteral("请按住按键Ch1（已采集0/10）"));
        QTest::mouseClick(&q.noiseButton(), Qt::LeftButton);
        QCOMPARE(q.measurement().phase(), qualification::Measurement::Phase::Noise);
        QVERIFY(!q.measurement().noiseDone());
    }

    // "由数据计算" during a run: the figures of the run's saved samples, touched by the key
    // flags (key 0 held for frames 20 to 59: signal 200 over noise ±4, coupling 10 %).
    void computeFromRunData() {
        makePage(5);
        backend_->board().setTouchScript({SimTouch{0, 20, 40}});
        QualificationPanel& q = page_->qualificationPanel();
        QTest::mouseClick(&page_->startButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(page_->session().framesAccepted() >= 120, 20000);
        QTest::mouseClick(&q.fromDataButton(), Qt::LeftButton);
        QVERIFY(q.hasResult());
        QCOMPARE(q.resultSource(), QStringLiteral("Debug run"));
        const qualification::Result& r = q.result();
        QCOMPARE(r.channel[0].touched, qint64(40));
        QVERIFY(std::fabs(r.channel[0].signal - 200) <= 2);
        QVERIFY(std::fabs(r.coupling[0][1] - 10) <= 1.5);
        QCOMPARE(q.resultTable().item(0, 5)->text(), QStringLiteral("PASS"));
        page_->stopRun();
        QTRY_VERIFY(!page_->running());
    }

    // The minimum SNR comes from the profile.
    void minimumFromTheProfile() {
        makePage(5);
        page_.reset();
        Profile(state_.profilePath)
            .writeInt(QStringLiteral("BebugParameters"), QStringLiteral("m_min_snr"), 12);
        page_ = std::make_unique<CDebug>(state_, *transport_, prompts_);
        QCOMPARE(page_->qualificationPanel().minSnr(), 12);
    }
};

QTEST_MAIN(TestQualificationPage)
#include "tst_qualificationpage.moc"
