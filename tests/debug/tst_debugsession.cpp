// The debug session against the simulated board and against replies played by the test:
// start-up and its failures, the channel cap, the Differ sign per family, the outlier filter,
// discarded samples, the CSV file byte for byte, the statistics and the touch parameters in
// the profile; runs that end by themselves and the count of every frame.
#include "app/profile.h"
#include "debugharness.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace tessel;
using tessel::test::DebugHarness;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

std::vector<SampleRecord> saved(const DebugSession& s) {
    std::vector<SampleRecord> out;
    s.samples().snapshot().forEach([&](const SampleRecord& r) {
        out.push_back(r);
        return true;
    });
    return out;
}

const char* const kCsvName = "2019-8-20-9-5-7-SaveData.csv";

}  // namespace

class TestDebugSession : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void startupFailures_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("options");
        QTest::addColumn<int>("vcc");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("5 V fails")
            << 5 << QStringLiteral("supply-fail") << 1 << QStringLiteral("内部电压选择失败!")
            << QStringList{QStringLiteral("B0 05 01"), QStringLiteral("B1 01"),
                           QStringLiteral("B4"), QStringLiteral("B5")};
        QTest::newRow("3 V fails")
            << 0 << QStringLiteral("supply-fail") << 0 << QStringLiteral("内部电压选择失败!")
            << QStringList{QStringLiteral("B0 00 00"), QStringLiteral("B1 00"),
                           QStringLiteral("B4"), QStringLiteral("B5")};
        QTest::newRow("no external")
            << 1 << QStringLiteral("no-external") << 2
            << QStringLiteral("选择了外部电源，但外部并未提供，请确认外部电源工作状态!")
            << QStringList{QStringLiteral("B0 01 00"), QStringLiteral("B1 02"),
                           QStringLiteral("B4"), QStringLiteral("B5")};
        QTest::newRow("IIC link") << 9 << QStringLiteral("target-fail") << 1
                                  << QStringLiteral("目标机与编程器IIC通信失败!")
                                  << QStringList{QStringLiteral("B0 09 01"),
                                                 QStringLiteral("B1 01"), QStringLiteral("B2"),
                                                 QStringLiteral("B4"), QStringLiteral("B5")};
        QTest::newRow("UART link")
            << 2 << QStringLiteral("target-fail") << 1
            << QStringLiteral("目标机与编程器匹配串口波特率不成功!")
            << QStringList{QStringLiteral("B0 02 00"), QStringLiteral("B1 01"),
                           QStringLiteral("B2"), QStringLiteral("B4"), QStringLiteral("B5")};
    }
    void startupFailures() {
        QFETCH(int, chip);
        QFETCH(QString, options);
        QFETCH(int, vcc);
        QFETCH(QString, message);
        QFETCH(QStringList, commands);
        SimOptions o;
        QVERIFY(SimOptions::parse(options, &o, nullptr));
        DebugHarness h(chip, o);
        h.session->setSaveData(true);
        DebugPageSettings s;
        s.vcc = vcc;
        QVERIFY(h.session->start(s));
        QTRY_COMPARE(h.session->state(), DebugSession::State::Idle);
        QCOMPARE(h.prompts.messages, QStringList{message});
        QCOMPARE(h.commands(), commands);
        QCOMPARE(h.session->channelCount(), 0);
        QCOMPARE(int(h.session->outlierFilter()), 0xAA);
    }

    void rangeChecks_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("message");
        QTest::newRow("Baseline") << 0 << QStringLiteral("请确保Baseline的下限值小于上限值！");
        QTest::newRow("Rawdata") << 1 << QStringLiteral("请确保Rawdata的下限值小于上限值！");
        QTest::newRow("Differ") << 2 << QStringLiteral("请确保Differ的下限值小于上限值！");
    }
    void rangeChecks() {
        QFETCH(int, field);
        QFETCH(QString, message);
        DebugHarness h(5, {});
        DebugPageSettings s;
        s.baselineMin = field == 0 ? 8192 : 0;
        s.rawMax = field == 1 ? -5 : 8192;
        s.differMin = field == 2 ? 1000 : -1000;
        QVERIFY(!h.session->start(s));
        QCOMPARE(h.prompts.messages, QStringList{message});
        QVERIFY(h.backend->board().trace().empty());
        QVERIFY(!h.session->running());
    }

    void startupSucceeds_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("link");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("KR4111") << 1 << QStringLiteral("COM Baud") << 9600
                                << QStringList{QStringLiteral("B0 01 00"), QStringLiteral("B1 01"),
                                               QStringLiteral("B2"), QStringLiteral("B3 08")};
        QTest::newRow("KR4115/56/17")
            << 5 << QStringLiteral("IIC") << 100
            << QStringList{QStringLiteral("B0 05 01"), QStringLiteral("B1 01"),
                           QStringLiteral("B2"), QStringLiteral("B3 08")};
        QTest::newRow("KR5813/KR5713")
            << 12 << QStringLiteral("IIC") << 100
            << QStringList{QStringLiteral("B0 0C 01"), QStringLiteral("B1 01"),
                           QStringLiteral("B2"), QStringLiteral("B3 08")};
    }
    void startupSucceeds() {
        QFETCH(int, chip);
        QFETCH(QString, link);
        QFETCH(int, rate);
        QFETCH(QStringList, commands);
        DebugHarness h(chip, {});
        QVERIFY(h.session->start({}));
        QTRY_VERIFY(h.session->framesAccepted() >= 3);
        QCOMPARE(h.session->channelCount(), 8);
        QCOMPARE(h.session->linkText(), link);
        QCOMPARE(h.session->linkRate(), rate);
        h.session->pause();
        h.session->stop();
        commands << QStringLiteral("B4") << QStringLiteral("B5");
        QCOMPARE(h.commands(), commands);
        QVERIFY(h.prompts.messages.isEmpty());
    }

    void channelCountIsCapped() {
        DebugHarness h(5, {}, true);
        QVERIFY(h.session->start({}));
        h.playStartup(40);
        QCOMPARE(h.session->channelCount(), 32);
        QCOMPARE(h.commands(), (QStringList{QStringLiteral("B0 05 01"), QStringLiteral("B1 01"),
                                            QStringLiteral("B2"), QStringLiteral("B3 20")}));
    }

    void lateRepliesAreIgnored() {
        DebugHarness h(5, {}, true);
        h.reply(DebugCode::Started, {0, 0xB0});  // no run: nothing is sent
        QVERIFY(h.backend->board().trace().empty());
        QVERIFY(h.session->start({}));
        h.reply(DebugCode::StartupContinued, {0, 0xB2, 1, 8});  // out of turn
        QCOMPARE(h.session->state(), DebugSession::State::WaitingStarted);
        h.reply(DebugCode::Started, {0, 0xB0});
        h.reply(DebugCode::SupplyReply, {0, 0xB1, 1, 7});  // undecided: nothing happens
        QCOMPARE(h.session->state(), DebugSession::State::WaitingSupply);
        QCOMPARE(h.commands(), (QStringList{QStringLiteral("B0 05 01"), QStringLiteral("B1 01")}));
    }

    void differSign_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("differ");
        // raw 1300, baseline 1000
        QTest::newRow("0") << 0 << 300;
        QTest::newRow("7") << 7 << 300;
        QTest::newRow("8") << 8 << -300;
        QTest::newRow("9") << 9 << -300;
        QTest::newRow("10") << 10 << -300;
        QTest::newRow("13") << 13 << -300;
    }
    void differSign() {
        QFETCH(int, chip);
        QFETCH(int, differ);
        DebugHarness h(chip, {}, true);
        QSignalSpy shown(h.session.get(), &DebugSession::sampleShown);
        QVERIFY(h.session->start({}));
        h.playStartup(1);
        h.sample({1300}, {1000});
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0][0].value<SampleRecord>().differ[0], differ);
        QCOMPARE(saved(*h.session).at(0).differ[0], differ);
    }

    void outlierFilter() {
        DebugHarness h(5, {}, true);
        h.session->setFilterDelayMs(50);
        QSignalSpy shown(h.session.get(), &DebugSession::sampleShown);
        QSignalSpy savedSpy(h.session.get(), &DebugSession::sampleSaved);
        QVERIFY(h.session->start({}));
        h.playStartup(2);
        h.sample({65535, 1010}, {1000, 1000});
        QTest::qWait(150);
        QCOMPARE(int(h.session->outlierFilter()), 0x55);
        h.sample({65535, 1010}, {1000, 1000});
        h.sample({900, 1010}, {60001, 1000});
        const auto records = saved(*h.session);
        QCOMPARE(int(records.size()), 3);
        QCOMPARE(records[0].raw[0], 65535);
        QCOMPARE(records[0].differ[0], 64535);
        for (int k = 1; k < 3; ++k) {
            QCOMPARE(records[k].raw[0], 0);
            QCOMPARE(records[k].baseline[0], 0);
            QCOMPARE(records[k].differ[0], 0);
            QCOMPARE(records[k].raw[1], 1010);
            QCOMPARE(records[k].differ[1], 10);
        }
        // The display keeps what was received.
        QCOMPARE(shown[1][0].value<SampleRecord>().raw[0], 65535);
        // A measurement gets the saved record and the channels the filter zeroed.
        QCOMPARE(savedSpy.count(), 3);
        const quint32 zeroed[3] = {0u, 1u, 1u};
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(savedSpy[k][1].value<quint32>(), zeroed[k]);
            QCOMPARE(savedSpy[k][0].value<SampleRecord>().raw[0], k == 0 ? 65535 : 0);
        }
        h.session->pause();
        h.session->stop();
        QCOMPARE(int(h.session->outlierFilter()), 0xAA);
    }

    void zeroBaselineIsDiscarded() {
        DebugHarness h(5, {}, true);
        QSignalSpy shown(h.session.get(), &DebugSession::sampleShown);
        QVERIFY(h.session->start({}));
        h.playStartup(3);
        h.sample({500, 600, 700}, {0, 0, 0});
        QCOMPARE(shown.size(), 0);
        QVERIFY(h.session->samples().empty());
        QCOMPARE(h.session->samplesDiscarded(), 1);
        h.sample({500, 600, 700}, {0, 1, 0});
        QCOMPARE(shown.size(), 1);
    }

    void csvBytes_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("KR4111") << 1
                                << QByteArray(
                                       ",Baseline,,,Rawdata,,,Differ\r\n"
                                       "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,\r\n"
                                       "0,1000,2000,,1100,1990,,100,-10,\r\n"
                                       "1,1001,2001,,1001,2001,,0,0,\r\n");
        QTest::newRow("KR4115/56/17") << 5
                                      << QByteArray(
                                             ",Baseline,,,Rawdata,,,Differ,,KeyFlagSN\r\n"
                                             "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,--\r\n"
                                             "0,1000,2000,,1100,1990,,100,-10,0x00000001,\r\n"
                                             "1,1001,2001,,1001,2001,,0,0,0x00000000,\r\n");
        QTest::newRow("ZU5712RA16") << 9
                                    << QByteArray(
                                           ",Baseline,,,Rawdata,,,Differ,,KeyFlagSN\r\n"
                                           "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,--\r\n"
                                           "0,1000,2000,,1100,1990,,-100,10,0x00000001,\r\n"
                                           "1,1001,2001,,1001,2001,,0,0,0x00000000,\r\n");
        QTest::newRow("KR5814") << 11
                                << QByteArray(
                                       ",Baseline,,,Rawdata,,,Differ\r\n"
                                       "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,\r\n"
                                       "0,1000,2000,,1100,1990,,-100,10,\r\n"
                                       "1,1001,2001,,1001,2001,,0,0,\r\n");
    }
    void csvBytes() {
        QFETCH(int, chip);
        QFETCH(QByteArray, expected);
        DebugHarness h(chip, {}, true);
        h.session->setSaveData(true);
        QSignalSpy done(h.session.get(), &DebugSession::csvFinished);
        QVERIFY(h.session->start({}));
        h.playStartup(2);
        h.sample({1100, 1990}, {1000, 2000}, 1);
        h.sample({1001, 2001}, {1001, 2001}, 0);
        h.session->pause();
        QVERIFY(h.session->csvBusy());
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(done[0][0].toBool(), true);
        QCOMPARE(readAll(h.dir.filePath(QLatin1String(kCsvName))), expected);
    }

    void twoPausesAppendTwice() {
        DebugHarness h(1, {}, true);
        h.session->setSaveData(true);
        QSignalSpy done(h.session.get(), &DebugSession::csvFinished);
        QVERIFY(h.session->start({}));
        h.playStartup(1);
        h.sample({5}, {7});
        h.session->pause();
        QTRY_COMPARE(done.size(), 1);
        h.session->resume();
        h.sample({9}, {8});
        h.session->pause();
        QTRY_COMPARE(done.size(), 2);
        QCOMPARE(readAll(h.dir.filePath(QLatin1String(kCsvName))),
                 QByteArray(",Baseline,,Rawdata,,Differ\r\n"
                            "No.,Ch0,,Ch0,,Ch0,\r\n"
                            "0,7,,5,,-2,\r\n"
                            ",Baseline,,Rawdata,,Differ\r\n"
                            "No.,Ch0,,Ch0,,Ch0,\r\n"
                            "0,7,,5,,-2,\r\n"
                            "1,8,,9,,1,\r\n"));
        QCOMPARE(h.commands(),
                 (QStringList{QStringLiteral("B0 01 00"), QStringLiteral("B1 01"),
                              QStringLiteral("B2"), QStringLiteral("B3 01"), QStringLiteral("B4"),
                              QStringLiteral("B3 01"), QStringLiteral("B4")}));
    }

    void csvWaitsForStopAndReportsBadPath() {
        DebugHarness h(1, {}, true);
        h.session->setSaveData(true);
        // A directory that cannot be made: a file stands where its parent would be.
        QFile blocker(h.dir.filePath(QStringLiteral("missing")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        h.session->setCsvDirectory(h.dir.filePath(QStringLiteral("missing/dir")));
        QSignalSpy done(h.session.get(), &DebugSession::csvFinished);
        QVERIFY(h.session->start({}));
        h.playStartup(1);
        h.sample({5}, {7});
        h.session->pause();
        h.session->stop();  // follows the end of the write
        QVERIFY(h.session->running());
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(done[0][0].toBool(), false);
        QCOMPARE(h.prompts.messages, QStringList{QStringLiteral("无法打开文件：") +
                                                 h.dir.filePath(QStringLiteral("missing/dir/")) +
                                                 QLatin1String(kCsvName)});
        QVERIFY(!h.session->running());
        QCOMPARE(int(h.session->samples().size()), 1);  // kept for the next pause
        // The run lost its samples: it ends as a failed write, worded as the box was.
        QCOMPARE(QString::fromLatin1(reasonKey(h.session->outcome().reason)),
                 QStringLiteral("write-failed"));
        QCOMPARE(h.session->outcome().text, h.prompts.messages.value(0));
    }

    // The profile's directory of a first session does not exist yet.
    void missingCsvDirectoryIsMade() {
        DebugHarness h(5, {}, true);
        h.session->setSaveData(true);
        const QString dir = h.dir.filePath(QStringLiteral("home/.config/Tessel"));
        h.session->setCsvDirectory(dir);
        QSignalSpy done(h.session.get(), &DebugSession::csvFinished);
        QVERIFY(h.session->start({}));
        h.playStartup(1);
        h.sample({5}, {7});
        h.session->pause();
        QTRY_COMPARE(done.size(), 1);
        QCOMPARE(done[0][0].toBool(), true);
        QCOMPARE(done[0][1].toString(), dir + QStringLiteral("/2019-8-20-9-5-7-SaveData.csv"));
        QCOMPARE(readAll(done[0][1].toString()).left(9), QByteArray(",Baseline"));
        QVERIFY(h.prompts.messages.isEmpty());
    }

    // A channel the outlier filter saved as 0, 0, 0 is no measurement for the statistics.
    void statisticsLeaveOutZeroedChannels() {
        DebugHarness h(5, {}, true);
        h.session->setFilterDelayMs(0);
        QVERIFY(h.session->start({}));
        h.playStartup(2);
        QTRY_COMPARE(int(h.session->outlierFilter()), 0x55);
        h.sample({65535, 1010}, {1000, 1000});
        h.sample({1200, 1020}, {1100, 1000});
        const DebugStatistics& st = h.session->statistics();
        QCOMPARE(st.samples(), 2);
        QCOMPARE(st.channel(0).samples, 1);
        QCOMPARE(st.channel(0).rawMin, 1200);
        QCOMPARE(st.channel(0).baselineMin, 1100);
        QCOMPARE(st.channel(0).idleMin, 100);
        QCOMPARE(st.channel(1).samples, 2);
        QCOMPARE(st.channel(1).rawMin, 1010);
    }

    // A stream that brings no accepted frame ends the run with a message.
    void noAcceptedFrameEndsTheRun_data() {
        QTest::addColumn<int>("kind");  // 0 nothing, 1 malformed frames, 2 zero baselines
        QTest::newRow("nothing arrives") << 0;
        QTest::newRow("only malformed frames") << 1;
        QTest::newRow("only frames without baselines") << 2;
    }
    void noAcceptedFrameEndsTheRun() {
        QFETCH(int, kind);
        DebugHarness h(6, {}, true);
        h.session->setNoFrameTimeoutMs(300);
        QVERIFY(h.session->start({}));
        h.playStartup(2);
        QElapsedTimer clock;
        clock.start();
        while (h.session->running() && clock.elapsed() < 5000) {
            if (kind == 1)
                h.reply(DebugCode::MalformedFrame, {0, 0xB3});
            if (kind == 2)
                h.sample({500, 600}, {0, 0});
            QTest::qWait(20);
        }
        QVERIFY(!h.session->running());
        QCOMPARE(h.prompts.messages, QStringList{QString::fromUtf8("5秒内未收到有效的数据帧!")});
        QCOMPARE(h.commands(0).mid(h.commands(0).size() - 2),
                 (QStringList{QStringLiteral("B4"), QStringLiteral("B5")}));
    }
    void acceptedFramesKeepTheRunGoing() {
        DebugHarness h(6, {}, true);
        h.session->setNoFrameTimeoutMs(300);
        QVERIFY(h.session->start({}));
        h.playStartup(1);
        for (int k = 0; k < 40; ++k) {
            h.sample({500}, {600});
            QTest::qWait(20);
        }
        QVERIFY(h.session->running());
        QVERIFY(h.prompts.messages.isEmpty());
    }

    // Every frame is counted, also the ones that arrive after the pause or the stop and the
    // ones the reassembly gave up on.
    void everyFrameIsCounted() {
        DebugHarness h(6, {}, true);
        QVERIFY(h.session->start({}));
        h.playStartup(2);
        h.sample({500, 600}, {400, 400});
        h.reply(DebugCode::MalformedFrame, {0, 0xB3});
        h.sample({500, 600}, {0, 0});
        DebugNotification ignored;
        ignored.code = DebugCode::FramesIgnored;
        ignored.count = 2;
        h.session->handle(ignored);
        h.session->pause();
        h.sample({500, 600}, {400, 400});  // sent before the board heard the pause
        h.session->stop();
        h.sample({500, 600}, {400, 400});
        QCOMPARE(h.session->framesReceived(), 7);
        QCOMPARE(h.session->framesAccepted(), 1);
        QCOMPARE(h.session->framesMalformed(), 1);
        QCOMPARE(h.session->samplesDiscarded(), 5);
    }

    // A board lost during a run ends it.
    void lostBoardEndsTheRun() {
        SimOptions o;
        o.channels = 4;
        DebugHarness h(12, o);
        h.session->setNoFrameTimeoutMs(60000);  // only the lost board may end it
        QVERIFY(h.session->start({}));
        QTRY_COMPARE(h.session->state(), DebugSession::State::Streaming);
        h.backend->pullOut();
        QTRY_VERIFY(!h.session->running());
    }

    // How each run ends: its reason (the command line's JSON key) and the message that said
    // so, in the language of the moment; finished() comes once per start.
    void outcomes_data() {
        QTest::addColumn<int>("scenario");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("text");
        QTest::newRow("stopped while streaming") << 0 << 0 << "ok" << QString();
        QTest::newRow("stopped during start-up")
            << 1 << 0 << "cancelled" << QStringLiteral("调试在启动完成前被停止");
        QTest::newRow("5 V fails")
            << 2 << 0 << "supply-failed" << QStringLiteral("内部电压选择失败!");
        QTest::newRow("5 V fails, English")
            << 2 << 1 << "supply-failed" << QStringLiteral("Internal supply selection failed!");
        QTest::newRow("no external")
            << 3 << 0 << "supply-failed"
            << QStringLiteral("选择了外部电源，但外部并未提供，请确认外部电源工作状态!");
        QTest::newRow("IIC link") << 4 << 0 << "debug-failed"
                                  << QStringLiteral("目标机与编程器IIC通信失败!");
        QTest::newRow("IIC link, English")
            << 4 << 1 << "debug-failed"
            << QStringLiteral("IIC communication between target and programmer failed!");
        QTest::newRow("UART link, English")
            << 5 << 1 << "debug-failed"
            << QStringLiteral("Target and programmer could not agree on a UART baud rate!");
        QTest::newRow("no frames")
            << 6 << 0 << "no-frames" << QStringLiteral("5秒内未收到有效的数据帧!");
        QTest::newRow("silent board")
            << 7 << 1 << "timeout" << QStringLiteral("Waiting for data timeout!");
        QTest::newRow("range, English")
            << 8 << 1 << "debug-failed"
            << QStringLiteral("Make sure the Rawdata lower limit is below its upper limit!");
        QTest::newRow("board lost") << 9 << 0 << "board-lost" << QStringLiteral("设备被拔出");
        QTest::newRow("no board") << 10 << 1 << "no-board" << QStringLiteral("NO USB Device!");
    }
    void outcomes() {
        QFETCH(int, scenario);
        QFETCH(int, language);
        QFETCH(QString, reason);
        QFETCH(QString, text);
        const int chips[] = {5, 5, 5, 1, 9, 2, 6, 12, 5, 12, 5};
        const char* options[] = {
            "", "", "supply-fail", "no-external", "target-fail", "target-fail", "", "", "", "", ""};
        SimOptions o;
        QVERIFY(SimOptions::parse(QString::fromLatin1(options[scenario]), &o, nullptr));
        DebugHarness h(chips[scenario], o, scenario == 1 || scenario == 6 || scenario == 7);
        h.state.language = uint8_t(language);
        h.session->setNoFrameTimeoutMs(200);
        h.session->setStartupTimeoutMs(200);
        QSignalSpy finished(h.session.get(), &DebugSession::finished);
        DebugPageSettings s;
        s.vcc = scenario == 3 ? 2 : 1;
        if (scenario == 8)
            s.rawMin = s.rawMax;
        if (scenario == 10) {
            h.backend->pullOut();
            QTRY_VERIFY(!h.transport->isConnected());
        }
        QCOMPARE(h.session->start(s), scenario != 8 && scenario != 10);
        if (scenario == 0) {
            QTRY_VERIFY(h.session->framesAccepted() > 0);
            h.session->pause();
            h.session->stop();
        } else if (scenario == 1) {
            h.session->stop();
        } else if (scenario == 6) {
            h.playStartup(2);
        } else if (scenario == 9) {
            QTRY_COMPARE(h.session->state(), DebugSession::State::Streaming);
            h.backend->pullOut();
        }
        QTRY_VERIFY(!h.session->running());
        QTRY_COMPARE(finished.size(), 1);
        const Outcome& outcome = h.session->outcome();
        QCOMPARE(QString::fromLatin1(reasonKey(outcome.reason)), reason);
        QCOMPARE(outcome.text, text);
        QCOMPARE(finished[0][0].value<Outcome>().text, text);
    }

    void csvFileName_data() {
        QTest::addColumn<QDateTime>("moment");
        QTest::addColumn<QString>("name");
        QTest::newRow("morning") << QDateTime(QDate(2019, 8, 20), QTime(1, 5, 7), QTimeZone::utc())
                                 << QStringLiteral("2019-8-20-9-5-7-SaveData.csv");
        QTest::newRow("next day in China")
            << QDateTime(QDate(2020, 12, 31), QTime(16, 0, 0), QTimeZone::utc())
            << QStringLiteral("2021-1-1-0-0-0-SaveData.csv");
    }
    void csvFileName() {
        QFETCH(QDateTime, moment);
        QFETCH(QString, name);
        QCOMPARE(csv::fileName(moment), name);
    }

    void statistics_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("flags");
        QTest::addColumn<QStringList>("row");
        const QStringList good{
            QStringLiteral("0"),      QStringLiteral("1000"), QStringLiteral("1000"),
            QStringLiteral("1000.0"), QStringLiteral("998"),  QStringLiteral("1420"),
            QStringLiteral("1136.7"), QStringLiteral("4"),    QStringLiteral("1.58"),
            QStringLiteral("410.0"),  QStringLiteral("102.5")};
        QTest::newRow("key flags") << 5 << true << good;
        QTest::newRow("no key flags, by Differ") << 1 << false << good;
        QTest::newRow("never touched")
            << 5 << false
            << QStringList{
                   QStringLiteral("0"),      QStringLiteral("1000"), QStringLiteral("1000"),
                   QStringLiteral("1000.0"), QStringLiteral("998"),  QStringLiteral("1420"),
                   QStringLiteral("1136.7"), QStringLiteral("422"),  QStringLiteral("193.37"),
                   QStringLiteral("-"),      QStringLiteral("-")};
    }
    void statistics() {
        QFETCH(int, chip);
        QFETCH(bool, flags);
        QFETCH(QStringList, row);
        DebugHarness h(chip, {}, true);
        QVERIFY(h.session->start({}));
        h.playStartup(1);
        const int raws[] = {1002, 998, 1001, 999, 1400, 1420};
        for (int k = 0; k < 6; ++k)
            h.sample({raws[k]}, {1000}, flags && k >= 4 ? 1u : 0u);
        QCOMPARE(h.session->statistics().rowTexts(0), row);
        QCOMPARE(h.session->statistics().channel(0).good(), row[10] != QLatin1String("-"));
        // A new start begins afresh.
        h.session->pause();
        h.session->stop();
        QVERIFY(h.session->start({}));
        h.playStartup(1);
        QCOMPARE(h.session->statistics().samples(), 0);
    }

    void spilledSamplesKeepTheirOrder() {
        QTemporaryDir dir;
        SampleStore store;
        store.setSpillDirectory(dir.path());
        store.setMemoryLimit(SampleStore::kChunkRecords * sizeof(SampleRecord));
        const int total = int(SampleStore::kChunkRecords) * 3 + 5;
        for (int k = 0; k < total; ++k) {
            SampleRecord r;
            r.raw[0] = k;
            r.keyFlags = uint32_t(k) * 3;
            store.append(r);
        }
        QCOMPARE(int(store.spilledRecords()), int(SampleStore::kChunkRecords) * 2);
        QVERIFY(store.memoryBytes() <= 2 * SampleStore::kChunkRecords * sizeof(SampleRecord));
        const SampleStore::Snapshot snap = store.snapshot();
        store.clear();  // the snapshot keeps its chunks
        int next = 0;
        QVERIFY(snap.forEach([&](const SampleRecord& r) {
            const bool ok = r.raw[0] == next && r.keyFlags == uint32_t(next) * 3;
            ++next;
            return ok;
        }));
        QCOMPARE(next, total);
    }

    void touchParametersInTheProfile() {
        QTemporaryDir dir;
        Profile profile(dir.filePath(QStringLiteral("Parameters.ini")));
        DebugParameters p;
        p.reso = 1;
        p.ds = 2;
        p.ref = 3;
        p.prs = 4;
        p.adaptiveEnable = 1;
        p.rb = 2;
        p.adaptiveLine = 32768;
        p.channelOpenMask = 0xFFFFFFFF;
        p.adcResolution = 7;
        p.dms = 1;
        p.chipPackage = 3;
        p.debugWork = 1;
        p.adcEnable = 0x5A;
        p.keyThresholds[0] = 40;
        p.keyThresholds[26] = 255;
        p.keyThresholds[27] = 99;  // not kept
        saveTouchParameters(profile, p);
        QStringList lines =
            QString::fromUtf8(readAll(profile.path())).split(QStringLiteral("\r\n"));
        QStringList expected{
            QStringLiteral("[CTKParameters]"),    QStringLiteral("CTK_RESO=1"),
            QStringLiteral("CTK_DS=2"),           QStringLiteral("CTK_RV=3"),
            QStringLiteral("CTK_PRS=4"),          QStringLiteral("CTK_Adaptive_EN=1"),
            QStringLiteral("CTK_Rb=2"),           QStringLiteral("Set_Baseline=32768"),
            QStringLiteral("Set_SNopen=-1"),      QStringLiteral("CTK_ADC=7"),
            QStringLiteral("CTK_DMS=1"),          QStringLiteral("Chip_type=3"),
            QStringLiteral("Debug_Work=1"),       QStringLiteral("ADC_OPEN=90"),
            QStringLiteral("CTK_THRESHOLD[0]=40")};
        for (int i = 1; i < 26; ++i)
            expected << QStringLiteral("CTK_THRESHOLD[%1]=0").arg(i);
        expected << QStringLiteral("CTK_THRESHOLD[26]=255");
        QCOMPARE(lines.mid(0, expected.size()), expected);

        DebugParameters back;
        back.reso = 9;
        loadTouchParameters(profile, &back);
        QCOMPARE(int(back.reso), 1);
        QCOMPARE(int(back.rb), 2);
        QCOMPARE(back.adaptiveLine, 32768);
        QCOMPARE(back.channelOpenMask, 0xFFFFFFFFu);
        QCOMPARE(back.adcEnable, 0x5Au);
        QCOMPARE(back.keyThresholds[26], 255);
        QCOMPARE(back.keyThresholds[27], 0);

        DebugParameters empty;
        empty.prs = 7;
        loadTouchParameters(Profile(dir.filePath(QStringLiteral("none.ini"))), &empty);
        QCOMPARE(int(empty.prs), 0);  // a missing key gives 0
    }

    void parametersFrameAndReply() {
        DebugHarness h(6, {});
        h.state.debugParameters.reso = 5;
        h.state.debugParameters.adaptiveLine = 0x1234;
        QSignalSpy written(h.session.get(), &DebugSession::parametersWritten);
        Profile profile(h.state.profilePath);
        h.session->writeParameters(profile);
        QTRY_COMPARE(written.size(), 1);
        QCOMPARE(written[0][0].toBool(), true);
        const Report sent = h.backend->board().trace().at(0);
        QCOMPARE(int(sent[1]), 0xB6);
        QCOMPARE(int(sent[2]), 6);
        QCOMPARE(int(sent[35]), 5);
        QCOMPARE(int(sent[45]), 0x12);
        QCOMPARE(int(sent[46]), 0x34);
        QCOMPARE(profile.readInt(QStringLiteral("CTKParameters"), QStringLiteral("CTK_RESO"), -1),
                 5);
    }
};

QTEST_GUILESS_MAIN(TestDebugSession)
#include "tst_debugsession.moc"
