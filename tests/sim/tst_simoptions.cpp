// The simulated board's settings: parsing them, their help text, settings that apply to one
// board of several, and the reports a board drops or stalls on.
#include "link/commands.h"
#include "sim/simboard.h"
#include "sim/simboards.h"

#include <QTest>

#include <vector>

using namespace tessel;

class TestSimOptions : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void options_data();
    void options();
    void helpListsEveryKey();
    void perBoardOptions_data();
    void perBoardOptions();
    void dropAndStall_data();
    void dropAndStall();
};

void TestSimOptions::options_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << "" << true;
    QTest::newRow("latency") << "latency=0" << true;
    QTest::newRow("two") << "latency=1,silent-after=20" << true;
    QTest::newRow("flag") << "wrong-version" << true;
    QTest::newRow("flag off") << "touches=0" << true;
    QTest::newRow("hex") << "flip-flash=0x10" << true;
    QTest::newRow("unknown") << "speed=3" << false;
    QTest::newRow("negative latency") << "latency=-1" << false;
    QTest::newRow("no value") << "latency" << false;
    QTest::newRow("bad flag") << "erase-fail=maybe" << false;
    QTest::newRow("too many channels") << "channels=33" << false;
    QTest::newRow("stall off") << "stall=0,drop=3" << true;
    QTest::newRow("negative stall") << "stall=-5" << false;
}

void TestSimOptions::options() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    SimOptions o;
    o.latencyMs = 77;
    QString error;
    QCOMPARE(SimOptions::parse(text, &o, &error), valid);
    if (!valid) {
        QVERIFY(!error.isEmpty());
        QCOMPARE(o.latencyMs, 77);  // untouched
        return;
    }
    if (text.startsWith(QLatin1String("latency=1"))) {
        QCOMPARE(o.latencyMs, 1);
        QCOMPARE(o.silentAfter, 20);
    }
    if (text == QLatin1String("")) {
        QCOMPARE(o.latencyMs, 1);
        QCOMPARE(o.frameRate, 50);
    }
    if (text == QLatin1String("wrong-version"))
        QVERIFY(o.wrongVersion);
    if (text == QLatin1String("touches=0"))
        QVERIFY(!o.touches);
    if (text == QLatin1String("flip-flash=0x10"))
        QCOMPARE(o.flipFlash, 16);
}

void TestSimOptions::helpListsEveryKey() {
    const QString help = SimOptions::help();
    const char* keys[] = {
        "latency",      "rate",        "channels",    "touches",        "seed",
        "silent-after", "pull-after",  "flash-crc",   "flash-read-crc", "flash-read-fail",
        "flip-flash",   "flip-eeprom", "flip-config", "wrong-version",  "wrong-ictype",
        "erase-fail",   "supply-fail", "no-external", "target-fail",    "bad-frames",
        "inf-protect",  "config-crc",  "cfg0-crc",    "trim-crc",       "flip-trim",
        "drop",         "stall",       "boards",      "late",           "late-ms",
        "touch",        "noise",       "drift",       "coupling"};
    for (const char* k : keys) {
        QVERIFY2(help.contains(QLatin1String(k)), k);
        // Every listed key is accepted by the parser.
        SimOptions o;
        const QString sample = QLatin1String(k) + QStringLiteral("=1");
        QVERIFY2(SimOptions::parse(sample, &o, nullptr), k);
    }
    // One line per key, and one for the per-board form.
    QCOMPARE(help.count(QLatin1Char('\n')), int(std::size(keys)) + 1);
    QVERIFY(help.contains(QStringLiteral("KEY=VALUE@B")));
}

// "KEY=VALUE@B" holds for board B only (1 to boards); the other boards keep the common value.
void TestSimOptions::perBoardOptions_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QList<int>>("pullAfter");   // per board, from board 1
    QTest::addColumn<QList<int>>("latency");     // per board
    QTest::addColumn<QList<bool>>("eraseFail");  // per board
    QTest::newRow("board 2 pulled")
        << QStringLiteral("boards=4,pull-after=10@2") << true << QList<int>{0, 10, 0, 0}
        << QList<int>{1, 1, 1, 1} << QList<bool>{false, false, false, false};
    QTest::newRow("before boards")
        << QStringLiteral("pull-after=7@3,boards=3,latency=0") << true << QList<int>{0, 0, 7}
        << QList<int>{0, 0, 0} << QList<bool>{false, false, false};
    QTest::newRow("common and own")
        << QStringLiteral("boards=3,pull-after=5,pull-after=9@1") << true << QList<int>{9, 5, 5}
        << QList<int>{1, 1, 1} << QList<bool>{false, false, false};
    QTest::newRow("flag and latency")
        << QStringLiteral("boards=2,erase-fail@2,latency=3@1") << true << QList<int>{0, 0}
        << QList<int>{3, 1} << QList<bool>{false, true};
    QTest::newRow("board beyond") << QStringLiteral("boards=2,pull-after=10@3") << false
                                  << QList<int>{} << QList<int>{} << QList<bool>{};
    QTest::newRow("board 0") << QStringLiteral("boards=2,pull-after=10@0") << false << QList<int>{}
                             << QList<int>{} << QList<bool>{};
    QTest::newRow("no number") << QStringLiteral("boards=2,pull-after=10@x") << false
                               << QList<int>{} << QList<int>{} << QList<bool>{};
    QTest::newRow("bad value") << QStringLiteral("boards=2,pull-after=ten@2") << false
                               << QList<int>{} << QList<int>{} << QList<bool>{};
    QTest::newRow("unknown key") << QStringLiteral("boards=2,pull=1@2") << false << QList<int>{}
                                 << QList<int>{} << QList<bool>{};
    QTest::newRow("boards per board") << QStringLiteral("boards=2,boards=3@1") << false
                                      << QList<int>{} << QList<int>{} << QList<bool>{};
}

void TestSimOptions::perBoardOptions() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QList<int>, pullAfter);
    QFETCH(QList<int>, latency);
    QFETCH(QList<bool>, eraseFail);
    SimOptions o;
    QString error;
    QCOMPARE(SimOptions::parse(text, &o, &error), valid);
    if (!valid) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QCOMPARE(o.boards, int(pullAfter.size()));
    SimBoardSet set(o);
    for (int i = 0; i < o.boards; ++i) {
        // The bus's boards are made with their own settings.
        QCOMPARE(set.boardAt(set.path(i))->options().pullAfter, pullAfter[i]);
        const SimOptions own = o.forBoard(i);
        QCOMPARE(own.pullAfter, pullAfter[i]);
        QCOMPARE(own.latencyMs, latency[i]);
        QCOMPARE(own.eraseFail, eraseFail[i]);
        QVERIFY(own.onBoard.empty());
    }
}

// drop=N takes the Nth report without answering it; stall=MS ends a bulk transfer that has
// waited that long for its next data report, so the report that comes is a command again.
void TestSimOptions::dropAndStall_data() {
    QTest::addColumn<QString>("options");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<QList<int>>("answers");  // reply code per report, -1 none
    QTest::addColumn<bool>("programming");    // after the last report
    // Reports: 0x80, 0x81, 0x85 header of 128 bytes, one data report, pause, 0x87.
    QTest::newRow("drop the header")
        << "drop=3" << 0 << QList<int>{0x80, 0x81, -1, 0x85, 0x85} << true;
    QTest::newRow("stalled transfer ends")
        << "stall=50" << 120 << QList<int>{0x80, 0x81, 0x85, 0x85, 0x87} << false;
    QTest::newRow("no stall: 0x87 is data")
        << "stall=0" << 120 << QList<int>{0x80, 0x81, 0x85, 0x85, 0x85} << true;
    QTest::newRow("drop enter programming")
        << "drop=2,stall=50" << 120 << QList<int>{0x80, -1, 0x85, 0x85, 0x87} << false;
}

void TestSimOptions::dropAndStall() {
    QFETCH(QString, options);
    QFETCH(int, pauseMs);
    QFETCH(QList<int>, answers);
    QFETCH(bool, programming);
    SimOptions o;
    QVERIFY(SimOptions::parse(options, &o, nullptr));
    SimBoard board(o);
    const Report data = [] {
        Report r;
        r.fill(0x11);
        r[0] = 0;
        return r;
    }();
    Report select = makeReport(0x80);
    select[2] = 1;
    Report header = makeReport(0x85);
    header[3] = 0x80;  // 128 bytes: two data reports
    const std::vector<Report> reports{select, makeReport(0x81), header, data, makeReport(0x87)};
    QList<int> got;
    for (size_t i = 0; i < reports.size(); ++i) {
        if (i == 4)
            QTest::qSleep(pauseMs);
        const std::vector<Report> replies = board.handle(reports[i]);
        got << (replies.empty() ? -1 : int(replies[0][1]));
    }
    QCOMPARE(got, answers);
    QCOMPARE(board.programmingMode(), programming);
    QCOMPARE(int(board.trace().size()), 5);
}

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_simoptions.moc"
