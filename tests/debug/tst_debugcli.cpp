// tessel-cli debug on the simulated board: exit codes, the messages, the CSV file and the
// statistics table.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList L(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* i : items)
        out << QString::fromUtf8(i);
    return out;
}

}  // namespace

class DebugCliTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase() {
        // The profile the runs name exists (empty: every setting at its default).
        QFile f(dir_.filePath(QStringLiteral("Parameters.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    void unreadableProfileIsRefused() {
        QProcess p;
        p.start(QStringLiteral(TESSEL_CLI_PATH),
                L({"--simulate=latency=0", "debug", "--chip", "5", "--seconds", "1", "--profile",
                   "/nonexistent/typo.ini", "--json"}));
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 2);
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        QCOMPARE(o.value(QStringLiteral("reason")).toString(),
                 QStringLiteral("profile-unreadable"));
        QCOMPARE(o.value(QStringLiteral("sent")).toInteger(0), qint64(0));  // nothing ran
    }

    void runs_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("samples") << L({"--simulate=latency=0,channels=3", "debug", "--chip", "9",
                                       "--samples", "4"})
                                 << 0 << QStringLiteral("samples=4 malformed=0 discarded=0");
        QTest::newRow("no 5 V") << L({"--simulate=latency=0,supply-fail", "debug", "--chip", "5"})
                                << 1 << QStringLiteral("内部电压选择失败!");
        QTest::newRow("no external")
            << L({"--simulate=latency=0,no-external", "debug", "--chip", "1", "--vcc", "ext"}) << 1
            << QStringLiteral("选择了外部电源，但外部并未提供，请确认外部电源工作状态!");
        QTest::newRow("IIC") << L({"--simulate=latency=0,target-fail", "debug", "--chip", "12"})
                             << 1 << QStringLiteral("目标机与编程器IIC通信失败!");
        QTest::newRow("both limits")
            << L({"--simulate", "debug", "--chip", "5", "--seconds", "1", "--samples", "3"}) << 2
            << QString();
        QTest::newRow("bad supply")
            << L({"--simulate", "debug", "--chip", "5", "--vcc", "12v"}) << 2 << QString();
        QTest::newRow("no chip") << L({"--simulate", "debug"}) << 2 << QString();
    }
    void runs() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const QString csv = dir_.filePath(QStringLiteral("run.csv"));
        QFile::remove(csv);
        args << QStringLiteral("--csv") << csv << QStringLiteral("--profile")
             << dir_.filePath(QStringLiteral("Parameters.ini"));
        QProcess p;
        p.start(QStringLiteral(TESSEL_CLI_PATH), args);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), exitCode);
        const QStringList lines =
            QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        if (!message.isEmpty())
            QVERIFY2(lines.contains(message), qPrintable(lines.join(QLatin1Char('|'))));
        if (exitCode != 0) {
            QVERIFY(!QFile::exists(csv));
            return;
        }
        QVERIFY(lines.contains(QStringLiteral("csv=") + csv));
        // The statistics: a title row and one row per channel.
        const int titles =
            int(lines.indexOf(QRegularExpression(QStringLiteral("^Ch +Baseline min.*"))));
        QVERIFY(titles > 0);
        QVERIFY(lines.value(titles + 3).startsWith(QLatin1Char('2')));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> rows = f.readAll().split('\n');
        QCOMPARE(rows.size(), 2 + 4 + 1);
        QCOMPARE(rows[0], QByteArray(",Baseline,,,,Rawdata,,,,Differ,,,KeyFlagSN\r"));
        QCOMPARE(rows[1], QByteArray("No.,Ch0,Ch1,Ch2,,Ch0,Ch1,Ch2,,Ch0,Ch1,Ch2,--\r"));
        QVERIFY(rows[5].startsWith("3,"));
        QVERIFY(rows[5].endsWith(",\r"));
    }
    // Every run ends, whatever the board does. (Each of these waited for ever once.)
    void everyRunEnds_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("pulled out at the handshake")
            << L({"--simulate=latency=0,pull-after=1", "debug", "--chip", "12", "--vcc", "3v",
                  "--seconds", "2"})
            << 3 << QString::fromUtf8("设备被拔出");
        QTest::newRow("silent from the start")
            << L({"--simulate=latency=0,silent-after=1", "debug", "--chip", "12", "--vcc", "3v",
                  "--seconds", "2"})
            << 1 << QString::fromUtf8("等待数据超时!");
        QTest::newRow("first report unanswered")
            << L({"--simulate=latency=0,drop=1", "debug", "--chip", "12", "--vcc", "3v",
                  "--seconds", "2"})
            << 1 << QString::fromUtf8("等待数据超时!");
        // Chip 6 takes frames of two reports at most; 31 channels need three.
        QTest::newRow("frames too long for the family")
            << L({"--simulate=latency=0,channels=31", "debug", "--chip", "6", "--samples", "10"})
            << 1 << QString::fromUtf8("5秒内未收到有效的数据帧!");
        QTest::newRow("every frame malformed")
            << L({"--simulate=latency=0,bad-frames=1", "debug", "--chip", "6", "--samples", "10"})
            << 1 << QString::fromUtf8("5秒内未收到有效的数据帧!");
        QTest::newRow("English") << L({"--simulate=latency=0,bad-frames=1", "debug", "--chip", "6",
                                       "--samples", "10", "--lang", "en"})
                                 << 1 << QStringLiteral("No valid data frame received for 5 s!");
        // Reports: 7F (version), B0, B1, B2, B3, then B4 (pause) and B5 (stop).
        QTest::newRow("pulled out at the pause")
            << L({"--simulate=latency=0,pull-after=6", "debug", "--chip", "12", "--samples", "3"})
            << 3 << QString::fromUtf8("设备被拔出");
        QTest::newRow("pulled out at the stop")
            << L({"--simulate=latency=0,pull-after=7", "debug", "--chip", "12", "--samples", "3"})
            << 3 << QString::fromUtf8("设备被拔出");
    }
    void everyRunEnds() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        args << QStringLiteral("--csv") << dir_.filePath(QStringLiteral("ends.csv"))
             << QStringLiteral("--profile") << dir_.filePath(QStringLiteral("Parameters.ini"));
        QProcess p;
        p.start(QStringLiteral(TESSEL_CLI_PATH), args);
        const bool ended = p.waitForFinished(30000);
        if (!ended) {
            p.kill();
            p.waitForFinished();
        }
        QVERIFY2(ended, "the run never ended");
        const QStringList lines =
            QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        QVERIFY2(lines.contains(message), qPrintable(lines.join(QLatin1Char('|'))));
        QCOMPARE(p.exitCode(), exitCode);
    }

    // --json: the reason and exit code of every way a run ends, with the message that said
    // so ("%1" stands for the CSV file's path).
    void jsonReasons_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        QTest::newRow("ok") << L({"--simulate=latency=0", "debug", "--chip", "12", "--samples",
                                  "3"})
                            << "ok" << 0 << QString();
        QTest::newRow("5 V fails")
            << L({"--simulate=latency=0,supply-fail", "debug", "--chip", "5"}) << "supply-failed"
            << 1 << QStringLiteral("内部电压选择失败!");
        QTest::newRow("no external supply")
            << L({"--simulate=latency=0,no-external", "debug", "--chip", "1", "--vcc", "ext",
                  "--lang", "en"})
            << "supply-failed" << 1
            << QStringLiteral(
                   "External supply selected but not present; please check the external supply!");
        QTest::newRow("IIC link") << L({"--simulate=latency=0,target-fail", "debug", "--chip",
                                        "12"})
                                  << "debug-failed" << 1
                                  << QStringLiteral("目标机与编程器IIC通信失败!");
        QTest::newRow("UART link")
            << L({"--simulate=latency=0,target-fail", "debug", "--chip", "2"}) << "debug-failed"
            << 1 << QStringLiteral("目标机与编程器匹配串口波特率不成功!");
        QTest::newRow("silent board")
            << L({"--simulate=latency=0,silent-after=1", "debug", "--chip", "12"}) << "timeout" << 1
            << QStringLiteral("等待数据超时!");
        QTest::newRow("start unanswered")
            << L({"--simulate=latency=0,silent-after=2", "debug", "--chip", "12"}) << "timeout" << 1
            << QStringLiteral("等待数据超时!");
        QTest::newRow("every frame malformed")
            << L({"--simulate=latency=0,bad-frames=1", "debug", "--chip", "6", "--lang", "en"})
            << "no-frames" << 1 << QStringLiteral("No valid data frame received for 5 s!");
        QTest::newRow("no sample in time")
            << L({"--simulate=latency=0,channels=31", "debug", "--chip", "6", "--seconds", "0.5"})
            << "no-samples" << 1 << QStringLiteral("未收到任何采样数据!");
        QTest::newRow("pulled out at the handshake")
            << L({"--simulate=latency=0,pull-after=1", "debug", "--chip", "12"}) << "board-lost"
            << 3 << QStringLiteral("设备被拔出");
        QTest::newRow("pulled out at the stop")
            << L({"--simulate=latency=0,pull-after=7", "debug", "--chip", "12", "--samples", "3"})
            << "board-lost" << 3 << QStringLiteral("设备被拔出");
        QTest::newRow("version refused")
            << L({"--simulate=latency=0,wrong-version", "debug", "--chip", "12"})
            << "version-refused" << 1 << QStringLiteral("下位机版本错误，请使用正确的版本!");
        QTest::newRow("CSV cannot be made")
            << L({"--simulate=latency=0", "debug", "--chip", "12", "--samples", "3"})
            << "write-failed" << 1 << QStringLiteral("无法打开文件：%1");
    }
    void jsonReasons() {
        QFETCH(QStringList, args);
        QFETCH(QString, reason);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        // A file stands where the CSV file's directory would be: the CSV row cannot write.
        QFile blocker(dir_.filePath(QStringLiteral("blocker")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString csv = reason == QLatin1String("write-failed")
                                ? dir_.filePath(QStringLiteral("blocker/run.csv"))
                                : dir_.filePath(QStringLiteral("reason.csv"));
        args << QStringLiteral("--json") << QStringLiteral("--csv") << csv
             << QStringLiteral("--profile") << dir_.filePath(QStringLiteral("Parameters.ini"));
        QProcess p;
        p.start(QStringLiteral(TESSEL_CLI_PATH), args);
        QVERIFY(p.waitForFinished(30000));
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        QCOMPARE(o.value(QStringLiteral("reason")).toString(), reason);
        QCOMPARE(p.exitCode(), exitCode);
        if (!message.isEmpty())
            QCOMPARE(o.value(QStringLiteral("message")).toString(),
                     message.contains(QLatin1String("%1")) ? message.arg(csv) : message);
    }

    // --json: the frames the board sent, received, accepted, malformed and discarded add up.
    void frameCountsAddUp_data() {
        QTest::addColumn<QString>("simulate");
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("good frames")
            << QStringLiteral("latency=1,rate=200,channels=8") << 12 << true;
        QTest::newRow("every third malformed")
            << QStringLiteral("latency=2,rate=200,channels=24,bad-frames=3") << 9 << true;
        QTest::newRow("too long for the family")
            << QStringLiteral("latency=0,rate=100,channels=31") << 6 << false;
    }
    void frameCountsAddUp() {
        QFETCH(QString, simulate);
        QFETCH(int, chip);
        QFETCH(bool, accepted);
        QProcess p;
        p.start(QStringLiteral(TESSEL_CLI_PATH),
                {QStringLiteral("--simulate=") + simulate, QStringLiteral("debug"),
                 QStringLiteral("--chip"), QString::number(chip), QStringLiteral("--seconds"),
                 QStringLiteral("0.5"), QStringLiteral("--json"), QStringLiteral("--csv"),
                 dir_.filePath(QStringLiteral("counts.csv")), QStringLiteral("--profile"),
                 dir_.filePath(QStringLiteral("Parameters.ini"))});
        QVERIFY(p.waitForFinished(30000));
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        for (const char* key : {"sent", "received", "accepted", "malformed", "discarded"})
            QVERIFY2(o.value(QLatin1String(key)).isDouble(), key);
        const qint64 sent = o.value(QStringLiteral("sent")).toInteger();
        QVERIFY(sent > 5);
        QCOMPARE(o.value(QStringLiteral("received")).toInteger(), sent);
        QCOMPARE(o.value(QStringLiteral("accepted")).toInteger() +
                     o.value(QStringLiteral("malformed")).toInteger() +
                     o.value(QStringLiteral("discarded")).toInteger(),
                 sent);
        QCOMPARE(o.value(QStringLiteral("accepted")).toInteger() > 0, accepted);
        QCOMPARE(p.exitCode(), accepted ? 0 : 1);
    }

    // --report: exit codes, the two files, and nothing written when the run failed.
    void report_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("written");
        const QStringList bench = L({"--simulate=latency=0,rate=200,channels=2,noise=2,drift=0",
                                     "--samples", "300", "--noise-seconds", "0.2"});
        QTest::newRow("strong keys pass")
            << bench << QStringLiteral("pass.html") << 0 << QStringLiteral("ok") << true;
        QTest::newRow("minimum 1000 fails")
            << bench + L({"--min-snr", "1000"}) << QStringLiteral("fail.html") << 1
            << QStringLiteral("qualification-failed") << true;
        QTest::newRow("no such directory") << bench << QStringLiteral("missing/r.html") << 1
                                           << QStringLiteral("write-failed") << false;
        QTest::newRow("run fails")
            << L({"--simulate=latency=0,target-fail"}) << QStringLiteral("failed.html") << 1
            << QStringLiteral("debug-failed") << false;
        QTest::newRow("no file name") << L({"--simulate=latency=0", "--report"}) << QString() << 2
                                      << QStringLiteral("usage") << false;
        QTest::newRow("noise window 0")
            << L({"--simulate=latency=0", "--noise-seconds", "0"}) << QStringLiteral("zero.html")
            << 2 << QStringLiteral("usage") << false;
        QTest::newRow("bad minimum")
            << L({"--simulate=latency=0", "--min-snr", "-1"}) << QStringLiteral("minimum.html") << 2
            << QStringLiteral("usage") << false;
    }
    void report() {
        QFETCH(QStringList, args);
        QFETCH(QString, file);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        QFETCH(bool, written);
        const QString html = file.isEmpty() ? QString() : dir_.filePath(file);
        QStringList all = L({"debug", "--chip", "5", "--json"}) + args;
        if (!html.isEmpty())
            all << QStringLiteral("--report") << html;
        all << QStringLiteral("--csv") << dir_.filePath(QStringLiteral("report.csv"))
            << QStringLiteral("--profile") << dir_.filePath(QStringLiteral("Parameters.ini"));
        QProcess p;
        p.start(QStringLiteral(TESSEL_CLI_PATH), all);
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), exitCode);
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        QCOMPARE(o.value(QStringLiteral("reason")).toString(), reason);
        QCOMPARE(!html.isEmpty() && QFile::exists(html), written);
        if (!written)
            return;
        QString json = html;
        json.replace(QStringLiteral(".html"), QStringLiteral(".json"));
        QFile f(json);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QJsonObject saved = QJsonDocument::fromJson(f.readAll()).object();
        QCOMPARE(saved.value(QStringLiteral("qualification")),
                 o.value(QStringLiteral("qualification")));
        QFile h(html);
        QVERIFY(h.open(QIODevice::ReadOnly));
        QCOMPARE(h.readAll().count("src=\"data:image/png;base64,"), qsizetype(3));
    }

    // The simulated bench measured back through the report: touch 30, noise ±4 (p-p 8),
    // coupling 10 % to the neighbours, baselines 2000 and 2150 drifting 1 count per 100
    // frames. Noise from the first 2 s (rate 200; about 280 untouched samples), each key
    // touched twice for 30 frames. Tolerances: noise exact, signal ±1, SNR ±0.15,
    // sensitivity ±0.05 percentage points, coupling ±2.
    void reportFigures_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<double>("expected");
        QTest::addColumn<double>("tolerance");
        QTest::newRow("noise 0") << QStringLiteral("channels/0/noise") << 8.0 << 0.0;
        QTest::newRow("signal 0") << QStringLiteral("channels/0/signal") << 30.0 << 1.0;
        QTest::newRow("SNR 0") << QStringLiteral("channels/0/snr") << 3.75 << 0.15;
        QTest::newRow("sensitivity 0") << QStringLiteral("channels/0/sensitivity") << 1.5 << 0.05;
        QTest::newRow("signal 1") << QStringLiteral("channels/1/signal") << 30.0 << 1.0;
        QTest::newRow("sensitivity 1") << QStringLiteral("channels/1/sensitivity") << 1.395 << 0.05;
        QTest::newRow("coupling 0 to 1") << QStringLiteral("coupling/0/1") << 10.0 << 2.0;
        QTest::newRow("coupling 1 to 0") << QStringLiteral("coupling/1/0") << 10.0 << 2.0;
        QTest::newRow("coupling 0 to 3") << QStringLiteral("coupling/0/3") << 0.0 << 2.0;
        QTest::newRow("pass 0") << QStringLiteral("channels/0/pass") << 0.0 << 0.0;
    }
    void reportFigures() {
        QFETCH(QString, path);
        QFETCH(double, expected);
        QFETCH(double, tolerance);
        if (figures_.isEmpty()) {
            const QString html = dir_.filePath(QStringLiteral("bench.html"));
            QProcess p;
            p.start(
                QStringLiteral(TESSEL_CLI_PATH),
                {QStringLiteral("--simulate=latency=0,rate=200,channels=4,touch=30,noise=4,"
                                "drift=1,coupling=10"),
                 QStringLiteral("debug"), QStringLiteral("--chip"), QStringLiteral("5"),
                 QStringLiteral("--samples"), QStringLiteral("850"),
                 QStringLiteral("--noise-seconds"), QStringLiteral("2"), QStringLiteral("--report"),
                 html, QStringLiteral("--csv"), dir_.filePath(QStringLiteral("bench.csv")),
                 QStringLiteral("--profile"), dir_.filePath(QStringLiteral("Parameters.ini"))});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), 1);  // SNR 3.75: every key fails the minimum of 5
            QFile f(dir_.filePath(QStringLiteral("bench.json")));
            QVERIFY(f.open(QIODevice::ReadOnly));
            figures_ = QJsonDocument::fromJson(f.readAll())
                           .object()
                           .value(QStringLiteral("qualification"))
                           .toObject();
        }
        const QStringList parts = path.split(QLatin1Char('/'));
        const QJsonValue row = figures_.value(parts[0]).toArray().at(parts[1].toInt());
        const QJsonValue v =
            row.isArray() ? row.toArray().at(parts[2].toInt()) : row.toObject().value(parts[2]);
        const double actual = v.isBool() ? double(v.toBool()) : v.toDouble();
        QVERIFY2(qAbs(actual - expected) <= tolerance,
                 qPrintable(QStringLiteral("%1 = %2").arg(path).arg(actual)));
    }

private:
    QJsonObject figures_;
};

QTEST_GUILESS_MAIN(DebugCliTest)
#include "tst_debugcli.moc"
