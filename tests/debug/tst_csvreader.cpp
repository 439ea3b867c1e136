// Debug data files read back: every family's columns, a file a second pause appended to, and
// files that are not such a CSV refused at the right line.
#include "debug/csvreader.h"
#include "debug/debugcsv.h"

#include <QTest>

#include <random>

using namespace tessel;

namespace {

// Two samples of two channels as each family's file holds them.
const char kKr4111[] =
    ",Baseline,,,Rawdata,,,Differ\r\n"
    "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,\r\n"
    "0,1000,2000,,1100,1990,,100,-10,\r\n"
    "1,1001,2001,,1001,2001,,0,0,\r\n";
const char kKr4115[] =
    ",Baseline,,,Rawdata,,,Differ,,KeyFlagSN\r\n"
    "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,--\r\n"
    "0,1000,2000,,1100,1990,,100,-10,0x00000001,\r\n"
    "1,1001,2001,,1001,2001,,0,0,0x00000000,\r\n";
const char kZu5712[] =
    ",Baseline,,,Rawdata,,,Differ,,KeyFlagSN\r\n"
    "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,--\r\n"
    "0,1000,2000,,1100,1990,,-100,10,0x00000001,\r\n"
    "1,1001,2001,,1001,2001,,0,0,0x00000000,\r\n";
const char kKr5814[] =
    ",Baseline,,,Rawdata,,,Differ\r\n"
    "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,\r\n"
    "0,1000,2000,,1100,1990,,-100,10,\r\n"
    "1,1001,2001,,1001,2001,,0,0,\r\n";
const char kHead4111[] = ",Baseline,,,Rawdata,,,Differ\r\nNo.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,\r\n";
const char kHead4115[] =
    ",Baseline,,,Rawdata,,,Differ,,KeyFlagSN\r\nNo.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,--\r\n";

QByteArray B(const char* text) {
    return QByteArray(text);
}

}  // namespace

class CsvReaderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void families_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("differ0");
        QTest::addColumn<uint>("flags0");
        QTest::newRow("KR4111") << 1 << B(kKr4111) << 100 << 0u;
        QTest::newRow("KR4115/56/17") << 5 << B(kKr4115) << 100 << 1u;
        QTest::newRow("ZU5712RA16") << 9 << B(kZu5712) << -100 << 1u;
        QTest::newRow("KR5814") << 11 << B(kKr5814) << -100 << 0u;
        QTest::newRow("byte order mark, LF, no last line end")
            << 1
            << B("\xEF\xBB\xBF,Baseline,,,Rawdata,,,Differ\n"
                 "No.,Ch0,Ch1,,Ch0,Ch1,,Ch0,Ch1,\n"
                 "0,1000,2000,,1100,1990,,100,-10,\n"
                 "\n"
                 "1,1001,2001,,1001,2001,,0,0,")
            << 100 << 0u;
    }
    void families() {
        QFETCH(int, chip);
        QFETCH(QByteArray, text);
        QFETCH(int, differ0);
        QFETCH(uint, flags0);
        const csv::ReadResult r = csv::read(text, chip, 1);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.channels, 2);
        QCOMPARE(r.records.size(), size_t(2));
        const SampleRecord& a = r.records[0];
        QCOMPARE((QList<int>{a.baseline[0], a.baseline[1], a.raw[0], a.raw[1], a.differ[0],
                             a.differ[1]}),
                 (QList<int>{1000, 2000, 1100, 1990, differ0, -differ0 / 10}));
        QCOMPARE(a.keyFlags, flags0);
        QCOMPARE(r.records[1].baseline[1], 2001);
        QCOMPARE(r.records[1].keyFlags, 0u);
    }

    // A second pause in the same second appends the run's samples again under a header.
    void appendedFile() {
        const csv::ReadResult r = csv::read(B(",Baseline,,Rawdata,,Differ\r\n"
                                              "No.,Ch0,,Ch0,,Ch0,\r\n"
                                              "0,7,,5,,-2,\r\n"
                                              ",Baseline,,Rawdata,,Differ\r\n"
                                              "No.,Ch0,,Ch0,,Ch0,\r\n"
                                              "0,7,,5,,-2,\r\n"
                                              "1,8,,9,,1,\r\n"),
                                            1, 1);
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(r.records.size(), size_t(3));
        QCOMPARE(r.blocks, (std::vector<size_t>{0, 1}));
        const std::vector<SampleRecord> last = r.lastBlock();
        QCOMPARE(last.size(), size_t(2));
        QCOMPARE(last[1].raw[0], 9);
    }

    void malformed_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("message");
        QTest::newRow("empty") << 1 << QByteArray() << 1
                               << QStringLiteral("The data file is empty");
        QTest::newRow("blank lines only")
            << 1 << B("\r\n \r\n") << 1 << QStringLiteral("The data file is empty");
        QTest::newRow("other header")
            << 1 << B("Time,Value\r\n1,2\r\n") << 1
            << QStringLiteral("Line 1: not the header of a debug data file of this program");
        QTest::newRow("uneven header")
            << 1 << B(",Baseline,,,Rawdata,,Differ\r\n") << 1
            << QStringLiteral("Line 1: not the header of a debug data file of this program");
        QTest::newRow("wrong names")
            << 1 << B(",Baseline,,,Rawdata,,,Differ\r\nNo.,Ch0,Ch1\r\n") << 2
            << QStringLiteral("Line 2: not the header of a debug data file of this program");
        QTest::newRow("header only")
            << 1 << B(kHead4111) << 3 << QStringLiteral("Line 3: the file holds no samples");
        QTest::newRow("ends in the header")
            << 1 << B(",Baseline,,,Rawdata,,,Differ\r\n") << 2
            << QStringLiteral("Line 2: not the header of a debug data file of this program");
        QTest::newRow("short line") << 1 << B(kHead4111) + "0,1000,2000,,1100\r\n"
                                    << 3 << QStringLiteral("Line 3: 5 fields, expected 10");
        QTest::newRow("not a number")
            << 1 << B(kHead4111) + "0,1000,2000,,1100,1990,,100,-10,\r\n1,1000,abc,,1,2,,1,2,\r\n"
            << 4 << QStringLiteral("Line 4, field 3 is not a number: abc");
        QTest::newRow("separator not empty")
            << 1 << B(kHead4111) + "0,1000,2000,5,1100,1990,,100,-10,\r\n"
            << 3 << QStringLiteral("Line 3, field 4 should be empty: 5");
        QTest::newRow("record skipped")
            << 1 << B(kHead4111) + "0,1000,2000,,1100,1990,,100,-10,\r\n2,1,1,,1,1,,0,0,\r\n"
            << 4 << QStringLiteral("Line 4: record number 2, expected 1");
        QTest::newRow("chip with flags, file without")
            << 5 << B(kKr4111) << 1
            << QStringLiteral("Line 1: this chip's data file has a KeyFlagSN column");
        QTest::newRow("chip without flags, file with")
            << 1 << B(kKr4115) << 1
            << QStringLiteral("Line 1: this chip's data file has no KeyFlagSN column");
        QTest::newRow("Differ in the other sign")
            << 11 << B(kKr4111) << 3
            << QStringLiteral(
                   "Line 3: Differ of Ch0 does not match Rawdata and Baseline for "
                   "this chip");
        QTest::newRow("key flags not hex")
            << 5 << B(kHead4115) + "0,1000,2000,,1100,1990,,100,-10,0x1,\r\n"
            << 3 << QStringLiteral("Line 3, field 10 is not a number: 0x1");
        QTest::newRow("flags line in a file without")
            << 1 << B(kHead4111) + "0,1000,2000,,1100,1990,,100,-10,0x00000001,\r\n"
            << 3 << QStringLiteral("Line 3: 11 fields, expected 10");
        QTest::newRow("more channels in an appended block")
            << 1 << B(kKr4111) + ",Baseline,,Rawdata,,Differ\r\n"
            << 5 << QStringLiteral("Line 5: not the header of a debug data file of this program");
    }
    void malformed() {
        QFETCH(int, chip);
        QFETCH(QByteArray, text);
        QFETCH(int, line);
        QFETCH(QString, message);
        const csv::ReadResult r = csv::read(text, chip, 1);
        QVERIFY(!r.ok);
        QCOMPARE(r.errorLine, line);
        QCOMPARE(r.error, message);
    }

    void chineseMessage() {
        const csv::ReadResult r = csv::read(B(kHead4111) + "0,1000,2000,,1100\r\n", 1, 0);
        QCOMPARE(r.error, QStringLiteral("第3行：有5个字段，应为10个"));
    }

    void unreadableFile() {
        const csv::ReadResult r = csv::readFile(QStringLiteral("/nonexistent/run.csv"), 1, 1);
        QVERIFY(!r.ok);
        QCOMPARE(r.errorLine, 0);
        QCOMPARE(r.error, QStringLiteral("Cannot read the data file: /nonexistent/run.csv"));
    }

    // What the writer writes for every chip, with 1 to 32 channels, the reader gives back.
    void everyChipRoundTrip() {
        std::mt19937 rng(7);
        std::uniform_int_distribution<int> count(0, 65535);
        for (int chip = 0; chip < 14; ++chip) {
            const int n = 1 + chip * 31 / 13;
            const bool flags = chip >= 3 && chip <= 9;
            std::vector<SampleRecord> written(5);
            QByteArray text = csv::header(n, chip);
            for (int k = 0; k < 5; ++k) {
                SampleRecord& r = written[size_t(k)];
                for (int i = 0; i < n; ++i) {
                    r.raw[i] = count(rng);
                    r.baseline[i] = count(rng);
                    r.differ[i] = chip <= 7 ? r.raw[i] - r.baseline[i] : r.baseline[i] - r.raw[i];
                }
                r.keyFlags = flags ? uint32_t(rng()) & ((n == 32 ? 0u : 1u << n) - 1) : 0;
                csv::appendRecord(&text, k, r, n, chip);
            }
            const csv::ReadResult back = csv::read(text, chip, 1);
            QVERIFY2(back.ok, qPrintable(back.error));
            QCOMPARE(back.channels, n);
            QCOMPARE(back.records.size(), written.size());
            for (size_t k = 0; k < written.size(); ++k) {
                QVERIFY(back.records[k].raw == written[k].raw);
                QVERIFY(back.records[k].baseline == written[k].baseline);
                QVERIFY(back.records[k].differ == written[k].differ);
                QCOMPARE(back.records[k].keyFlags, written[k].keyFlags);
            }
        }
    }
};

QTEST_GUILESS_MAIN(CsvReaderTest)
#include "tst_csvreader.moc"
