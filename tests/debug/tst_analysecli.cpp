// tessel-cli analyse: a file with known figures, exit codes and refused files, and the
// simulated board as a test bench: a run with known touch strength, noise and coupling is
// written by tessel-cli debug and measured back by tessel-cli analyse.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

QStringList L(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* i : items)
        out << QString::fromUtf8(i);
    return out;
}

// KR4111, two channels: channel 0 noise 4, signal 148; channel 1 noise 2, signal 200.
const char kKnown[] =
    ",Baseline,,,Rawdata,,,Differ\r\n"
    "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,\r\n"
    "0,1000,2000,,1000,2001,,0,1,\r\n"
    "1,1000,2000,,1004,1999,,4,-1,\r\n"
    "2,1000,2000,,1150,2010,,150,10,\r\n"
    "3,1000,2000,,1030,2200,,30,200,\r\n";

struct Run {
    int exitCode = -1;
    QString out;
    QJsonObject json;
};

Run cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(TESSEL_CLI_PATH), args);
    Run r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    if (args.contains(QStringLiteral("--json")))
        r.json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    return r;
}

QStringList simplifiedLines(const QString& text) {
    QStringList out;
    for (const QString& l : text.split(QLatin1Char('\n')))
        out << l.simplified();
    return out;
}

}  // namespace

class AnalyseCliTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString write(const char* name, const QByteArray& text) {
        const QString path = dir_.filePath(QString::fromLatin1(name));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(text);
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        write("Parameters.ini", QByteArray());
    }

    void knownFile() {
        const Run r =
            cli({QStringLiteral("analyse"), write("known.csv", kKnown), QStringLiteral("--chip"),
                 QStringLiteral("1"), QStringLiteral("--lang"), QStringLiteral("en")});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = simplifiedLines(r.out);
        for (const char* expected :
             {"samples=4 channels=2", "Minimum SNR: 5.0",
              "Channel Noise Signal SNR Sensitivity (%) Result", "0 4.0 148.0 37.0 14.8 PASS",
              "1 2.0 200.0 100.0 10.0 PASS", "Ch0 Ch1", "Ch0 — 6.8", "Ch1 14.0 —",
              "Every channel passes"}) {
            QVERIFY2(lines.contains(QString::fromUtf8(expected)), expected);
        }
    }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("message");
        QTest::newRow("all pass") << L({"--chip", "1"}) << 0 << QStringLiteral("ok")
                                  << QStringLiteral("Every channel passes");
        QTest::newRow("minimum 40")
            << L({"--chip", "KR4111", "--min-snr", "40"}) << 1
            << QStringLiteral("qualification-failed") << QStringLiteral("1 channel(s) fail");
        QTest::newRow("minimum 101")
            << L({"--chip", "1", "--min-snr", "101"}) << 1 << QStringLiteral("qualification-failed")
            << QStringLiteral("2 channel(s) fail");
        QTest::newRow("chip with flags")
            << L({"--chip", "5"}) << 2 << QStringLiteral("csv-malformed")
            << QStringLiteral("Line 1: this chip's data file has a KeyFlagSN column");
        QTest::newRow("no chip") << L({}) << 2 << QStringLiteral("usage") << QString();
        QTest::newRow("bad minimum")
            << L({"--chip", "1", "--min-snr", "x"}) << 2 << QStringLiteral("usage") << QString();
        QTest::newRow("two files")
            << L({"--chip", "1", "other.csv"}) << 2 << QStringLiteral("usage") << QString();
    }
    void exitCodes() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        QFETCH(QString, message);
        const Run r = cli(L({"analyse"}) + QStringList{write("known.csv", kKnown)} + args +
                          L({"--json", "--lang", "en"}));
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.json.value(QStringLiteral("reason")).toString(), reason);
        QCOMPARE(r.json.value(QStringLiteral("exit_code")).toInt(-1), exitCode);
        if (!message.isEmpty())
            QCOMPARE(r.json.value(QStringLiteral("message")).toString(), message);
        if (exitCode == 2)
            return;
        const QJsonObject q = r.json.value(QStringLiteral("qualification")).toObject();
        const QJsonObject ch0 = q.value(QStringLiteral("channels")).toArray().at(0).toObject();
        QCOMPARE(ch0.value(QStringLiteral("noise")).toDouble(), 4.0);
        QCOMPARE(ch0.value(QStringLiteral("signal")).toDouble(), 148.0);
        QCOMPARE(ch0.value(QStringLiteral("snr")).toDouble(), 37.0);
        QCOMPARE(ch0.value(QStringLiteral("sensitivity")).toDouble(), 14.8);
        QCOMPARE(ch0.value(QStringLiteral("pass")).toBool(), exitCode == 0);
        const QJsonArray coupling = q.value(QStringLiteral("coupling")).toArray();
        QVERIFY(coupling.at(0).toArray().at(0).isNull());
        QCOMPARE(coupling.at(0).toArray().at(1).toDouble(), 6.757);
        QCOMPARE(coupling.at(1).toArray().at(0).toDouble(), 14.0);
    }

    void refusedFiles_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("message");
        QTest::newRow("short line")
            << QByteArray(
                   ",Baseline,,,Rawdata,,,Differ\r\nNo.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,\r\n"
                   "0,1000,2000,,1100\r\n")
            << QStringLiteral("csv-malformed") << QStringLiteral("Line 3: 5 fields, expected 10");
        QTest::newRow("empty") << QByteArray() << QStringLiteral("csv-malformed")
                               << QStringLiteral("The data file is empty");
        QTest::newRow("missing") << QByteArray("-") << QStringLiteral("file-unreadable")
                                 << QString();
    }
    void refusedFiles() {
        QFETCH(QByteArray, text);
        QFETCH(QString, reason);
        QFETCH(QString, message);
        const QString path =
            text == "-" ? dir_.filePath(QStringLiteral("missing.csv")) : write("refused.csv", text);
        const Run r =
            cli({QStringLiteral("analyse"), path, QStringLiteral("--chip"), QStringLiteral("1"),
                 QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("--json")});
        QCOMPARE(r.exitCode, 2);
        QCOMPARE(r.json.value(QStringLiteral("reason")).toString(), reason);
        if (!message.isEmpty())
            QCOMPARE(r.json.value(QStringLiteral("message")).toString(), message);
    }

    // The simulated keys measured back. Tolerances: the noise is exact (twice the amplitude
    // over hundreds of untouched samples), the signal within 2 counts, the SNR within 0.3,
    // the sensitivity within 0.1 percentage point and the coupling within 1.5.
    void bench_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("simulate");
        // noise 0, signal 0, SNR 0, sensitivity 0, signal 1, sensitivity 1, coupling 0→1,
        // coupling 1→0, coupling 0→2
        QTest::addColumn<QList<double>>("expected");
        QTest::newRow("KR4115/56/17, key flags")
            << 5 << QStringLiteral("touch=200,noise=4,drift=0,coupling=10")
            << QList<double>{8, 200, 25, 10, 200, 9.302, 10, 10, 0};
        QTest::newRow("KR5814, counts down, Differ level")
            << 11 << QStringLiteral("touch=300,noise=3,drift=0,coupling=15")
            << QList<double>{6, 300, 50, 15, 300, 13.953, 15, 15, 0};
        QTest::newRow("KR4111, no key flags")
            << 1 << QStringLiteral("touch=150,noise=5,drift=0")
            << QList<double>{10, 150, 15, 7.5, 150, 6.977, 0, 0, 0};
        QTest::newRow("ZU5712RA16, strength per key")
            << 9 << QStringLiteral("touch=200:100:300,noise=2,drift=0,coupling=5")
            << QList<double>{4, 200, 50, 10, 100, 4.651, 5, 5, 0};
    }
    void bench() {
        QFETCH(int, chip);
        QFETCH(QString, simulate);
        QFETCH(QList<double>, expected);
        const QString csv = dir_.filePath(QStringLiteral("bench.csv"));
        QFile::remove(csv);
        const Run run =
            cli({QStringLiteral("--simulate=latency=0,rate=1000,channels=4,") + simulate,
                 QStringLiteral("debug"), QStringLiteral("--chip"), QString::number(chip),
                 QStringLiteral("--samples"), QStringLiteral("1600"), QStringLiteral("--csv"), csv,
                 QStringLiteral("--profile"), dir_.filePath(QStringLiteral("Parameters.ini"))});
        QCOMPARE(run.exitCode, 0);
        const Run r = cli({QStringLiteral("analyse"), csv, QStringLiteral("--chip"),
                           QString::number(chip), QStringLiteral("--json")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.json.value(QStringLiteral("samples")).toInt(), 1600);
        const QJsonObject q = r.json.value(QStringLiteral("qualification")).toObject();
        const QJsonArray channels = q.value(QStringLiteral("channels")).toArray();
        QCOMPARE(channels.size(), 4);
        const QJsonObject c0 = channels.at(0).toObject();
        const QJsonObject c1 = channels.at(1).toObject();
        const QJsonArray coupling = q.value(QStringLiteral("coupling")).toArray();
        const struct {
            double actual;
            double tolerance;
            const char* what;
        } figures[] = {
            {c0.value(QStringLiteral("noise")).toDouble(), 0, "noise 0"},
            {c0.value(QStringLiteral("signal")).toDouble(), 2, "signal 0"},
            {c0.value(QStringLiteral("snr")).toDouble(), 0.3, "SNR 0"},
            {c0.value(QStringLiteral("sensitivity")).toDouble(), 0.1, "sensitivity 0"},
            {c1.value(QStringLiteral("signal")).toDouble(), 2, "signal 1"},
            {c1.value(QStringLiteral("sensitivity")).toDouble(), 0.1, "sensitivity 1"},
            {coupling.at(0).toArray().at(1).toDouble(), 1.5, "coupling 0 to 1"},
            {coupling.at(1).toArray().at(0).toDouble(), 1.5, "coupling 1 to 0"},
            {coupling.at(0).toArray().at(2).toDouble(), 1.5, "coupling 0 to 2"},
        };
        for (int k = 0; k < expected.size(); ++k) {
            QVERIFY2(std::fabs(figures[k].actual - expected[k]) <= figures[k].tolerance,
                     qPrintable(QStringLiteral("%1: %2, expected %3")
                                    .arg(QLatin1String(figures[k].what))
                                    .arg(figures[k].actual)
                                    .arg(expected[k])));
        }
    }
};

QTEST_GUILESS_MAIN(AnalyseCliTest)
#include "tst_analysecli.moc"
