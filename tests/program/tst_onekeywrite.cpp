// The one-key write, the configuration read and the EEPROM write on every chip family,
// end to end on the simulated board, checked through the reports the board received.
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/configsource.h"
#include "link/sequencer.h"
#include "sim/simboard.h"
#include "simbench.h"

#include <QTest>

#include <memory>

using namespace tessel;
using namespace tessel::test;

namespace {

// The configuration page as the sequences see it.
class FakeConfig : public ConfigSource {
public:
    std::array<uint8_t, 3> words{0x0F, 0x87, 0x07};
    bool locked = false;
    uint8_t cfg0Value = 0x5C;
    int readBacksShown = 0;
    std::array<uint8_t, 3> kr4121Words() override { return words; }
    bool kr4121Locked() override { return locked; }
    uint8_t cfg0(int) override { return cfg0Value; }
    void showReadBack(int, const Report&) override { ++readBacksShown; }
};

QList<int> codes(const std::vector<Report>& trace) {
    QList<int> out;
    for (const Report& r : trace)
        out << r[1];
    return out;
}

int count(const std::vector<Report>& trace, uint8_t code) {
    return static_cast<int>(std::count_if(trace.begin(), trace.end(),
                                          [code](const Report& r) { return r[1] == code; }));
}

}  // namespace

class OneKeyWriteTest : public QObject {
    Q_OBJECT

    SharedState state_;
    std::unique_ptr<SimBench> bench_;
    FakeConfig config_;
    ScriptedPrompts prompts_;

    void connectBoard(SimOptions o = {}) {
        bench_ = std::make_unique<SimBench>(state_, o, &config_, &prompts_);
        QVERIFY(bench_->connected());
    }

    void loadImage(int length) {
        for (int i = 0; i < length; ++i)
            bench_->image->writeBuffer[i] = static_cast<uint8_t>(i * 5 + 1);
        bench_->image->imageLength = length;
        bench_->image->imageLoaded = true;
        bench_->image->freshlyOpened = true;
    }

    bool runWrite(int chip, int length = 100) {
        state_.chipIndex = chip;
        loadImage(length);
        if (!bench_->seq->startWriteFlash())
            return false;
        if (!QTest::qWaitFor([this] { return bench_->view->finished == 1; }, 20000))
            return false;
        QTest::qWait(20);
        return bench_->view->lastSuccess;
    }

    std::vector<Report> trace() { return bench_->trace(); }

private Q_SLOTS:
    void init() {
        state_.language = 0;
        state_.verifyAfterWrite = 0;
        config_ = FakeConfig();
        prompts_ = ScriptedPrompts();
    }

    void cleanup() { bench_.reset(); }

    void kr4111WritesAHundredBytes() {
        connectBoard();
        QVERIFY(runWrite(1));
        const auto t = trace();
        const QList<int> expected{0x80, 0x81, 0x82, 0x83, 0x84, 0x85,
                                  0x00, 0x00, 0x86, 0x86, 0x86, 0x87};
        QList<int> got = codes(t);
        got[6] = got[7] = 0;  // data reports carry image bytes, not a code
        QCOMPARE(got, expected);
        QCOMPARE(int(t[4][2]), 0x5C);                           // CFG0 of the page
        QCOMPARE(t[5][2] << 8 | t[5][3], 100);                  // write header: length 100
        QCOMPARE(int(t[7][1 + 35]), int(uint8_t(99 * 5 + 1)));  // last image byte
        QCOMPARE(int(t[7][1 + 36]), 0xFF);                      // filler
        QCOMPARE(t[8][3] << 8 | t[8][4], 100);                  // read header: 100, not 8191
        QCOMPARE(int(t[10][2]), 36);
        QVERIFY(bench_->view->lines.contains(QStringLiteral("配置字0正确!")));
        QVERIFY(bench_->view->lines.contains(QStringLiteral("共发现    0个单元不对!")));
        QCOMPARE(bench_->view->lines.last(), QStringLiteral("芯片烧录成功!"));
        QCOMPARE(bench_->view->result, ProgramView::Result::Ok);
        QCOMPARE(int(bench_->backend->board().chip(1).flash[99]), int(uint8_t(99 * 5 + 1)));
    }

    void everyChipWrites_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("cfg0Write");
        for (int chip = 0; chip < 14; ++chip) {
            QTest::addRow("chip %d", chip) << chip << (chip >= 1 && chip <= 9);
        }
    }

    void everyChipWrites() {
        QFETCH(int, chip);
        QFETCH(bool, cfg0Write);
        connectBoard();
        QVERIFY(runWrite(chip, 300));
        const auto t = trace();
        QCOMPARE(count(t, 0x84), cfg0Write ? 1 : 0);
        QCOMPARE(count(t, 0x89), chip == 0 ? 1 : 0);
        QCOMPARE(count(t, 0x87), 1);
        QCOMPARE(int(t.back()[1]), 0x87);
    }

    void kr5814ErasesWithItsProtectionByte() {
        connectBoard();
        bench_->backend->board().chip(11).protect = 0x5A;
        QVERIFY(runWrite(11));
        const auto t = trace();
        QCOMPARE(int(t[3][1]), 0x83);
        QCOMPARE(int(t[3][2]), 0x5A);
        QVERIFY(bench_->view->lines.contains(QStringLiteral("MAIN PASSWORD : 5a")));
    }

    void kr4121Lock_data() {
        QTest::addColumn<bool>("locked");
        QTest::newRow("unlocked") << false;
        QTest::newRow("locked") << true;
    }

    void kr4121Lock() {
        QFETCH(bool, locked);
        connectBoard();
        SimChip& chip = bench_->backend->board().chip(0);
        chip.cfg[0] = 0x3C;
        chip.cfg[1] = 0xC7;
        config_.locked = locked;
        config_.words = {0x11, 0x87, 0x22};
        QVERIFY(runWrite(0));
        const auto t = trace();
        const Report& write = t[4];
        QCOMPARE(int(write[1]), 0x89);
        QCOMPARE(int(write[2]), locked ? 0x3C : 0x11);
        QCOMPARE(int(write[3]), locked ? 0xC7 : 0x87);
        QCOMPARE(int(write[4]), 0x22);
        QVERIFY(bench_->view->lines.contains(
            locked ? QStringLiteral("编程器:写入配置字: 锁定 锁定 0x22")
                   : QStringLiteral("编程器:写入配置字: 0x11 0x87 0x22")));
        QVERIFY(bench_->view->lines.contains(QStringLiteral("写入配置字正确!")));
    }

    void enterProgrammingRefused_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("readsConfig");
        QTest::newRow("KR4121 goes on") << 0 << true;
        QTest::newRow("KR4112 ends") << 2 << false;
    }

    void enterProgrammingRefused() {
        QFETCH(int, chip);
        QFETCH(bool, readsConfig);
        SimOptions o;
        o.targetFail = true;
        connectBoard(o);
        QVERIFY(!runWrite(chip));
        const auto t = trace();
        QCOMPARE(count(t, 0x82), readsConfig ? 1 : 0);
        QCOMPARE(count(t, 0x83), 0);
        QCOMPARE(count(t, 0x87), 1);
        QCOMPARE(bench_->view->lines.contains(QStringLiteral("进入烧录模式失败!")), !readsConfig);
        QCOMPARE(bench_->view->result, ProgramView::Result::Ng);
    }

    void wrongChipOnTheConnector_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("line");
        QTest::newRow("KR4161 variant") << 4 << "配置字CRC校验错误!";
        QTest::newRow("KR4116 variant") << 7 << "配置字CRC校验错误!";
        QTest::newRow("RO5812DA") << 8 << "ICTYPE不正确，请确认选择的芯片类型是否正确！";
        QTest::newRow("KR5815") << 10 << "IC_TYPE芯片类型不对，请检查连接的芯片是否正确!";
        QTest::newRow("KR5813") << 12 << "IC_TYPE芯片类型不对，请检查连接的芯片是否正确!";
        QTest::newRow("VE5812DUZI") << 13 << "IC_TYPE芯片类型不对，请检查连接的芯片是否正确!";
    }

    void wrongChipOnTheConnector() {
        QFETCH(int, chip);
        QFETCH(QString, line);
        SimOptions o;
        o.wrongIcType = true;
        connectBoard(o);
        QVERIFY(!runWrite(chip));
        QVERIFY(bench_->view->lines.contains(line));
        const auto t = trace();
        QCOMPARE(count(t, 0x83), 0);  // never erased
        QCOMPARE(count(t, 0x87), 1);
    }

    void mcu01ChipBit_data() {
        QTest::addColumn<int>("chip");
        QTest::newRow("RO5812DA") << 8;
        QTest::newRow("ZU5712RA16") << 9;
    }

    void mcu01ChipBit() {
        QFETCH(int, chip);
        connectBoard();
        QVERIFY(runWrite(chip));
        QVERIFY(bench_->view->lines.contains(QStringLiteral("配置字CRC校验正确!")));
    }

    void transferFaultsEndWithOneLeave_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("line");
        QTest::newRow("CRC error") << "flash-crc=2"
                                   << "编程器:写flash crc出错!";
        QTest::newRow("verify mismatch") << "flip-flash=40"
                                         << "编程器:读FLASH CHECK出错，请重新连接烧录！";
        QTest::newRow("silence") << "silent-after=9"
                                 << "等待数据超时!";
    }

    void transferFaultsEndWithOneLeave() {
        QFETCH(QString, fault);
        QFETCH(QString, line);
        SimOptions o;
        QString error;
        QVERIFY2(SimOptions::parse(fault, &o, &error), qPrintable(error));
        connectBoard(o);
        QVERIFY(!runWrite(3, 200));
        QTest::qWait(150);
        QVERIFY(bench_->view->lines.contains(line));
        QCOMPARE(bench_->view->result, ProgramView::Result::Ng);
        if (!fault.startsWith(QLatin1String("silent")))
            QCOMPARE(count(trace(), 0x87), 1);
    }

    void imageOutsideTheBoundIsRefusedBeforeAnythingIsSent_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << 3 << 0 << "KR4152不支持超过16k的文件!";
        QTest::newRow("too long") << 1 << 8192 << "KR4111A不支持超过8k的文件!";
    }

    void imageOutsideTheBoundIsRefusedBeforeAnythingIsSent() {
        QFETCH(int, chip);
        QFETCH(int, length);
        QFETCH(QString, message);
        connectBoard();
        state_.chipIndex = chip;
        loadImage(length);
        QVERIFY(!bench_->seq->startWriteFlash());
        QCOMPARE(prompts_.messages, QStringList{message});
        QCOMPARE(prompts_.warnings, QStringList{message});    // with the warning icon
        QCOMPARE(bench_->view->lines, QStringList{message});  // and kept in the log
        QVERIFY(trace().empty());
        QVERIFY(!bench_->seq->busy());
    }

    void readConfig_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("last");
        QTest::addColumn<int>("shown");
        QTest::newRow("KR4111") << 1 << "配置字CRC校验正确!" << 0;
        QTest::newRow("ZU5712RA16") << 9 << "配置字CRC校验正确!" << 0;
        QTest::newRow("KR5814") << 11 << "读配置完成，具体的测试厂信息有待确认" << 1;
        QTest::newRow("VE5812DUZI") << 13 << "配置字CRC以及反码校验正确!" << 0;
    }

    void readConfig() {
        QFETCH(int, chip);
        QFETCH(QString, last);
        QFETCH(int, shown);
        connectBoard();
        state_.chipIndex = chip;
        QVERIFY(bench_->seq->startReadConfig());
        QTRY_COMPARE(bench_->view->finished, 1);
        QVERIFY(bench_->view->lastSuccess);
        QCOMPARE(bench_->view->lines.last(), last);
        QCOMPARE(config_.readBacksShown, shown);
        QCOMPARE(codes(trace()), (QList<int>{0x80, 0x81, 0x82, 0x87}));
        QCOMPARE(int(bench_->seq->configCopy()[0]),
                 int(bench_->backend->board().chip(chip).word(chip >= 10 ? 1 : 0)));
    }

    void writeEeprom_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QList<int>>("sequence");
        QTest::newRow("KR4116") << 7 << true << QList<int>{0x80, 0x81, 0x8E, 0x8F};
        QTest::newRow("KR5813") << 12 << true << QList<int>{0x80, 0x81, 0x82, 0x8E, 0x8F};
        QTest::newRow("KR5813 disabled") << 12 << false << QList<int>{0x80, 0x81, 0x82, 0x87};
    }

    void writeEeprom() {
        QFETCH(int, chip);
        QFETCH(bool, enabled);
        QFETCH(QList<int>, sequence);
        connectBoard();
        state_.chipIndex = chip;
        SimChip& target = bench_->backend->board().chip(chip);
        if (!enabled)
            target.cfg[8] &= ~0x02;
        uint8_t* source = chip == 7 ? bench_->image->writeBuffer.data() + 0x9000
                                    : bench_->image->eepromWriteBuffer.data();
        for (int i = 0; i < 1024; ++i)
            source[i] = static_cast<uint8_t>(i ^ 0x5A);
        QVERIFY(bench_->seq->startWriteEeprom());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 10000);
        QCOMPARE(bench_->view->lastSuccess, enabled);
        const QList<int> got = codes(trace()).mid(0, sequence.size());
        QCOMPARE(got, sequence);
        QCOMPARE(count(trace(), 0x87), 1);
        if (enabled) {
            QCOMPARE(int(target.eeprom[1023]), int(uint8_t(1023 ^ 0x5A)));
            QCOMPARE(bench_->view->lines.last(), QStringLiteral("写EEPROM成功"));
        } else {
            QCOMPARE(bench_->view->lines.last(),
                     QStringLiteral("EEPROM功能已经关闭，结束操作，请重新配置"));
        }
    }

    // The board writes 1024 bytes: a 2 KiB image with data above them is not on the chip.
    void eepromBeyondWhatTheBoardWrites_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("at");  // offset of the one programmed byte, -1 none
        QTest::addColumn<QStringList>("tail");
        const QStringList unwritten{QStringLiteral("-------------------效验结束------------------"),
                                    QStringLiteral("EEPROM数据超过1024字节的部分未写入"),
                                    QStringLiteral("写EEPROM失败")};
        const QStringList written{QStringLiteral("共发现    0个单元不对!"),
                                  QStringLiteral("-------------------效验结束------------------"),
                                  QStringLiteral("写EEPROM成功")};
        QTest::newRow("KR4115 upper half") << 5 << 0 << 1500 << unwritten;
        QTest::newRow("KR4116 last byte") << 7 << 0 << 2047 << unwritten;
        QTest::newRow("KR4116 English")
            << 7 << 1 << 1024
            << QStringList{QStringLiteral("-------------------效验结束------------------"),
                           QStringLiteral("EEPROM data beyond 1024 bytes was not written"),
                           QStringLiteral("写EEPROM失败")};
        QTest::newRow("KR4116 lower half") << 7 << 0 << 1023 << written;
        QTest::newRow("KR4115 erased") << 5 << 0 << -1 << written;
    }

    void eepromBeyondWhatTheBoardWrites() {
        QFETCH(int, chip);
        QFETCH(int, language);
        QFETCH(int, at);
        QFETCH(QStringList, tail);
        connectBoard();
        state_.chipIndex = chip;
        state_.language = static_cast<uint8_t>(language);
        if (at >= 0)
            bench_->image->writeBuffer[0x9000 + at] = 0x12;
        QVERIFY(bench_->seq->startWriteEeprom());
        QTRY_COMPARE_WITH_TIMEOUT(bench_->view->finished, 1, 10000);
        const bool ok = tail.last() == QStringLiteral("写EEPROM成功");
        QCOMPARE(bench_->view->lastSuccess, ok);
        QCOMPARE(bench_->view->result, ok ? ProgramView::Result::Ok : ProgramView::Result::Ng);
        QCOMPARE(bench_->view->lines.mid(bench_->view->lines.size() - 3), tail);
        QCOMPARE(count(trace(), 0x87), 1);
        if (at >= 0 && at < 1024)
            QCOMPARE(int(bench_->backend->board().chip(chip).eeprom[at]), 0x12);
        // All 2048 bytes are compared: the byte the board could not write counts, but the
        // wiring is not blamed for it.
        if (at >= 1024) {
            QVERIFY(bench_->view->lines.contains(QStringLiteral("共发现    1个单元不对!")));
            QVERIFY(!bench_->view->lines.contains(QStringLiteral("请检查跳线连接及芯片状态")));
        }
    }
};

QTEST_GUILESS_MAIN(OneKeyWriteTest)
#include "tst_onekeywrite.moc"
