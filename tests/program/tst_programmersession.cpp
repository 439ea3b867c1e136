// Two programmer sessions side by side in one process, each on its own simulated board with
// its own state, image and pages: a one-key write runs on both at once, one board has a
// fault, and each session reports its own outcome.
#include "app/outcome.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "link/sequencer.h"
#include "link/tracelog.h"
#include "pages/chip/configpages.h"
#include "pages/chip/pagesconfigsource.h"
#include "recordingview.h"
#include "sim/simboard.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using namespace tessel;

namespace {

// One board and everything a front end gives its session.
struct Station {
    SharedState state;
    SimBackend bus;
    ImageState image;
    chip::ConfigPages pages;
    chip::PagesConfigSource source{pages};
    test::RecordingView view;
    ScriptedPrompts prompts;
    std::unique_ptr<ProgrammerSession> session;
    std::optional<Outcome> handshake;
    std::optional<Outcome> ended;

    Station(const SharedState& program, const SimOptions& options, const QString& profile)
        : bus(options), pages(Profile(profile)) {
        ProgrammerSession::copyProgramSettings(program, state);
        pages.initialiseAll(int(state.chipIndex.load()));
        session = std::make_unique<ProgrammerSession>(state, bus, image, source, view, prompts);
        session->transport().setAnswerTimeoutMs(200);
        session->sequencer().setReplyTimeoutMs(500);
        session->selectChip(int(state.chipIndex.load()));
        QObject::connect(session.get(), &ProgrammerSession::handshakeFinished,
                         [this](const Outcome& o) { handshake = o; });
        QObject::connect(session.get(), &ProgrammerSession::operationFinished,
                         [this](const Outcome& o) { ended = o; });
        QObject::connect(session.get(), &ProgrammerSession::boardLost,
                         [this](const Outcome& o) { ended = o; });
        const uint8_t bytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
        std::copy(std::begin(bytes), std::end(bytes), image.writeBuffer.begin());
        image.imageLength = sizeof bytes;
        image.imageLoaded = true;
        image.freshlyOpened = true;
    }
};

SimOptions options(const QString& text) {
    SimOptions o;
    QString error;
    SimOptions::parse(text, &o, &error);
    return o;
}

}  // namespace

class ProgrammerSessionTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void oneFaultyBoardAmongTwo_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");  // the JSON key of the faulty board's outcome
        QTest::addColumn<QString>("text");    // its verdict as logged
        QTest::newRow("verify") << 11 << "flip-flash=3"
                                << "verify-failed"
                                << "编程器:读FLASH CHECK出错，请重新连接烧录！";
        QTest::newRow("erase") << 10 << "erase-fail"
                               << "erase-failed"
                               << "擦除Mainblock命令CRC出错!";
        QTest::newRow("read crc") << 2 << "flash-read-crc"
                                  << "flash-read-failed"
                                  << "编程器:读FLASH CRC 出错，请重新连接烧录！";
        QTest::newRow("wrong chip") << 12 << "wrong-ictype"
                                    << "wrong-chip-type"
                                    << "IC_TYPE芯片类型不对，请检查连接的芯片是否正确!";
        QTest::newRow("target silent") << 3 << "target-fail"
                                       << "enter-programming-failed"
                                       << "进入烧录模式失败!";
        QTest::newRow("pulled out") << 11 << "pull-after=6"
                                    << "board-lost"
                                    << "设备被拔出";
        QTest::newRow("board silent") << 11 << "silent-after=4"
                                      << "timeout"
                                      << "等待数据超时!";
    }

    void oneFaultyBoardAmongTwo() {
        QFETCH(int, chip);
        QFETCH(QString, fault);
        SharedState program;
        program.chipIndex = uint32_t(chip);
        program.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        Station good(program, options(QStringLiteral("latency=1")), program.profilePath);
        Station bad(program, options(QStringLiteral("latency=1,") + fault), program.profilePath);
        good.session->open();
        bad.session->open();
        QVERIFY(QTest::qWaitFor([&] { return good.handshake && bad.handshake; }, 5000));
        QCOMPARE(QString::fromLatin1(reasonKey(good.handshake->reason)), QStringLiteral("ok"));
        QCOMPARE(QString::fromLatin1(reasonKey(bad.handshake->reason)), QStringLiteral("ok"));

        QVERIFY(good.session->sequencer().startWriteFlash());
        QVERIFY(bad.session->sequencer().startWriteFlash());
        QVERIFY(good.session->busy() && bad.session->busy());  // both run at once
        QVERIFY(QTest::qWaitFor([&] { return good.ended && bad.ended; }, 15000));

        QCOMPARE(QString::fromLatin1(reasonKey(good.ended->reason)), QStringLiteral("ok"));
        QCOMPARE(good.ended->text, QStringLiteral("芯片烧录成功!"));
        QTEST(QString::fromLatin1(reasonKey(bad.ended->reason)), "reason");
        QTEST(bad.ended->text, "text");
        // Neither board saw the other's reports: the good one got its whole image.
        int dataReports = 0;
        for (const Report& r : good.bus.board().trace())
            dataReports += r[1] == 0x01 && r[2] == 0x02 && r[8] == 0x08 && r[9] == 0xFF;
        QCOMPARE(dataReports, 1);
        QVERIFY(good.view.lines.contains(QStringLiteral("芯片烧录成功!")));
        QVERIFY(!good.view.lines.contains(bad.ended->text));
    }

    // The handshake's verdicts reach the session that asked, not its neighbour.
    void handshakeOutcomes_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason");
        QTest::newRow("version") << "wrong-version"
                                 << "version-refused";
        QTest::newRow("accepted") << ""
                                  << "ok";
    }
    void handshakeOutcomes() {
        QFETCH(QString, fault);
        SharedState program;
        program.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        Station one(program, options(QStringLiteral("latency=0,") + fault), program.profilePath);
        Station two(program, options(QStringLiteral("latency=0")), program.profilePath);
        one.session->open();
        two.session->open();
        QVERIFY(QTest::qWaitFor([&] { return one.handshake && two.handshake; }, 5000));
        QTEST(QString::fromLatin1(reasonKey(one.handshake->reason)), "reason");
        QCOMPARE(QString::fromLatin1(reasonKey(two.handshake->reason)), QStringLiteral("ok"));
        QCOMPARE(two.state.boardVersion, QStringLiteral("V1.0.1.1a"));
    }

    // A board pulled out between operations ends as board-lost, said once.
    void pulledOutWhileIdle() {
        SharedState program;
        program.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        Station s(program, options(QStringLiteral("latency=0")), program.profilePath);
        s.session->open();
        QVERIFY(QTest::qWaitFor([&] { return s.handshake.has_value(); }, 5000));
        s.bus.pullOut();
        QVERIFY(s.session->deviceRemoved(SimBackend::devicePath()));
        QVERIFY(s.ended.has_value());
        QCOMPARE(QString::fromLatin1(reasonKey(s.ended->reason)), QStringLiteral("board-lost"));
        QCOMPARE(s.view.lines.count(QStringLiteral("设备被拔出")), 1);
        QVERIFY(!s.session->deviceRemoved(QStringLiteral("/dev/hidraw9")));
    }

    // The traceability log attached to a session: a record for each operation that reached
    // the chip, OK or NG; none for a refusal before anything was sent or a supply switch.
    void traceLogRecords_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("action");         // 0 one-key write, 1 supply, 2 refused, 3 no board
        QTest::addColumn<QByteArray>("record");  // the record from its chip field on; empty: none
        QTest::newRow("write ok") << "" << 0 << QByteArray("KR5814,program,,8,0x00000000,,OK,ok,");
        QTest::newRow("write ng") << "flip-flash=3" << 0
                                  << QByteArray("KR5814,program,,8,0x00000000,,NG,verify-failed,");
        QTest::newRow("pulled out")
            << "pull-after=6" << 0 << QByteArray("KR5814,program,,8,0x00000000,,NG,board-lost,");
        // A read of the configuration, then a supply switch: the read's record alone.
        QTest::newRow("supply switch after a read")
            << "" << 1 << QByteArray("KR5814,read-config,,,,,OK,ok,");
        QTest::newRow("image refused") << "" << 2 << QByteArray();
        QTest::newRow("no board") << "" << 3 << QByteArray();
    }

    void traceLogRecords() {
        QFETCH(QString, fault);
        QFETCH(int, action);
        QFETCH(QByteArray, record);
        SharedState program;
        program.chipIndex = 11;
        program.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        Station s(program, options(QStringLiteral("latency=0,") + fault), program.profilePath);
        const QString log =
            dir_.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".csv"));
        TraceLog::attach(*s.session, log);
        OperationSequencer& seq = s.session->sequencer();
        if (action != 3) {
            s.session->open();
            QVERIFY(QTest::qWaitFor([&] { return bool(s.handshake); }, 5000));
        }
        if (action == 0) {
            QVERIFY(seq.startWriteFlash());
        } else if (action == 1) {
            QVERIFY(seq.startReadConfig());
            QVERIFY(QTest::qWaitFor([&] { return bool(s.ended); }, 10000));
            s.ended.reset();
            seq.switchSupply(OperationSequencer::Supply::V5);
        } else if (action == 2) {
            s.image.imageLength = 0;
            QVERIFY(!seq.startWriteFlash());
        } else {
            QVERIFY(!seq.startReadConfig());
        }
        QVERIFY(QTest::qWaitFor([&] { return bool(s.ended); }, 10000));
        QFile f(log);
        if (record.isEmpty()) {
            QVERIFY(!f.exists());
            return;
        }
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        QCOMPARE(lines.size(), 3);  // header, the record, nothing after its line end
        QCOMPARE(lines[0], QByteArray("time,serial,chip,operation,file,length,checksum,config,"
                                      "verdict,reason,duration_ms\r"));
        // Time with its offset from UTC, the simulated board's (empty) serial, then the rest.
        const QByteArray line = lines[1];
        // "2026-12-09T10:15:30.250+01:00"
        QCOMPARE(line.mid(4, 1) + line.mid(10, 1) + line.mid(19, 1) + line.mid(26, 1),
                 QByteArray("-T.:"));
        QVERIFY(line.at(23) == '+' || line.at(23) == '-');
        QCOMPARE(line.mid(29, 2), QByteArray(",,"));
        QVERIFY2(line.mid(31).startsWith(record), line.constData());
        QVERIFY(line.endsWith('\r'));
    }
};

QTEST_GUILESS_MAIN(ProgrammerSessionTest)
#include "tst_programmersession.moc"
