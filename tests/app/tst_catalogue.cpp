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
