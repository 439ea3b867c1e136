// The operation sequences end to end on the simulated board: read flash, supply, EEPROM read
// and write, time-outs, read errors and a board pulled out mid-read, checked through what the
// page is shown and through the reports the board received.
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/sequencer.h"
#include "sim/simboard.h"
#include "simbench.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace tessel;
using namespace tessel::test;
using Control = ProgramView::Control;

namespace {

int countCode(const std::vector<Report>& trace, uint8_t code) {
    return static_cast<int>(std::count_if(trace.begin(), trace.end(),
                                          [code](const Report& r) { return r[1] == code; }));
}

}  // namespace

class SequencerTest : public QObject {
    Q_OBJECT

    SharedState state_;
    std::unique_ptr<SimBench> bench_;

    void connectBoard(const SimOptions& options) {
        bench_ = std::make_unique<SimBench>(state_, options);
        QVERIFY(bench_->connected());
    }

    SimOptions fastBoard() {
        SimOptions o;
        o.latencyMs = 0;
        return o;
    }

    std::vector<Report> trace() { return bench_->trace(); }

    // The reports after select chip and enter programming mode.
    void expectCommonStart(const std::vector<Report>& t, int chip) {
        QVERIFY(t.size() >= 2);
        QCOMPARE(int(t[0][1]), 0x80);
        QCOMPARE(int(t[0][2]), chip);
        QCOMPARE(int(t[1][1]), 0x81);
    }

private Q_SLOTS:
    void init() { state_.language = 0; }

    void cleanup() { bench_.reset(); }

    void readFlashFetchesTheChipsLength_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("length");
        QTest::newRow("VE5812DUZI") << 13 << 16384;
        QTest::newRow("KR5815") << 10 << 64511;
        QTest::newRow("KR4111") << 1 << 8191;
    }

    void readFlashFetchesTheChipsLength() {
        QFETCH(int, chip);
        QFETCH(int, length);
        connectBoard(fastBoard());
        state_.chipIndex = chip;
        SimChip& target = bench_->backend->board().chip(chip);
        for (int i = 0; i < length; ++i)
            target.flash[i] = static_cast<uint8_t>(i * 13);
        bench_->backend->board().clearTrace();

        QVERIFY(bench_->seq->startReadFlash());
        QVERIFY(!bench_->view->isEnabled(Control::ReadFlash));
        QVERIFY(!bench_->view->isEnabled(Control::ChipCombo));
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 20000);
        QVERIFY(bench_->view->lastSuccess);
        QCOMPARE(bench_->view->readShown, uint32_t(length));
        QCOMPARE(int(bench_->image->readBuffer[length - 1]),
                 int(static_cast<uint8_t>((length - 1) * 13)));
        QCOMPARE(int(bench_->image->readBuffer[length]), 0xFF);

        const auto t = trace();
        expectCommonStart(t, chip);
        QCOMPARE(int(t[2][1]), 0x86);  // header: 0xFF, then the length big-endian
        QCOMPARE(int(t[2][2]), 0xFF);
        QCOMPARE(t[2][3] << 8 | t[2][4], length);
        const int blocks = (length + 63) / 64;
        QCOMPARE(int(t.size()), 3 + blocks + 1);
        const Report& last = t[2 + blocks];
        QCOMPARE(int(last[2]), length - (blocks - 1) * 64);  // n of the last request
        QCOMPARE(last[3] << 8 | last[4], blocks - 1);        // block number, big-endian
        QCOMPARE(int(t.back()[1]), 0x87);
        QVERIFY(bench_->view->lines.contains(QStringLiteral("编程器:读器件完成!")));
        QVERIFY(bench_->view->lines.contains(QString::asprintf("读取%d字节……", length)));
        QVERIFY(bench_->view->isEnabled(Control::ReadFlash));
        QCOMPARE(bench_->view->progress, -1);
    }

    // Every bulk transfer shows its bar from 0, never going back, to 100 at its end, and the
    // bar is hidden when the operation ends.
    void progressOfEveryTransfer_data() {
        QTest::addColumn<int>("operation");
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("transfers");
        QTest::newRow("one-key write: write, then read") << 0 << 11 << 2;
        QTest::newRow("read flash") << 1 << 13 << 1;
        QTest::newRow("EEPROM write: write, then read") << 2 << 11 << 2;
        QTest::newRow("EEPROM read") << 3 << 5 << 1;
    }

    void progressOfEveryTransfer() {
        QFETCH(int, operation);
        QFETCH(int, chip);
        QFETCH(int, transfers);
        connectBoard(fastBoard());
        state_.chipIndex = chip;
        ImageState& image = *bench_->image;
        for (int i = 0; i < 3000; ++i)
            image.writeBuffer[i] = static_cast<uint8_t>(i & 0x3F);
        image.imageLength = 3000;
        image.imageLoaded = true;
        image.freshlyOpened = true;
        std::fill(image.eepromWriteBuffer.begin(), image.eepromWriteBuffer.end(), uint8_t(0x5A));
        OperationSequencer& seq = *bench_->seq;
        const bool started = operation == 0   ? seq.startWriteFlash()
                             : operation == 1 ? seq.startReadFlash()
                             : operation == 2 ? seq.startWriteEeprom()
                                              : seq.startReadEeprom();
        QVERIFY(started);
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 20000);
        QVERIFY(bench_->view->lastSuccess);
        const QList<int>& seen = bench_->view->progressSeen;
        QVERIFY(!seen.isEmpty());
        QCOMPARE(seen.first(), 0);
        QCOMPARE(seen.last(), 100);
        // A new transfer starts the bar again at 0, after the last one reached 100.
        int starts = 1;
        for (int i = 1; i < seen.size(); ++i) {
            if (seen[i] < seen[i - 1]) {
                QCOMPARE(seen[i], 0);
                QCOMPARE(seen[i - 1], 100);
                ++starts;
            }
        }
        QCOMPARE(starts, transfers);
        QVERIFY(seen.size() > 2 * transfers);  // progress between start and end
        QCOMPARE(bench_->view->progress, -1);
    }

    void supplyReplies_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("fail");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("line");
        QTest::newRow("3V ok") << 0 << false << 0 << "3V 上电成功!若要烧录相关操作,请先选择“掉电”!";
        QTest::newRow("5V ok") << 1 << false << 0 << "5V 上电成功!若要烧录相关操作,请先选择“掉电”!";
        QTest::newRow("off ok") << 2 << false << 0 << "掉电成功!";
        QTest::newRow("3V failed") << 0 << true << 0 << "上电失败!请检查负载和调试版供电系统!";
        QTest::newRow("5V failed en") << 1 << true << 1 << "5V POWER ON Failed!";
        QTest::newRow("off failed") << 2 << true << 0 << "掉电失败!请检查调试版供电系统!";
        QTest::newRow("off ok en") << 2 << false << 1 << "Power Off OK!";
    }

    void supplyReplies() {
        QFETCH(int, button);
        QFETCH(bool, fail);
        QFETCH(int, language);
        QFETCH(QString, line);
        SimOptions o = fastBoard();
        o.supplyFail = fail;
        connectBoard(o);
        state_.language = static_cast<uint8_t>(language);
        bench_->backend->board().clearTrace();
        bench_->seq->switchSupply(static_cast<OperationSequencer::Supply>(button));
        QTRY_COMPARE(bench_->view->lines.size(), 1);
        QCOMPARE(bench_->view->lines.first(), line);
        const auto t = trace();
        QCOMPARE(int(t.size()), 1);
        QCOMPARE(int(t[0][1]), 0x8A + button);
    }

    void supplyHoldsProgrammingUntilPowerOff_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("eepromAfterOff");
        QTest::newRow("KR4111") << 1 << false;
        QTest::newRow("KR5814") << 11 << true;
        QTest::newRow("KR4116") << 7 << true;
    }

    void supplyHoldsProgrammingUntilPowerOff() {
        QFETCH(int, chip);
        QFETCH(bool, eepromAfterOff);
        connectBoard(fastBoard());
        state_.chipIndex = chip;
        bench_->seq->switchSupply(OperationSequencer::Supply::V3);
        QVERIFY(!bench_->view->isEnabled(Control::WriteFlash));
        QVERIFY(!bench_->view->isEnabled(Control::ReadFlash));
        QVERIFY(!bench_->view->isEnabled(Control::WriteEeprom));
        QVERIFY(bench_->view->isEnabled(Control::PowerOff));
        QTRY_COMPARE(bench_->view->lines.size(), 1);
        QVERIFY(!bench_->view->isEnabled(Control::WriteFlash));  // the reply changes nothing
        bench_->seq->switchSupply(OperationSequencer::Supply::Off);
        QVERIFY(bench_->view->isEnabled(Control::WriteFlash));
        QCOMPARE(bench_->view->isEnabled(Control::WriteEeprom), eepromAfterOff);
        QCOMPARE(bench_->view->isEnabled(Control::ReadEeprom), eepromAfterOff);
    }

    void readEeprom_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("length");
        QTest::newRow("KR4116 2 KiB") << 7 << 2048;
        QTest::newRow("KR5813 1 KiB") << 12 << 1024;
    }

    void readEeprom() {
        QFETCH(int, chip);
        QFETCH(int, length);
        connectBoard(fastBoard());
        state_.chipIndex = chip;
        SimChip& target = bench_->backend->board().chip(chip);
        for (size_t i = 0; i < target.eeprom.size(); ++i)
            target.eeprom[i] = uint8_t(i % 253);
        bench_->backend->board().clearTrace();
        QVERIFY(bench_->seq->startReadEeprom());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 10000);
        QVERIFY(bench_->view->lastSuccess);
        QCOMPARE(bench_->view->eepromShown, 1);
        const uint8_t* got = chip == 7 ? bench_->image->readBuffer.data() + 0x9000
                                       : bench_->image->eepromReadBuffer.data();
        for (int i = 0; i < length; ++i)
            QCOMPARE(int(got[i]), i % 253);
        const auto t = trace();
        expectCommonStart(t, chip);
        QCOMPARE(int(t[2][1]), 0x90);
        QCOMPARE(t[2][3] << 8 | t[2][4], length);
        QCOMPARE(countCode(t, 0x90), 1 + length / 64);
        QCOMPARE(int(t.back()[1]), 0x87);
        QVERIFY(bench_->view->lines.contains(QStringLiteral("编程器:读EEPROM完成")));
    }

    void writeEepromOfKr4116() {
        connectBoard(fastBoard());
        state_.chipIndex = 5;
        for (int i = 0; i < 1024; ++i)
            bench_->image->writeBuffer[0x9000 + i] = uint8_t(i * 3);
        QVERIFY(bench_->seq->startWriteEeprom());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 10000);
        QVERIFY(bench_->view->lastSuccess);
        QCOMPARE(bench_->view->result, ProgramView::Result::Ok);
        QVERIFY(bench_->view->lines.contains(QStringLiteral("写EEPROM成功")));
        QVERIFY(bench_->view->lines.contains(QStringLiteral("共发现    0个单元不对!")));
        QCOMPARE(int(bench_->backend->board().chip(5).eeprom[1023]), int(uint8_t(1023 * 3)));
        const auto t = trace();
        QCOMPARE(countCode(t, 0x8E), 1);
        QCOMPARE(countCode(t, 0x87), 1);
    }

    void silentBoardEndsWithOneLeave() {
        SimOptions o = fastBoard();
        connectBoard(o);
        state_.chipIndex = 3;
        o.silentAfter =
            bench_->backend->board().received() + 1;  // the select-chip command goes unanswered
        bench_->backend->board().setOptions(o);
        bench_->backend->board().clearTrace();
        QVERIFY(bench_->seq->startReadFlash());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 5000);
        QVERIFY(!bench_->view->lastSuccess);
        QCOMPARE(bench_->view->lines.last(), QStringLiteral("等待数据超时!"));
        QTest::qWait(400);  // nothing else follows
        const auto t = trace();
        QCOMPARE(int(t.size()), 2);
        QCOMPARE(int(t[0][1]), 0x80);
        QCOMPARE(int(t[1][1]), 0x87);
        QVERIFY(bench_->view->isEnabled(Control::ReadFlash));
    }

    void bulkReadTimeoutEndsWithOneLeave() {
        SimOptions o = fastBoard();
        connectBoard(o);
        state_.chipIndex = 12;
        o.silentAfter = bench_->backend->board().received() + 5;  // a few blocks, then silence
        bench_->backend->board().setOptions(o);
        bench_->backend->board().clearTrace();
        QVERIFY(bench_->seq->startReadFlash());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 10000);
        QVERIFY(!bench_->view->lastSuccess);
        QVERIFY(bench_->view->lines.contains(QStringLiteral("等待数据超时!")));
        QCOMPARE(countCode(trace(), 0x87), 1);
        QCOMPARE(int(state_.transferMode), 0);
    }

    void readFailureIsReported() {
        SimOptions o = fastBoard();
        o.flashReadFail = 3;
        connectBoard(o);
        state_.chipIndex = 2;
        QVERIFY(bench_->seq->startReadFlash());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 5000);
        QVERIFY(!bench_->view->lastSuccess);
        QVERIFY(bench_->view->lines.contains(
            QStringLiteral("编程器:读FLASH CRC 出错，请重新连接烧录！")));
        QCOMPARE(countCode(trace(), 0x87), 1);
    }

    void boardPulledOutMidRead() {
        connectBoard(fastBoard());
        state_.chipIndex = 10;
        SimOptions o = bench_->backend->board().options();
        o.pullAfter = bench_->backend->board().received() + 40;
        bench_->backend->board().setOptions(o);
        bench_->backend->board().clearTrace();
        QVERIFY(bench_->seq->startReadFlash());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 5000);
        QVERIFY(!bench_->view->lastSuccess);
        QTRY_VERIFY(!bench_->transport->isConnected());
        QVERIFY(!bench_->seq->busy());
        QCOMPARE(int(state_.transferMode), 0);
        QVERIFY(bench_->view->isEnabled(Control::ReadFlash));
        QCOMPARE(countCode(trace(), 0x87), 0);  // nothing is sent to a board that is gone
    }

    void noBoardSaysSo() {
        connectBoard(fastBoard());
        bench_->transport->close();
        QVERIFY(!bench_->seq->startReadFlash());
        QCOMPARE(bench_->view->lines.last(), QStringLiteral("无USB设备!"));
        QVERIFY(bench_->view->isEnabled(Control::ReadFlash));
        QVERIFY(!bench_->seq->busy());
    }

    void enterProgrammingRefusedOnChip2() {
        SimOptions o = fastBoard();
        o.targetFail = true;
        connectBoard(o);
        state_.chipIndex = 2;
        QVERIFY(bench_->seq->startReadFlash());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 5000);
        QVERIFY(bench_->view->lines.contains(QStringLiteral("进入烧录模式失败!")));
        QCOMPARE(countCode(trace(), 0x86), 0);
    }

    void versionRefusedKeepsButtonsOff() {
        connectBoard(fastBoard());
        bench_->seq->setButtonsEnabled(false);
        QVERIFY(!bench_->view->isEnabled(Control::ReadFlash));
        QVERIFY(!bench_->view->isEnabled(Control::Power3V));
        QVERIFY(bench_->view->isEnabled(Control::ChipCombo));
        bench_->seq->setButtonsEnabled(true);
        QVERIFY(bench_->view->isEnabled(Control::ReadFlash));
    }

    void verifyCountsDifferences() {
        connectBoard(fastBoard());
        for (int i : {3, 50, 99})
            bench_->image->readBuffer[i] = 0x00;
        QCOMPARE(bench_->seq->verifyFlash(100), 3);
        QVERIFY(bench_->view->lines.contains(QStringLiteral("共发现    3个单元不对!")));
        QCOMPARE(bench_->view->lines.last(), QStringLiteral("请检查跳线连接及芯片状态"));
        QCOMPARE(bench_->view->result, ProgramView::Result::Ng);
        state_.language = 1;
        QCOMPARE(bench_->seq->verifyFlash(3), 0);
        QVERIFY(bench_->view->lines.contains(QStringLiteral("The Num Of Err Bytes :    0")));
        QCOMPARE(bench_->view->lines.last(), QStringLiteral("Program OK!"));
    }
};

QTEST_GUILESS_MAIN(SequencerTest)
#include "tst_sequencer.moc"
