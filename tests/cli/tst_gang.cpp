// tessel-cli --all: one operation on every connected board at once in one process, a fault
// on one board only, the JSON array and its exit code, and the traceability log it leaves.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

QStringList L(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* i : items)
        out << QString::fromUtf8(i);
    return out;
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(TESSEL_CLI_PATH), args);
    Run r;
    if (p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit) {
        r.exitCode = p.exitCode();
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
    }
    return r;
}

// The records of a log file without its header, split into fields (none holds a comma).
QList<QStringList> records(const QString& path) {
    QFile f(path);
    QList<QStringList> out;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines[i].isEmpty())
            out << QString::fromUtf8(lines[i].trimmed()).split(QLatin1Char(','));
    }
    return out;
}

}  // namespace

class GangCliTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString path(const QString& name) { return dir_.filePath(name); }
    QString profile() { return path(QStringLiteral("Parameters.ini")); }
    // A 4-byte image 01 02 03 04: checksum 0xFFFFFFEB.
    QString hex() {
        const QString p = path(QStringLiteral("a.hex"));
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(":0400000001020304F2\n:00000001FF\n");
        return p;
    }
    QStringList gang(const QString& sim, const QStringList& args) {
        return args + QStringList{QStringLiteral("--all"), QStringLiteral("--simulate=") + sim,
                                  QStringLiteral("--profile"), profile(), QStringLiteral("--json")};
    }

private Q_SLOTS:
    void init() {
        QFile f(profile());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QFile::remove(path(QStringLiteral("tessel-log.csv")));
        QFile::remove(path(QStringLiteral("log.csv")));
    }

    // program --all on several boards, a fault on some of them only: each board's own
    // verdict, and the exit code of the worst (3 before 1 before 0).
    void programAll_data() {
        QTest::addColumn<QString>("sim");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("reasons");  // per board, board 1 first
        QTest::newRow("every board ok")
            << QStringLiteral("boards=3,latency=0") << 0 << L({"ok", "ok", "ok"});
        QTest::newRow("board 2 pulled out") << QStringLiteral("boards=3,latency=0,pull-after=8@2")
                                            << 3 << L({"ok", "board-lost", "ok"});
        QTest::newRow("board 3 reads back a flipped byte")
            << QStringLiteral("boards=4,latency=0,flip-flash=2@3") << 1
            << L({"ok", "ok", "verify-failed", "ok"});
        QTest::newRow("a lost board is worse than a failed erase")
            << QStringLiteral("boards=3,latency=0,erase-fail@1,pull-after=8@3") << 3
            << L({"erase-failed", "ok", "board-lost"});
        QTest::newRow("one board alone")
            << QStringLiteral("latency=0,erase-fail@1") << 1 << L({"erase-failed"});
    }

    void programAll() {
        QFETCH(QString, sim);
        QFETCH(int, exitCode);
        QFETCH(QStringList, reasons);
        const QString log = path(QStringLiteral("log.csv"));
        const Run r = run(gang(sim, {QStringLiteral("program"), hex(), QStringLiteral("--chip"),
                                     QStringLiteral("10"), QStringLiteral("--log"), log}));
        QCOMPARE(r.exitCode, exitCode);
        const QJsonArray boards = QJsonDocument::fromJson(r.out).array();
        QCOMPARE(boards.size(), reasons.size());
        for (qsizetype i = 0; i < reasons.size(); ++i) {
            const QJsonObject b = boards[i].toObject();
            const bool ok = reasons[i] == QLatin1String("ok");
            const QString serial = QStringLiteral("SIM000%1").arg(i + 1);
            const QString devicePath = reasons.size() == 1
                                           ? QStringLiteral("sim:tessel-board")
                                           : QStringLiteral("sim:tessel-board-%1").arg(i + 1);
            QCOMPARE(b.value(QStringLiteral("serial")).toString(), serial);
            QCOMPARE(b.value(QStringLiteral("path")).toString(), devicePath);
            QCOMPARE(b.value(QStringLiteral("device")).toString(), devicePath);
            QCOMPARE(b.value(QStringLiteral("command")).toString(), QStringLiteral("program"));
            QCOMPARE(b.value(QStringLiteral("chip")).toInt(), 10);
            QCOMPARE(b.value(QStringLiteral("reason")).toString(), reasons[i]);
            QCOMPARE(b.value(QStringLiteral("verdict")).toString(),
                     ok ? QStringLiteral("OK") : QStringLiteral("NG"));
            QCOMPARE(b.value(QStringLiteral("result")).toString(),
                     ok ? QStringLiteral("ok") : QStringLiteral("failed"));
            QCOMPARE(b.value(QStringLiteral("checksum")).toString(), QStringLiteral("0xFFFFFFEB"));
            QCOMPARE(b.value(QStringLiteral("length")).toInt(), 4);
            QVERIFY(b.value(QStringLiteral("duration_ms")).isDouble());
            const int code = reasons[i] == QLatin1String("board-lost") ? 3 : ok ? 0 : 1;
            QCOMPARE(b.value(QStringLiteral("exit_code")).toInt(), code);
            if (ok)
                QCOMPARE(b.value(QStringLiteral("message")).toString(),
                         QStringLiteral("芯片烧录成功!"));
            // The line the board printed when it ended (standard error under --json).
            QVERIFY2(r.err.contains((serial + QStringLiteral("  ") + devicePath +
                                     (ok ? QStringLiteral("  OK  ") : QStringLiteral("  NG  ")) +
                                     reasons[i] + QStringLiteral("  "))
                                        .toUtf8()),
                     r.err.constData());
        }
        // One record per board, each with the board's verdict.
        const QList<QStringList> recs = records(log);
        QCOMPARE(recs.size(), reasons.size());
        for (const QStringList& rec : recs) {
            QCOMPARE(rec.size(), 11);
            const int board = rec[1].right(1).toInt();
            QCOMPARE(rec[2], QStringLiteral("KR5815/KR5715"));
            QCOMPARE(rec[3], QStringLiteral("program"));
            QCOMPARE(rec[4], QStringLiteral("a.hex"));
            QCOMPARE(rec[5], QStringLiteral("4"));
            QCOMPARE(rec[6], QStringLiteral("0xFFFFFFEB"));
            QCOMPARE(rec[7], QString());  // chip 10 writes no configuration word here
            QCOMPARE(rec[9], reasons[board - 1]);
            QCOMPARE(rec[8], reasons[board - 1] == QLatin1String("ok") ? QStringLiteral("OK")
                                                                       : QStringLiteral("NG"));
        }
    }

    // A mass-production file with CFG0 0x5F for KR4111: word 0 is written before the image,
    // and the record of each board says so, the NG board's too.
    void recordOfConfigurationWord() {
        const QString tk = path(QStringLiteral("line3"));
        const Run made =
            run({QStringLiteral("make-tk"), hex(), QStringLiteral("--chip"), QStringLiteral("1"),
                 QStringLiteral("--cfg0"), QStringLiteral("0x5f"), QStringLiteral("-o"), tk});
        QCOMPARE(made.exitCode, 0);
        const QString log = path(QStringLiteral("log.csv"));
        const Run r = run(gang(
            QStringLiteral("boards=2,latency=0,flip-flash=1@2"),
            {QStringLiteral("program"), tk + QStringLiteral(".tk"), QStringLiteral("--log"), log}));
        QCOMPARE(r.exitCode, 1);
        QList<QStringList> recs = records(log);
        QCOMPARE(recs.size(), 2);
        std::sort(recs.begin(), recs.end(),
                  [](const QStringList& a, const QStringList& b) { return a[1] < b[1]; });
        const QStringList expected[] = {
            L({"SIM0001", "KR4111", "program", "line3.tk", "4", "0xFFFFFFEB", "5F", "OK", "ok"}),
            L({"SIM0002", "KR4111", "program", "line3.tk", "4", "0xFFFFFFEB", "5F", "NG",
               "verify-failed"})};
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(recs[i].mid(1, 9), expected[i]);
            QVERIFY(recs[i][0].startsWith(QStringLiteral("20")));
        }
    }

    // The other commands that take --all.
    void otherCommands_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("operation");
        QTest::newRow("read-config")
            << L({"read-config", "--chip", "11"}) << QStringLiteral("read-config");
        QTest::newRow("write-config")
            << L({"write-config", "--chip", "11"}) << QStringLiteral("write-config");
    }

    void otherCommands() {
        QFETCH(QStringList, args);
        QFETCH(QString, operation);
        const Run r = run(gang(QStringLiteral("boards=2,latency=0,pull-after=3@2"), args));
        QCOMPARE(r.exitCode, 3);
        const QJsonArray boards = QJsonDocument::fromJson(r.out).array();
        QCOMPARE(boards.size(), 2);
        QCOMPARE(boards[0].toObject().value(QStringLiteral("reason")).toString(),
                 QStringLiteral("ok"));
        QCOMPARE(boards[1].toObject().value(QStringLiteral("reason")).toString(),
                 QStringLiteral("board-lost"));
        // The default log lies beside the profile.
        const QList<QStringList> recs = records(path(QStringLiteral("tessel-log.csv")));
        QCOMPARE(recs.size(), 2);
        QCOMPARE(recs[0][3], operation);
    }

    void eepromWriteAll() {
        const QString image = path(QStringLiteral("e.bin"));
        {
            QFile f(image);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(1024, char(0x3C)));
        }
        const Run r = run(gang(QStringLiteral("boards=3,latency=0,flip-eeprom=5@3"),
                               {QStringLiteral("eeprom-write"), image, QStringLiteral("--chip"),
                                QStringLiteral("12")}));
        QCOMPARE(r.exitCode, 1);
        const QJsonArray boards = QJsonDocument::fromJson(r.out).array();
        QCOMPARE(boards.size(), 3);
        const QStringList reasons = L({"ok", "ok", "verify-failed"});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(boards[i].toObject().value(QStringLiteral("reason")).toString(), reasons[i]);
        const QList<QStringList> recs = records(path(QStringLiteral("tessel-log.csv")));
        QCOMPARE(recs.size(), 3);
        QCOMPARE(recs[0][3], QStringLiteral("eeprom-write"));
        QCOMPARE(recs[0][4], QStringLiteral("e.bin"));
        QCOMPARE(recs[0][5], QStringLiteral("1024"));
    }

    // Refusals before any board is touched: no array of boards, and no record.
    void refused_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("reason");
        QTest::newRow("--all with --device")
            << L({"program", "IMAGE", "--chip", "10", "--device", "SIM0001"}) << 2
            << QStringLiteral("usage");
        QTest::newRow("--all with --trace")
            << L({"read-config", "--chip", "10", "--trace", "t.txt"}) << 2
            << QStringLiteral("usage");
        QTest::newRow("--log without a name")
            << L({"read-config", "--chip", "10", "--log="}) << 2 << QStringLiteral("usage");
        QTest::newRow("image too large for the chip")
            << L({"program", "BIG", "--chip", "1"}) << 1 << QStringLiteral("image-refused");
        QTest::newRow("read-flash takes no --all")
            << L({"read-flash", "--chip", "10"}) << 2 << QStringLiteral("usage");
    }

    void refused() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, reason);
        const QString big = path(QStringLiteral("big.bin"));
        {
            QFile f(big);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(9000, char(0x11)));  // KR4111 takes 8191 bytes
        }
        args.replaceInStrings(QStringLiteral("IMAGE"), hex());
        args.replaceInStrings(QStringLiteral("BIG"), big);
        const Run r = run(gang(QStringLiteral("boards=2,latency=0"), args));
        QCOMPARE(r.exitCode, exitCode);
        const QJsonObject o = QJsonDocument::fromJson(r.out).object();
        QCOMPARE(o.value(QStringLiteral("reason")).toString(), reason);
        QVERIFY(!QFile::exists(path(QStringLiteral("tessel-log.csv"))));
    }

    // --no-log writes no log; a half line someone left in the log is ended before the record.
    void logChoice() {
        const QStringList args = {QStringLiteral("read-config"), QStringLiteral("--chip"),
                                  QStringLiteral("10")};
        QCOMPARE(run(gang(QStringLiteral("boards=2,latency=0"), args + L({"--no-log"}))).exitCode,
                 0);
        QVERIFY(!QFile::exists(path(QStringLiteral("tessel-log.csv"))));

        const QString log = path(QStringLiteral("log.csv"));
        {
            QFile f(log);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("time,serial\r\n2026-12-09T10:00:00.000+00:00,SIM0009,KR58");
        }
        QCOMPARE(
            run(gang(QStringLiteral("latency=0"), args + QStringList{QStringLiteral("--log"), log}))
                .exitCode,
            0);
        QFile f(log);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 4);  // the last one empty
        QCOMPARE(lines[1], QByteArray("2026-12-09T10:00:00.000+00:00,SIM0009,KR58\r"));
        QVERIFY(lines[2].contains(",SIM0001,KR5815/KR5715,read-config,,,,,OK,ok,"));
        QVERIFY(lines[2].endsWith('\r'));
        QCOMPARE(lines[3], QByteArray());
    }
};

QTEST_GUILESS_MAIN(GangCliTest)
#include "tst_gang.moc"
