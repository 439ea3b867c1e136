// Touch qualification on samples with known answers: noise, signal, SNR, sensitivity and
// coupling, the touch rule by key flags and by Differ level, the guided measurement, and the
// simulated keys the figures are measured back from.
#include "debug/qualification.h"
#include "sim/simboard.h"

#include <QTest>

#include <cmath>

using namespace tessel;
namespace q = tessel::qualification;

namespace {

// One sample of two channels: Differ 0, Differ 1, baseline 0, baseline 1, key flags.
using Row = QList<int>;

QStringList L(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* i : items)
        out << QString::fromUtf8(i);
    return out;
}

std::vector<SampleRecord> records(const QList<Row>& rows) {
    std::vector<SampleRecord> out;
    for (const Row& r : rows) {
        SampleRecord s;
        for (int i = 0; i < 2; ++i) {
            s.differ[i] = r[i];
            s.baseline[i] = r[2 + i];
            s.raw[i] = r[2 + i] + r[i];
        }
        s.keyFlags = uint32_t(r[4]);
        out.push_back(s);
    }
    return out;
}

// Four hands-off samples: channel 0 noise 6 (mean 1), channel 1 noise 6 (mean 0).
const QList<Row> kIdle = {
    {0, 1, 1000, 2000, 0}, {4, -1, 1000, 2000, 0}, {-2, 3, 1000, 2000, 0}, {2, -3, 1000, 2000, 0}};

void near(double actual, double expected, double tolerance, const char* what) {
    if (std::isnan(expected)) {
        QVERIFY2(std::isnan(actual), what);
        return;
    }
    if (std::isinf(expected)) {
        QVERIFY2(actual == expected, what);
        return;
    }
    QVERIFY2(std::fabs(actual - expected) <= tolerance,
             qPrintable(QStringLiteral("%1: %2, expected %3")
                            .arg(QLatin1String(what))
                            .arg(actual)
                            .arg(expected)));
}

}  // namespace

class QualificationTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Per channel: noise, signal, SNR, sensitivity, then coupling 0→1 and 1→0, and the row
    // texts of channel 0.
    void definitions_data() {
        QTest::addColumn<QList<Row>>("samples");
        QTest::addColumn<bool>("keyFlags");
        QTest::addColumn<double>("minSnr");
        QTest::addColumn<QList<double>>("expected");
        QTest::addColumn<QStringList>("row0");
        const double nan = qQNaN();
        const double inf = qInf();
        QTest::newRow("key flags")
            << kIdle + QList<Row>{{61, 12, 1000, 2000, 1},
                                  {59, 10, 1000, 2000, 1},
                                  {25, 120, 1000, 2000, 2},
                                  {27, 122, 1000, 2000, 2}}
            << true << 5.0 << QList<double>{6,   59,        59.0 / 6, 5.9,         6,
                                            121, 121.0 / 6, 6.05,     1100.0 / 59, 2500.0 / 121}
            << L({"0", "6.0", "59.0", "9.8", "5.9", "PASS"});
        QTest::newRow("key flags, minimum 10")
            << kIdle + QList<Row>{{61, 12, 1000, 2000, 1},
                                  {59, 10, 1000, 2000, 1},
                                  {25, 120, 1000, 2000, 2},
                                  {27, 122, 1000, 2000, 2}}
            << true << 10.0 << QList<double>{6,   59,        59.0 / 6, 5.9,         6,
                                             121, 121.0 / 6, 6.05,     1100.0 / 59, 2500.0 / 121}
            << L({"0", "6.0", "59.0", "9.8", "5.9", "FAIL"});
        // Without flags the same 61 and 59 stay under the touch level of 100: untouched.
        QTest::newRow("Differ level")
            << kIdle + QList<Row>{{150, 10, 1000, 2000, 1},
                                  {152, 12, 1000, 2000, 1},
                                  {30, 200, 1000, 2000, 0},
                                  {32, 204, 1000, 2000, 0}}
            << false << 5.0
            << QList<double>{6, 150, 25, 15, 6, 202, 202.0 / 6, 10.1, 1100.0 / 150, 3000.0 / 202}
            << L({"0", "6.0", "150.0", "25.0", "15.0", "PASS"});
        QTest::newRow("level 100 touches, 99 does not")
            << QList<Row>{{0, 99, 500, 500, 0}, {0, 99, 500, 500, 0}, {100, 99, 500, 500, 0}}
            << false << 5.0 << QList<double>{0, 100, inf, 20, 0, nan, nan, nan, 0, nan}
            << L({"0", "0.0", "100.0", "—", "20.0", "PASS"});
        QTest::newRow("never touched")
            << kIdle << true << 5.0 << QList<double>{6, nan, nan, nan, 6, nan, nan, nan, nan, nan}
            << L({"0", "6.0", "—", "—", "—", "FAIL"});
        QTest::newRow("touched only")
            << QList<Row>{{300, 0, 1000, 2000, 1}} << true << 5.0
            << QList<double>{nan, nan, nan, nan, nan, nan, nan, nan, nan, nan}
            << L({"0", "—", "—", "—", "—", "FAIL"});
        // No noise and a signal that goes the wrong way: no finite SNR and no pass.
        QTest::newRow("negative signal, no noise")
            << QList<Row>{{5, 0, 1000, 2000, 0}, {-5, 0, 1000, 2000, 1}} << true << 5.0
            << QList<double>{0, -10, nan, -1, 0, nan, nan, nan, 0, nan}
            << L({"0", "0.0", "-10.0", "—", "-1.0", "FAIL"});
        // Channel 0 held as 0, 0, 0 (outlier filter) in one untouched sample: left out.
        QTest::newRow("zeroed channel left out")
            << kIdle + QList<Row>{{0, 2, 0, 2000, 0}, {61, 10, 1000, 2000, 1}} << true << 5.0
            << QList<double>{6, 60, 10, 6, 6, nan, nan, nan, 16, nan}
            << L({"0", "6.0", "60.0", "10.0", "6.0", "PASS"});
    }
    void definitions() {
        QFETCH(QList<Row>, samples);
        QFETCH(bool, keyFlags);
        QFETCH(double, minSnr);
        QFETCH(QList<double>, expected);
        QFETCH(QStringList, row0);
        const q::TouchSource source =
            keyFlags ? q::TouchSource::KeyFlags : q::TouchSource::DifferLevel;
        const q::Result r = q::qualify(records(samples), 2, source, minSnr);
        QCOMPARE(r.channels, 2);
        for (int i = 0; i < 2; ++i) {
            near(r.channel[i].noise, expected[4 * i], 1e-9, "noise");
            near(r.channel[i].signal, expected[4 * i + 1], 1e-9, "signal");
            near(r.channel[i].snr, expected[4 * i + 2], 1e-9, "SNR");
            near(r.channel[i].sensitivity, expected[4 * i + 3], 1e-9, "sensitivity");
        }
        near(r.coupling[0][1], expected[8], 1e-9, "coupling 0 to 1");
        near(r.coupling[1][0], expected[9], 1e-9, "coupling 1 to 0");
        QVERIFY(std::isnan(r.coupling[0][0]));
        QCOMPARE(q::rowTexts(r, 0, 1), row0);
    }

    // Two keys touched at once count as touched for both, but for no one's coupling.
    void couplingNeedsOneKeyAlone() {
        const q::Result r = q::qualify(records(kIdle + QList<Row>{{200, 200, 1000, 2000, 3}}), 2,
                                       q::TouchSource::KeyFlags);
        near(r.channel[0].signal, 199, 1e-9, "signal 0");
        near(r.channel[1].signal, 200, 1e-9, "signal 1");
        QVERIFY(std::isnan(r.coupling[0][1]));
        QVERIFY(std::isnan(r.coupling[1][0]));
    }

    void couplingMark_data() {
        QTest::addColumn<double>("percent");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("marked");
        QTest::newRow("20 is not over") << 20.0 << QString::fromUtf8("20.0") << false;
        QTest::newRow("20.1") << 20.1 << QString::fromUtf8("20.1") << true;
        QTest::newRow("negative") << -35.0 << QString::fromUtf8("-35.0") << false;
        QTest::newRow("none") << qQNaN() << QString::fromUtf8("—") << false;
        QTest::newRow("small negative reads 0.0") << -0.04 << QString::fromUtf8("0.0") << false;
        QTest::newRow("-0.05 rounds away") << -0.06 << QString::fromUtf8("-0.1") << false;
    }
    void couplingMark() {
        QFETCH(double, percent);
        QFETCH(QString, text);
        QFETCH(bool, marked);
        bool isMarked = !marked;
        QCOMPARE(q::couplingText(percent, &isMarked), text);
        QCOMPARE(isMarked, marked);
    }

    // The guided measurement: the phase, not the data, says what is touched.
    void guidedMeasurement() {
        q::Measurement m;
        m.start(2, 3);
        QCOMPARE(m.phase(), q::Measurement::Phase::Idle);
        QVERIFY(!m.add(records({{50, 50, 1000, 2000, 3}})[0]));  // idle: not taken
        m.beginNoise();
        QCOMPARE(q::phasePrompt(m, 1),
                 QStringLiteral("Keep your hands off the keys (0/3 samples)"));
        const std::vector<SampleRecord> idle =
            records({{0, 1, 1000, 2000, 1}, {4, -1, 1000, 2000, 0}, {-2, 3, 1000, 2000, 2}});
        QVERIFY(!m.add(idle[0]));
        QVERIFY(!m.add(idle[1]));
        QCOMPARE(q::phasePrompt(m, 0), QStringLiteral("请勿触摸按键（已采集2/3）"));
        QVERIFY(m.add(idle[2]));
        QVERIFY(m.noiseDone());
        QCOMPARE(m.phase(), q::Measurement::Phase::Idle);
        m.beginSignal(7);  // no such key
        QCOMPARE(m.phase(), q::Measurement::Phase::Idle);
        m.beginSignal(1);
        QCOMPARE(q::phasePrompt(m, 1), QStringLiteral("Touch and hold key Ch1 (0/3 samples)"));
        QCOMPARE(q::phasePrompt(m, 0), QStringLiteral("请按住按键Ch1（已采集0/3）"));
        const std::vector<SampleRecord> held =
            records({{10, 60, 1000, 2000, 0}, {12, 62, 1000, 2000, 0}, {14, 64, 1000, 2000, 0}});
        QVERIFY(!m.add(held[0]));
        QVERIFY(!m.add(held[1]));
        QCOMPARE(m.samplesIn(), 2);
        QVERIFY(m.add(held[2]));
        QVERIFY(m.signalDone(1));
        QVERIFY(!m.signalDone(0));
        const q::Result r = m.result();
        near(r.channel[1].noise, 4, 1e-9, "noise 1");
        near(r.channel[1].signal, 61, 1e-9, "signal 1");
        near(r.channel[1].snr, 15.25, 1e-9, "SNR 1");
        near(r.channel[1].sensitivity, 3.05, 1e-9, "sensitivity 1");
        near(r.coupling[1][0], (12.0 - 2.0 / 3) / 61 * 100, 1e-9, "coupling 1 to 0");
        QVERIFY(r.channel[1].pass);
        QVERIFY(!r.channel[0].pass);  // never measured touched
        QVERIFY(!r.allPass());
    }

    // The simulated board's keys: strength per channel, noise, drift and coupling.
    void benchOptions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QList<int>>("values");  // strength 0, 1, 31, noise, drift, coupling
        QTest::newRow("defaults") << QString::fromUtf8("") << true
                                  << QList<int>{400, 400, 400, 6, -1, 0};
        QTest::newRow("example") << QString::fromUtf8("touch=30,noise=4,drift=1,coupling=10")
                                 << true << QList<int>{30, 30, 30, 4, 1, 10};
        QTest::newRow("per channel")
            << QString::fromUtf8("touch=100:200") << true << QList<int>{100, 200, 200, 6, -1, 0};
        QTest::newRow("empty strength") << QString::fromUtf8("touch=100:") << false << QList<int>{};
        QTest::newRow("not a number") << QString::fromUtf8("touch=1:x") << false << QList<int>{};
        QTest::newRow("no value") << QString::fromUtf8("touch") << false << QList<int>{};
        QTest::newRow("coupling 101") << QString::fromUtf8("coupling=101") << false << QList<int>{};
        QTest::newRow("negative noise") << QString::fromUtf8("noise=-1") << false << QList<int>{};
    }
    void benchOptions() {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(QList<int>, values);
        SimOptions o;
        QString error;
        QCOMPARE(SimOptions::parse(text, &o, &error), ok);
        if (!ok)
            return;
        QCOMPARE((QList<int>{o.bench.strength[0], o.bench.strength[1], o.bench.strength[31],
                             o.bench.noise, o.bench.drift, o.bench.coupling}),
                 values);
    }

    // Without noise a touch of channel 1 moves it by its strength and its neighbours by the
    // coupling's share, upwards for chip 5 and downwards for chip 9.
    void benchSample_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QList<int>>("raw");  // channels 0 to 3
        QTest::newRow("upwards") << 5 << QList<int>{2020, 2350, 2320, 2450};
        QTest::newRow("downwards") << 9 << QList<int>{1980, 1950, 2280, 2450};
    }
    void benchSample() {
        QFETCH(int, chip);
        QFETCH(QList<int>, raw);
        SimTouchPanel panel;
        SimTouchBench bench;
        bench.noise = 0;
        bench.drift = 0;
        bench.coupling = 10;
        bench.strength[1] = 200;
        panel.setBench(bench);
        panel.setScript({{1, 0, 1}});
        const SimTouchPanel::Sample s = panel.next(0, 4, chip);
        QCOMPARE((QList<int>{s.raw[0], s.raw[1], s.raw[2], s.raw[3]}), raw);
        QCOMPARE(s.keyFlags, 2u);
        QCOMPARE(s.baseline[1], uint16_t(2150));
    }

    // drift=100: the baselines climb one count a frame to 200 above their start, fall to
    // 200 below and climb back (800 frames).
    void benchDrift_data() {
        QTest::addColumn<int>("frame");
        QTest::addColumn<int>("baseline0");
        QTest::newRow("0") << 0 << 2000;
        QTest::newRow("150") << 150 << 2150;
        QTest::newRow("top") << 200 << 2200;
        QTest::newRow("400") << 400 << 2000;
        QTest::newRow("bottom") << 600 << 1800;
        QTest::newRow("700") << 700 << 1900;
        QTest::newRow("again") << 800 << 2000;
    }
    void benchDrift() {
        QFETCH(int, frame);
        QFETCH(int, baseline0);
        SimTouchPanel panel;
        SimTouchBench bench;
        bench.drift = 100;
        panel.setBench(bench);
        QCOMPARE(int(panel.next(uint32_t(frame), 2, 5).baseline[0]), baseline0);
    }
};

QTEST_GUILESS_MAIN(QualificationTest)
#include "tst_qualification.moc"
