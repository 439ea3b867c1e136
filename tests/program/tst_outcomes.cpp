// How every operation ends, against the faults of the simulated board: the reason key a
// script sees and the verdict line the user saw (which must also be in the log). The keys
// and lines are written out here as the board's documentation names them.
#undef QT_NO_CAST_FROM_ASCII
#include "link/configsource.h"
#include "simbench.h"

#include <QTest>

#include <functional>
#include <map>
#include <memory>

using namespace tessel;
using namespace tessel::test;

namespace {

std::vector<uint8_t> bytes(const char* hex) {
    std::vector<uint8_t> out;
    for (const QString& b : QString::fromLatin1(hex).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.push_back(static_cast<uint8_t>(b.toUInt(nullptr, 16)));
    return out;
}

// The pages as the sequences see them.
class Pages : public ConfigSource {
public:
    std::map<int, const char*> config{{3, "5c 01 02 03 04 05 06 07 08 09"},
                                      {5, "5c 01 02 03 04 06 06 07 08 09"},
                                      {11, "7f 7f ff 0d 4e 3f 1f ff 02 64 ef"}};
    std::map<int, const char*> trim{{5, "21 22 23 24 25"},
                                    {11, "7f 7f ff 0d 4e 3f 1f 18 64 ff 5a"}};

    std::array<uint8_t, 3> kr4121Words() override { return {0x0F, 0x87, 0x07}; }
    bool kr4121Locked() override { return false; }
    uint8_t cfg0(int) override { return 0x5C; }
    void showReadBack(int, const Report&) override {}
    std::vector<uint8_t> configWords(int chip) override { return bytes(config[chip]); }
    std::vector<uint8_t> wordZeroWords(int) override { return bytes("3c 5a 1f"); }
    std::vector<uint8_t> trimWords(int chip) override { return bytes(trim[chip]); }
};

}  // namespace

class OutcomesTest : public QObject {
    Q_OBJECT

    Pages pages_;

private Q_SLOTS:
    void faults_data() {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("sim");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("line");
        auto row = [](const char* name, const char* op, int chip, const char* sim, const char* key,
                      const char* line, bool english = false) {
            QTest::newRow(name) << QString::fromLatin1(op) << chip << QString::fromLatin1(sim)
                                << english << QString::fromLatin1(key) << QString::fromUtf8(line);
        };
        // The one-key write.
        row("write ok", "write", 1, "", "ok", "芯片烧录成功!");
        row("write ok en", "write", 11, "", "ok", "Program OK!", true);
        row("verify mismatch", "write", 1, "flip-flash=5", "verify-failed",
            "编程器:读FLASH CHECK出错，请重新连接烧录！");
        row("erase status", "write", 5, "erase-fail", "erase-failed", "擦除Mainblock命令CRC出错!");
        row("erase status en", "write", 7, "erase-fail", "erase-failed", "Erase Mainblock Error!",
            true);
        row("silence", "write", 1, "silent-after=3", "timeout", "等待数据超时!");
        row("silence en", "write", 1, "silent-after=3", "timeout", "Waiting for data timeout!",
            true);
        row("pull-out", "write", 1, "pull-after=4", "board-lost", "设备被拔出");
        row("wrong IC type MCU02", "write", 11, "wrong-ictype", "wrong-chip-type",
            "IC_TYPE芯片类型不对，请检查连接的芯片是否正确!");
        row("wrong IC type MCU01", "write", 8, "wrong-ictype", "wrong-chip-type",
            "ICTYPE不正确，请确认选择的芯片类型是否正确！");
        row("wrong IC type MCU01 en", "write", 8, "wrong-ictype", "wrong-chip-type",
            "Please Check ICTYPE！", true);
        row("target silent", "write", 2, "target-fail", "enter-programming-failed",
            "进入烧录模式失败!");
        row("flash crc", "write", 1, "flash-crc=1", "flash-write-crc", "编程器:写flash crc出错!");
        row("flash read crc", "write", 1, "flash-read-crc", "flash-read-failed",
            "编程器:读FLASH CRC 出错，请重新连接烧录！");
        row("word 0 crc", "write", 1, "cfg0-crc", "config-write-failed", "配置字0错误!");
        row("stopped", "write-stop", 1, "", "cancelled", "操作已中止!");
        row("no board", "write-closed", 1, "", "no-board", "无USB设备!");
        // Reads.
        row("read flash ok", "read-flash", 13, "", "ok", "编程器:读器件完成!");
        row("read flash fail", "read-flash", 3, "flash-read-fail=2", "flash-read-failed",
            "编程器:读FLASH CRC 出错，请重新连接烧录！");
        row("read config ok", "read-config", 11, "", "ok", "读配置完成，具体的测试厂信息有待确认");
        row("read config wrong IC", "read-config", 13, "wrong-ictype", "wrong-chip-type",
            "IC_TYPE芯片类型不对，请检查连接的芯片是否正确!");
        // EEPROM.
        row("eeprom ok", "eeprom-write", 11, "", "ok", "写EEPROM成功");
        row("eeprom mismatch", "eeprom-write", 11, "flip-eeprom=3", "verify-failed",
            "写EEPROM失败");
        row("eeprom erase", "eeprom-write", 5, "erase-fail", "eeprom-erase-failed",
            "擦除EEPROM的命令CRC出错!");
        row("eeprom read silence", "eeprom-read", 12, "silent-after=3", "timeout", "等待数据超时!");
        // Configuration write.
        row("config ok", "write-config", 11, "", "ok", "配置字写入正确!");
        row("config crc", "write-config", 11, "config-crc", "config-write-failed",
            "配置字CRC校验错误!");
        row("config protected", "write-config", 3, "inf-protect", "config-write-failed",
            "配置字写入错误!");
        row("info erase", "write-config", 5, "erase-fail", "erase-failed",
            "擦除InformationBlock命令CRC出错!");
        row("word 0,10,11 crc", "write-config", 11, "cfg0-crc", "config-write-failed",
            "配置字0,10,11写入错误!");
        // Trim.
        row("trim entry", "enter-trim", 13, "target-fail", "enter-programming-failed",
            "进入烧录模式失败!");
        row("trim ok", "write-trim", 5, "", "ok", "修调字写入正确!");
        row("trim crc", "write-trim", 5, "trim-crc", "trim-write-failed", "写修调命令CRC出错!");
        row("trim mismatch", "write-trim", 11, "flip-trim=2", "trim-write-failed",
            "修调字写入错误!");
        row("trim silence", "write-trim", 5, "silent-after=3", "timeout", "等待数据超时!");
    }

    void faults() {
        QFETCH(QString, operation);
        QFETCH(int, chip);
        QFETCH(QString, sim);
        QFETCH(bool, english);
        QFETCH(QString, key);
        QFETCH(QString, line);
        SimOptions options;
        QString error;
        QVERIFY2(SimOptions::parse(sim, &options, &error), qPrintable(error));
        // A state of its own: a write cut short leaves the next read verifying.
        SharedState state;
        state.chipIndex = chip;
        state.language = english ? 1 : 0;
        SimBench bench(state, options, &pages_);
        QVERIFY(bench.connected());
        for (uint32_t i = 0; i < 300; ++i)
            bench.image->writeBuffer[i] = static_cast<uint8_t>(i * 7 + 3);
        bench.image->imageLength = 300;
        OperationSequencer& seq = *bench.seq;
        RecordingView& view = *bench.view;

        const std::map<QString, std::function<bool()>> starts{
            {"write", [&] { return seq.startWriteFlash(); }},
            {"write-stop",
             [&] {
                 const bool started = seq.startWriteFlash();
                 seq.stopOperation();
                 return started;
             }},
            {"write-closed",
             [&] {
                 bench.transport->close();
                 QCoreApplication::processEvents();
                 return true;  // the start itself ends at once
             }},
            {"read-flash", [&] { return seq.startReadFlash(); }},
            {"read-config", [&] { return seq.startReadConfig(); }},
            {"eeprom-write", [&] { return seq.startWriteEeprom(); }},
            {"eeprom-read", [&] { return seq.startReadEeprom(); }},
            {"write-config", [&] { return seq.startWriteConfig(); }},
            {"enter-trim", [&] { return seq.enterTrimMode(); }},
            {"write-trim",
             [&] {
                 if (!seq.enterTrimMode() || !QTest::qWaitFor([&] { return view.finished == 1; }))
                     return false;
                 return seq.startWriteTrim();
             }},
        };
        const int ends = operation == QLatin1String("write-trim") ? 2 : 1;
        QVERIFY(starts.at(operation)());
        if (operation == QLatin1String("write-closed"))
            seq.startWriteFlash();
        QTRY_COMPARE_WITH_TIMEOUT(view.finished, ends, 10000);
        QTest::qWait(20);
        QCOMPARE(view.finished, ends);  // one end per operation, never two
        const Outcome& outcome = view.outcomes.last();
        QCOMPARE(QString::fromLatin1(reasonKey(outcome.reason)), key);
        QCOMPARE(outcome.text, line);
        QCOMPARE(outcome.ok(), key == QLatin1String("ok"));
        // The verdict is what the user saw (the board lost is said by whoever watches the
        // board; the sequences only end).
        if (key != QLatin1String("board-lost"))
            QVERIFY2(view.lines.contains(line), qPrintable(view.lines.join(QLatin1Char('\n'))));
        if (outcome.message)
            QCOMPARE(message(*outcome.message, state.language), line);
    }

    void supply_data() {
        QTest::addColumn<int>("supply");
        QTest::addColumn<QString>("sim");
        QTest::addColumn<bool>("english");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("line");
        using S = OperationSequencer::Supply;
        QTest::newRow("3V") << int(S::V3) << "" << false << "ok"
                            << "3V 上电成功!若要烧录相关操作,请先选择“掉电”!";
        QTest::newRow("5V en") << int(S::V5) << "" << true << "ok"
                               << "5V POWER ON OK!";
        QTest::newRow("off") << int(S::Off) << "" << false << "ok"
                             << "掉电成功!";
        QTest::newRow("3V fails") << int(S::V3) << "supply-fail" << false << "supply-failed"
                                  << "上电失败!请检查负载和调试版供电系统!";
        QTest::newRow("5V fails en") << int(S::V5) << "supply-fail" << true << "supply-failed"
                                     << "5V POWER ON Failed!";
        QTest::newRow("off fails") << int(S::Off) << "supply-fail" << false << "supply-failed"
                                   << "掉电失败!请检查调试版供电系统!";
    }

    // A supply switch is a single exchange: it reports its outcome without ending an
    // operation.
    void supply() {
        QFETCH(int, supply);
        QFETCH(QString, sim);
        QFETCH(bool, english);
        QFETCH(QString, key);
        QFETCH(QString, line);
        SimOptions options;
        QString error;
        QVERIFY2(SimOptions::parse(sim, &options, &error), qPrintable(error));
        SharedState state;
        state.language = english ? 1 : 0;
        SimBench bench(state, options, &pages_);
        QVERIFY(bench.connected());
        bench.seq->switchSupply(static_cast<OperationSequencer::Supply>(supply));
        QTRY_COMPARE_WITH_TIMEOUT(bench.view->supplies.size(), 1, 5000);
        const Outcome& outcome = bench.view->supplies.first();
        QCOMPARE(QString::fromLatin1(reasonKey(outcome.reason)), key);
        QCOMPARE(outcome.text, line);
        QVERIFY(bench.view->lines.contains(line));
        QCOMPARE(bench.view->finished, 0);
    }
};

QTEST_GUILESS_MAIN(OutcomesTest)
#include "tst_outcomes.moc"
