// tessel-cli debug on the simulated board: exit codes, the messages, the CSV file and the
// statistics table.
#include <QFile>
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
};

QTEST_GUILESS_MAIN(DebugCliTest)
#include "tst_debugcli.moc"
