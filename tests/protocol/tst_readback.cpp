// Where the board's configuration and trim replies carry each byte, per chip (written from the
// board's reply layouts), and the configuration read-back's log lines in both languages.
#include "app/sharedstate.h"
#include "link/configreadback.h"
#include "link/readback.h"

#include <QTest>

using namespace tessel;

namespace {

struct Lines : LogSink {
    QStringList lines;
    void appendLog(const QString& line) override { lines << line; }
};

}  // namespace

class ReadBackTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // payload, words, read status, write status, CFG0 read, CFG1 read, ~CFG1 read, first CRC
    // read, ICTYPE, protection, CFG0 after a write, trim words, trim read-back, trim status.
    void positions_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QList<int>>("expected");
        QTest::newRow("0") << 0 << QList<int>{3, 3, 19, 26, 2, 3, -1, 5, -1, -1, 12, 3, 7, -1};
        QTest::newRow("1") << 1 << QList<int>{7, 7, 19, 26, 2, 3, -1, 9, -1, -1, 12, 4, 7, -1};
        QTest::newRow("2") << 2 << QList<int>{9, 9, 19, 26, 2, 3, -1, 11, -1, -1, 12, 5, 7, -1};
        QTest::newRow("4") << 4 << QList<int>{10, 10, 19, 26, 2, 3, -1, 12, -1, -1, 12, 5, 7, -1};
        QTest::newRow("5") << 5 << QList<int>{10, 10, 19, 26, 2, 3, -1, 12, -1, -1, 12, 5, 7, 16};
        QTest::newRow("9") << 9 << QList<int>{15, 8, 27, 50, 2, 3, 4, 17, 25, -1, 49, 8, 10, 18};
        QTest::newRow("11") << 11
                            << QList<int>{22, 14, 54, 62, 38, 2, 3, 24, 41, 53, 61, 11, 13, 24};
        QTest::newRow("13") << 13
                            << QList<int>{50, 31, 47, 62, 52, 2, 3, 57, 55, 53, 61, 38, 2, 40};
        QTest::newRow("outside") << 14
                                 << QList<int>{0, 0, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, -1, -1};
    }

    void positions() {
        QFETCH(int, chip);
        QFETCH(QList<int>, expected);
        using namespace readback;
        const QList<int> got = {configPayloadLength(chip), configWordCount(chip),
                                readStatusPos(chip),       writeStatusPos(chip),
                                readWordPos(chip, 0),      readWordPos(chip, 1),
                                readInversePos(chip, 1),   readCrcPos(chip, chip >= 10 ? 0 : 1),
                                icTypePos(chip),           protectPos(chip),
                                writeWordPos(chip, 0),     trimWordCount(chip),
                                trimReadBackPos(chip),     trimStatusPos(chip)};
        QCOMPARE(got, expected);
    }

    // The per-chip odd ones out: the KR4121's two CRCs, the KR4111's word count, the MCU04's
    // missing ~CFG23 and its CRC30, the MCU02 words outside the pairs, the model bits.
    void details() {
        using namespace readback;
        QCOMPARE(readCrcPos(0, 2), 6);
        QCOMPARE(readCrcPos(0, 3), kNone);
        QCOMPARE(readCrcPos(1, 3), 11);
        QCOMPARE(readInversePos(13, 23), kNone);
        QCOMPARE(readInversePos(13, 22), 45);
        QCOMPARE(readCrcPos(13, 30), 58);
        QCOMPARE(readWordPos(13, 30), 54);
        QCOMPARE(readWordPos(10, 10), 39);
        QCOMPARE(readWordPos(10, 12), 20);
        QCOMPARE(readCrcPos(12, 13), 37);
        QCOMPARE(vd15Pos(12), 43);
        QCOMPARE(writeInversePos(8, 7), 35);
        QCOMPARE(writeCrcPos(13, 8), 60);
        QCOMPARE(writeCompareStart(13), 2);
        QCOMPARE(writeEchoPos(13), kNone);
        QCOMPARE(cfg0WordCount(12), 3);
        QCOMPARE(cfg0ReadBackPos(13), 7);
        QCOMPARE(cfg0StatusPos(3), kNone);
        QCOMPARE(trimEchoPos(13), kNone);
        QCOMPARE(readback::configCopyLength(7), 15);
        QCOMPARE(readback::configCopyLength(12), 22);
        QCOMPARE(eepromEnable(11).byte, 16);
        QCOMPARE(eepromEnable(11).bit, 1);
        QCOMPARE(eepromEnable(13).byte, 22);
        QCOMPARE(eepromEnable(5).byte, kNone);
        QCOMPARE(variantBit(6, false).byte, 7);
        QCOMPARE(variantBit(6, false).bit, 1);
        QCOMPARE(variantBit(7, true).byte, 17);
        QCOMPARE(variantBit(7, true).bit, 0);
        QCOMPARE(variantBit(8, true).byte, 22);
        QCOMPARE(variantBit(2, false).byte, kNone);
        QVERIFY(variantBitValue(4) && variantBitValue(7) && variantBitValue(8));
        QVERIFY(!variantBitValue(3) && !variantBitValue(5) && !variantBitValue(9));
    }

    // The MCU02 and MCU04 read lines choose the language; the Chinese ones stay as they were.
    void readLines_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("10 zh ictype")
            << 10 << 0 << 0 << QStringLiteral("读回IC_TYPE：0x0a,IC_TYPE的反码：0xf5");
        QTest::newRow("10 en ictype")
            << 10 << 1 << 0 << QStringLiteral("Read back IC_TYPE: 0x0a, inverse of IC_TYPE: 0xf5");
        QTest::newRow("11 en vd15")
            << 11 << 1 << 1 << QStringLiteral("Read back VD15: 0x2a, inverse of VD15: 0xd5");
        QTest::newRow("12 en words 1-6")
            << 12 << 1 << 3 << QStringLiteral("Read back CFG1-6: 0x11 0x12 0x13 0x14 0x15 0x16");
        QTest::newRow("12 zh inverses 12,13")
            << 12 << 0 << 8 << QStringLiteral("读回配置字取反码12,13: 0xe3 0xe2");
        QTest::newRow("12 en crc13")
            << 12 << 1 << 22 << QStringLiteral("Programmer: read back CRC13: 0x0d");
        QTest::newRow("12 en verdict")
            << 12 << 1 << 23 << QStringLiteral("Config CRC and inverse code check OK!");
        QTest::newRow("13 en words 0,30")
            << 13 << 1 << 1 << QStringLiteral("Read back CFG0,30:0x0f  0x2e");
        QTest::newRow("13 en inverses 19-25")
            << 13 << 1 << 9
            << QStringLiteral("Read back inverse CFG19-25: 0xdc 0xdb 0xda 0xd9 0x00 0xd7 0xd6");
        QTest::newRow("13 zh crc30") << 13 << 0 << 11 << QStringLiteral("编程器:读回CRC30: 0x1e");
        QTest::newRow("3 en stays Chinese")
            << 3 << 1 << 1
            << QStringLiteral("读回配置字1-9:0x11 0x12 0x13 0x14 0x15 0x16 0x17 0x18 0x19");
    }

    void readLines() {
        QFETCH(int, chip);
        QFETCH(int, language);
        QFETCH(int, line);
        QFETCH(QString, expected);
        Report r{};
        // Words k at their positions hold 0x10 + k, inverses 0xFF - (0x10 + k), CRC k holds k.
        for (int w = 0; w <= 31; ++w) {
            const int p = readback::readWordPos(chip, w);
            const int q = readback::readInversePos(chip, w);
            if (p >= 0)
                r[p] = static_cast<uint8_t>(w == 0 ? 0x0F : 0x10 + w);
            if (q >= 0)
                r[q] = static_cast<uint8_t>(0xFF - (0x10 + w));
            const int c = readback::readCrcPos(chip, w);
            if (c >= 0)
                r[c] = static_cast<uint8_t>(w);
        }
        if (readback::icTypePos(chip) >= 0) {
            r[readback::icTypePos(chip)] = static_cast<uint8_t>(chip);
            r[readback::icTypeInversePos(chip)] = static_cast<uint8_t>(~chip);
        }
        if (readback::vd15Pos(chip) >= 0) {
            r[43] = 0x2a;
            r[44] = 0xd5;
        }
        r[readback::readStatusPos(chip)] = 1;
        SharedState state;
        state.language = static_cast<uint8_t>(language);
        Lines log;
        judgeConfigReadBack(chip, r, false, state, log);
        QVERIFY2(line < log.lines.size(), qPrintable(log.lines.join(QLatin1Char('\n'))));
        QCOMPARE(log.lines.at(line), expected);
    }

    // The read-back judges each family's status and model bits.
    void verdicts_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("modelByte");
        QTest::addColumn<bool>("passed");
        QTest::addColumn<QString>("last");
        QTest::newRow("3 bit 1 clear")
            << 3 << 1 << 0x00 << true << QStringLiteral("配置字CRC校验正确!");
        QTest::newRow("3 bit 1 set")
            << 3 << 1 << 0x02 << false << QStringLiteral("配置字CRC校验错误!");
        QTest::newRow("7 bit 0 set")
            << 7 << 1 << 0x01 << true << QStringLiteral("配置字CRC校验正确!");
        QTest::newRow("7 bit 0 clear")
            << 7 << 1 << 0x00 << false << QStringLiteral("配置字CRC校验错误!");
        QTest::newRow("8 chip bit set")
            << 8 << 1 << 0x01 << true << QStringLiteral("Config CRC Check OK!");
        QTest::newRow("9 chip bit set")
            << 9 << 1 << 0x01 << false << QStringLiteral("Config CRC Check NG!");
        QTest::newRow("9 wrong ic")
            << 9 << 3 << 0x00 << false << QStringLiteral("Please Check ICTYPE！");
        QTest::newRow("10 command crc")
            << 10 << 2 << 0x00 << false << QStringLiteral("Programmer command CRC or ACK error!");
        QTest::newRow("13 wrong ic")
            << 13 << 3 << 0x00 << false
            << QStringLiteral("Wrong IC_TYPE: check that the connected chip is the one selected!");
        QTest::newRow("13 other") << 13 << 4 << 0x00 << false
                                  << QStringLiteral("Config CRC and inverse code check NG!");
    }

    void verdicts() {
        QFETCH(int, chip);
        QFETCH(int, status);
        QFETCH(int, modelByte);
        QFETCH(bool, passed);
        QFETCH(QString, last);
        Report r{};
        r[3] = 0x87;
        const int statusAt[] = {19, 19, 19, 19, 19, 19, 19, 19, 27, 27, 54, 54, 54, 47};
        r[statusAt[chip]] = static_cast<uint8_t>(status);
        r[chip <= 7 ? 7 : 3] = static_cast<uint8_t>(modelByte);  // slot 5, or CFG1
        SharedState state;
        state.language = 1;
        Lines log;
        const ReadBackVerdict v = judgeConfigReadBack(chip, r, false, state, log);
        QCOMPARE(v == ReadBackVerdict::Passed, passed);
        QCOMPARE(log.lines.last(), last);
    }
};

QTEST_GUILESS_MAIN(ReadBackTest)
#include "tst_readback.moc"
