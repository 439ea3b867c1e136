// The chip catalogue: bounds, read lengths and the index rules everything else relies on.
#include "app/chipcatalogue.h"

#include <QTest>

using namespace tessel;

class CatalogueTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void entries_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("bound");
        QTest::addColumn<uint>("readLength");
        QTest::addColumn<bool>("eeprom");
        QTest::newRow("0") << 0 << "KR4121" << 16382u << 16382u << false;
        QTest::newRow("1") << 1 << "KR4111" << 8191u << 8191u << false;
        QTest::newRow("2") << 2 << "KR4112" << 32704u << 32704u << false;
        QTest::newRow("3") << 3 << "KR4152" << 16320u << 16320u << false;
        QTest::newRow("4") << 4 << "KR4161" << 32704u << 32704u << false;
        QTest::newRow("5") << 5 << "KR4115/56/17" << 16320u << 16320u << true;
        QTest::newRow("6") << 6 << "KR4115W/KR4113" << 16320u << 16320u << false;
        QTest::newRow("7") << 7 << "KR4116/4311/12A" << 30656u << 30656u << true;
        QTest::newRow("8") << 8 << "RO5812DA" << 16320u << 16320u << false;
        QTest::newRow("9") << 9 << "ZU5712RA16" << 16320u << 16320u << false;
        QTest::newRow("10") << 10 << "KR5815/KR5715" << 64512u << 64511u << true;
        QTest::newRow("11") << 11 << "KR5814" << 49152u << 49151u << true;
        QTest::newRow("12") << 12 << "KR5813/KR5713" << 32768u << 32767u << true;
        QTest::newRow("13") << 13 << "VE5812DUZI" << 15360u << 16384u << true;
    }

    void entries() {
        QFETCH(int, index);
        QFETCH(QString, text);
        QFETCH(uint, bound);
        QFETCH(uint, readLength);
        QFETCH(bool, eeprom);
        const ChipInfo& c = chipInfo(index);
        QCOMPARE(c.index, index);
        QCOMPARE(QString::fromUtf8(c.comboText), text);
        QCOMPARE(c.maxImageLength, bound);
        QCOMPARE(c.flashReadLength, readLength);
        QCOMPARE(c.eepromOperations, eeprom);
        QCOMPARE(chipIndexFromText(text), index);
        QCOMPARE(chipIndexFromText(QString::number(index)), index);
    }

    void sharedPages() {
        QCOMPARE(QString::fromUtf8(chipInfo(3).configPageClass), QStringLiteral("CKR4113Confg"));
        QCOMPARE(chipInfo(4).configPageClass, chipInfo(6).configPageClass);
        QCOMPARE(chipInfo(5).trimPageClass, chipInfo(7).trimPageClass);
        QCOMPARE(chipInfo(10).configTemplate, chipInfo(12).configTemplate);
        QCOMPARE(QString::fromUtf8(chipInfo(8).trimPageClass), QStringLiteral("MCU01Adt"));
    }

    // What each chip does differently, one string per chip written from the board's
    // documentation: config step (K three words, W word 0, -), then flags for
    // configuration write, enter status, leave status, erase status, read-back on the page,
    // protection byte; EEPROM (-, F in flash buffers, S switchable) and its size; debug link
    // (U UART, I IIC); frames (S short, 24, 32); key flags; CSV key flags; Differ (+ raw
    // minus baseline, - baseline minus raw); mass-production modes.
    void traits_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("expected");
        const char* rows[] = {
            // ... | configuration words, read CRCs, trim words, trim status, model bit
            "K 000000 -0 U S 00 + 0 | 3 2 3 0 -",
            "W 100000 -0 U S 00 + 0 | 7 3 4 0 -",
            "W 110000 -0 U S 00 + 0 | 9 3 5 0 -",
            "W 111000 -0 I 24 11 + 0 | 10 3 5 0 5.1=0",
            "W 111000 -0 I 24 11 + 0 | 10 3 5 0 5.1=1",
            "W 111100 F2048 I 24 11 + 0 | 10 3 5 1 5.0=0",
            "W 111000 -0 I 24 11 + 0 | 10 3 5 0 5.1=0",
            "W 111100 F2048 I 24 11 + 0 | 10 3 5 1 5.0=1",
            "W 111100 -0 I 24 11 - 0 | 8 7 8 1 1.0=1",
            "W 111100 -0 I 24 11 - 0 | 8 7 8 1 1.0=0",
            "- 111111 S1024 I 32 10 - 1 | 14 14 11 1 -",
            "- 111111 S1024 I 32 10 - 1 | 14 14 11 1 -",
            "- 111111 S1024 I 32 10 - 1 | 14 14 11 1 -",
            "- 111101 S1024 I 32 10 - 0 | 31 2 38 1 -",
        };
        for (int i = 0; i < kChipCount; ++i)
            QTest::newRow(qPrintable(QString::number(i))) << i << QString::fromLatin1(rows[i]);
    }

    void traits() {
        QFETCH(int, index);
        QFETCH(QString, expected);
        const ChipInfo& c = chipInfo(index);
        auto bit = [](bool b) { return b ? QLatin1Char('1') : QLatin1Char('0'); };
        QString s;
        s += c.programConfig == ProgramConfigStep::Kr4121Words ? QLatin1Char('K')
             : c.programConfig == ProgramConfigStep::Word0     ? QLatin1Char('W')
                                                               : QLatin1Char('-');
        s += QLatin1Char(' ');
        for (bool b : {c.configWrite, c.enterStatus, c.leaveStatus, c.eraseStatus, c.readBackOnPage,
                       c.protectionByte})
            s += bit(b);
        s += QLatin1Char(' ');
        s += c.eeprom == EepromKind::None             ? QLatin1Char('-')
             : c.eeprom == EepromKind::InFlashBuffers ? QLatin1Char('F')
                                                      : QLatin1Char('S');
        s += QString::number(c.eepromSize);
        s += c.debugLink == DebugLink::Uart ? QStringLiteral(" U ") : QStringLiteral(" I ");
        s += c.frames == DebugFrameFamily::Short       ? QStringLiteral("S")
             : c.frames == DebugFrameFamily::Counter24 ? QStringLiteral("24")
                                                       : QStringLiteral("32");
        s += QLatin1Char(' ');
        s += bit(c.keyFlags);
        s += bit(c.csvKeyFlags);
        s += c.differ == DifferSign::RawMinusBaseline ? QStringLiteral(" + ")
                                                      : QStringLiteral(" - ");
        s += bit(c.massProductionModes);
        s += QStringLiteral(" | %1 %2 %3 ").arg(c.configWords).arg(c.readCrcs).arg(c.trimWords);
        s += bit(c.trimStatus);
        s += c.modelBit.word < 0 ? QStringLiteral(" -")
                                 : QStringLiteral(" %1.%2=%3")
                                       .arg(c.modelBit.word)
                                       .arg(c.modelBit.bit)
                                       .arg(bit(c.modelBit.set));
        QCOMPARE(s, expected);
        QCOMPARE(c.eepromOperations, c.eeprom != EepromKind::None);
    }

    void catalogueIsInIndexOrder() {
        for (int i = 0; i < kChipCount; ++i)
            QCOMPARE(kChipCatalogue[static_cast<std::size_t>(i)].index, i);
    }

    void storedIndexSanitised_data() {
        QTest::addColumn<qlonglong>("stored");
        QTest::addColumn<int>("index");
        QTest::newRow("0") << 0LL << 0;
        QTest::newRow("13") << 13LL << 13;
        QTest::newRow("14") << 14LL << 0;
        QTest::newRow("-1") << -1LL << 0;
        QTest::newRow("huge") << 4294967296LL << 0;
    }

    void storedIndexSanitised() {
        QFETCH(qlonglong, stored);
        QFETCH(int, index);
        QCOMPARE(sanitizeChipIndex(stored), index);
    }

    void families() {
        QCOMPARE(protocolFamily(2), 0);
        QCOMPARE(protocolFamily(3), 1);
        QVERIFY(debugFrameFamily(2) == DebugFrameFamily::Short);
        QVERIFY(debugFrameFamily(9) == DebugFrameFamily::Counter24);
        QVERIFY(debugFrameFamily(10) == DebugFrameFamily::Counter32);
        QCOMPARE(chipIndexFromText(QStringLiteral("kr5814")), 11);
        QCOMPARE(chipIndexFromText(QStringLiteral("KR9999")), -1);
        QCOMPARE(chipIndexFromText(QStringLiteral("14")), -1);
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "tst_catalogue.moc"
