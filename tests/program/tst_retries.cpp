// A board that misses an answer: the flash transfers start again and say so, a retry that
// recovers ends in a verified write, and a board that takes the repeated header as data is
// caught by the verify. Also the user stopping an operation and re-opening the board while
// one runs: the target always leaves programming mode first.
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/sequencer.h"
#include "sim/simboard.h"
#include "simbench.h"

#include <QTest>

#include <memory>

using namespace tessel;
using namespace tessel::test;

namespace {

int count(const std::vector<Report>& trace, uint8_t code) {
    return static_cast<int>(std::count_if(trace.begin(), trace.end(),
                                          [code](const Report& r) { return r[1] == code; }));
}

}  // namespace

class RetriesTest : public QObject {
    Q_OBJECT

    SharedState state_;
    std::unique_ptr<SimBench> bench_;

    // Answers are waited for longer than the board's stall time, so that a board which missed
    // a report has gone back to commands when the transfer starts again.
    void connectBoard(const QString& options, bool linkTiming = false) {
        SimOptions o;
        QString error;
        QVERIFY2(SimOptions::parse(options, &o, &error), qPrintable(error));
        bench_ = std::make_unique<SimBench>(state_, o, nullptr, nullptr, linkTiming);
        bench_->transport->setAnswerTimeoutMs(400);
        bench_->transport->setResyncMs(400);
        bench_->seq->setReplyTimeoutMs(2000);
        QVERIFY(bench_->connected());
    }

    // Image bytes below 0x40: a data report the board takes as a command is none it knows.
    void loadImage(int length) {
        for (int i = 0; i < length; ++i)
            bench_->image->writeBuffer[i] = static_cast<uint8_t>((i * 7 + 3) & 0x3F);
        bench_->image->imageLength = length;
        bench_->image->imageLoaded = true;
        bench_->image->freshlyOpened = true;
    }

    QStringList& lines() { return bench_->view->lines; }

private Q_SLOTS:
    void init() {
        state_.language = 0;
        state_.verifyAfterWrite = 0;
        state_.chipIndex = 11;  // KR5814: 0x80 0x81 0x82 0x83, then the flash write header
    }

    void cleanup() { bench_.reset(); }

    void missedAnswerIsRetried_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("retry");
        QTest::addColumn<QString>("startLine");
        QTest::addColumn<int>("writeHeaders");
        QTest::addColumn<int>("readHeaders");
        // 200 bytes: reports 5 header, 6-9 data, 10 read header, 11-14 block requests.
        QTest::newRow("write header") << "drop=5,stall=200" << 0 << "编程器:重试 2/5"
                                      << "编程器:写器件开始：" << 2 << 1;
        QTest::newRow("write data") << "drop=7,stall=200" << 0 << "编程器:重试 2/5"
                                    << "编程器:写器件开始：" << 2 << 1;
        QTest::newRow("read header") << "drop=10" << 0 << "编程器:重试 2/5"
                                     << "编程器:读器件开始：" << 1 << 2;
        QTest::newRow("read block, English") << "drop=12" << 1 << "Programmer: retry 2/5"
                                             << "Start to Read Mainblock：" << 1 << 2;
    }

    void missedAnswerIsRetried() {
        QFETCH(QString, options);
        QFETCH(int, language);
        QFETCH(QString, retry);
        QFETCH(QString, startLine);
        QFETCH(int, writeHeaders);
        QFETCH(int, readHeaders);
        state_.language = static_cast<uint8_t>(language);
        connectBoard(options);
        loadImage(200);
        QVERIFY(bench_->seq->startWriteFlash());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 10000);
        QVERIFY(bench_->view->lastSuccess);
        QCOMPARE(bench_->view->result, ProgramView::Result::Ok);
        // The retry line stands right before the repeated start line.
        QCOMPARE(lines().count(retry), 1);
        QCOMPARE(lines().count(startLine), 2);
        const int at = lines().indexOf(retry);
        QCOMPARE(lines().at(at + 1), startLine);
        QVERIFY(lines().indexOf(startLine) < at);
        const auto t = bench_->trace();
        int headers = 0;
        int reads = 0;
        for (const Report& r : t) {
            headers += r[1] == 0x85 && (r[2] << 8 | r[3]) == 200;
            reads += r[1] == 0x86 && r[2] == 0xFF;
        }
        QCOMPARE(headers, writeHeaders);
        QCOMPARE(reads, readHeaders);
        QCOMPARE(count(t, 0x87), 1);
        QCOMPARE(int(bench_->backend->board().chip(11).flash[199]), (199 * 7 + 3) & 0x3F);
    }

    // A board that waits for its data for ever takes the repeated header as image data:
    // the chip holds something else than the image, and the verify must say so.
    void headerTakenAsDataIsCaughtByTheVerify() {
        connectBoard(QStringLiteral("drop=7,stall=0"));
        loadImage(200);
        QVERIFY(bench_->seq->startWriteFlash());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 15000);
        QVERIFY(!bench_->view->lastSuccess);
        QCOMPARE(bench_->view->result, ProgramView::Result::Ng);
        QVERIFY(lines().contains(QStringLiteral("编程器:重试 2/5")));
        QVERIFY(lines().contains(QStringLiteral("编程器:读FLASH CHECK出错，请重新连接烧录！")));
        QVERIFY(!lines().contains(QStringLiteral("芯片烧录成功!")));
        QCOMPARE(count(bench_->trace(), 0x87), 1);
        QCOMPARE(int(bench_->backend->board().chip(11).flash[128]), 0x85 & ((128 * 7 + 3) & 0x3F));
    }

    // An answer that comes after its time-out, while the repeated transfer runs, is not the
    // answer to any of its reports: the transfer starts again only once the board has been
    // quiet, and ends verified. (Taken, it shifts every later answer by one report.)
    void lateAnswerIsDroppedBeforeTheRetry_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("startLine");
        // 16000 bytes at 1 ms frames: each transfer takes about 500 ms. Reports: 5 write
        // header, 6-255 data, 256 read header, 257-506 block requests.
        QTest::newRow("write data") << "latency=1,late=7,late-ms=600,stall=200"
                                    << "编程器:写器件开始：";
        QTest::newRow("read block") << "latency=1,late=260,late-ms=600"
                                    << "编程器:读器件开始：";
    }

    void lateAnswerIsDroppedBeforeTheRetry() {
        QFETCH(QString, options);
        QFETCH(QString, startLine);
        connectBoard(options, true);
        // Every 64-byte block differs from the others, so that an answer taken for another
        // block's shows.
        for (int i = 0; i < 16000; ++i)
            bench_->image->writeBuffer[i] = static_cast<uint8_t>((i * 7 + i / 64) & 0x3F);
        bench_->image->imageLength = 16000;
        bench_->image->imageLoaded = true;
        bench_->image->freshlyOpened = true;
        QVERIFY(bench_->seq->startWriteFlash());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 20000);
        QVERIFY2(bench_->view->lastSuccess, qPrintable(lines().join(QLatin1Char('\n'))));
        QCOMPARE(bench_->view->result, ProgramView::Result::Ok);
        QCOMPARE(lines().count(QStringLiteral("编程器:重试 2/5")), 1);
        QCOMPARE(lines().count(startLine), 2);
        QCOMPARE(int(bench_->backend->board().chip(11).flash[15999]), (15999 * 7 + 249) & 0x3F);
    }

    void silentBoardShowsEveryRetry() {
        connectBoard(QStringLiteral("silent-after=5"));
        bench_->transport->setAnswerTimeoutMs(50);
        loadImage(100);
        QVERIFY(bench_->seq->startWriteFlash());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 10000);
        QStringList retries;
        for (const QString& l : lines()) {
            if (l.startsWith(QStringLiteral("编程器:重试")))
                retries << l;
        }
        QCOMPARE(
            retries,
            (QStringList{QStringLiteral("编程器:重试 2/5"), QStringLiteral("编程器:重试 3/5"),
                         QStringLiteral("编程器:重试 4/5"), QStringLiteral("编程器:重试 5/5")}));
        QCOMPARE(lines().count(QStringLiteral("编程器:写器件开始：")), 5);
        QCOMPARE(lines().last(), QStringLiteral("等待数据超时!"));
    }

    // Stopping or re-opening mid-write: the transfer stops, the board is given time to take
    // commands again, and 0x87 reaches it before anything else.
    void stoppedMidWriteLeavesProgrammingMode_data() {
        QTest::addColumn<bool>("reopen");
        QTest::newRow("stop") << false;
        QTest::newRow("re-open") << true;
    }

    void stoppedMidWriteLeavesProgrammingMode() {
        QFETCH(bool, reopen);
        connectBoard(QStringLiteral("drop=8,stall=200"));  // the transfer waits at data 3 of 16
        bench_->transport->setAnswerTimeoutMs(5000);       // and goes on waiting
        loadImage(1000);
        QVERIFY(bench_->seq->startWriteFlash());
        QTRY_COMPARE(bench_->backend->board().received(), 8);
        QVERIFY(bench_->backend->board().programmingMode());
        if (reopen) {
            bench_->seq->reopenBoard();
        } else {
            bench_->seq->stopOperation();
        }
        QCOMPARE(bench_->view->finished, 1);
        QVERIFY(!bench_->view->lastSuccess);
        QCOMPARE(bench_->view->result, ProgramView::Result::Ng);
        QVERIFY(lines().contains(QStringLiteral("操作已中止!")));
        QTRY_VERIFY(!bench_->backend->board().programmingMode());
        const auto t = bench_->trace();
        QCOMPARE(int(t[8][1]), 0x87);  // right after the last data report
        QCOMPARE(count(t, 0x87), 1);
        QCOMPARE(bench_->connected(), true);  // re-opened, or never closed
        QVERIFY(!bench_->seq->busy());
        QTest::qWait(500);  // the stopped transfer says nothing more
        QCOMPARE(bench_->view->finished, 1);
    }
};

QTEST_GUILESS_MAIN(RetriesTest)
#include "tst_retries.moc"
