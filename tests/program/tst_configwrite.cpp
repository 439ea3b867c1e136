// The configuration write, trim mode and the trim write on every chip family, end to end on
// the simulated board, checked byte by byte through the reports the board received.
// The tables below are plain literals.
#undef QT_NO_CAST_FROM_ASCII
#include "link/configpayload.h"
#include "link/configsource.h"
#include "simbench.h"

#include <QTest>

#include <map>
#include <memory>

using namespace tessel;
using namespace tessel::test;
using Control = ProgramView::Control;

namespace {

std::vector<uint8_t> bytes(const QString& hex) {
    std::vector<uint8_t> out;
    for (const QString& b : hex.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.push_back(static_cast<uint8_t>(b.toUInt(nullptr, 16)));
    return out;
}

QString hexOf(const Report& r, int from, int n) {
    QStringList out;
    for (int i = from; i < from + n; ++i)
        out << QString::asprintf("%02x", r[i]);
    return out.join(QLatin1Char(' '));
}

// The pages as the sequences see them, with words written out by hand.
class FakePages : public ConfigSource {
public:
    std::map<int, QString> config{
        {1, QStringLiteral("5c 11 22 33 55 44 66")},
        {2, QStringLiteral("5c 01 02 03 04 05 06 07 08")},
        {3, QStringLiteral("5c 01 02 03 04 05 06 07 08 09")},
        {4, QStringLiteral("5c 01 02 03 04 07 06 07 08 09")},
        {5, QStringLiteral("5c 01 02 03 04 06 06 07 08 09")},
        {6, QStringLiteral("5c 01 02 03 04 05 06 07 08 09")},
        {7, QStringLiteral("5c 01 02 03 04 07 06 07 08 09")},
        {8, QStringLiteral("0f 01 67 10 20 30 40 50")},
        {11, QStringLiteral("7f 7f ff 0d 4e 3f 1f ff 02 64 ef")},
        {13, QStringLiteral("01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f 10 11 12 13 14 15 16 "
                            "17 18 19")},
    };
    std::map<int, QString> wordZero{{11, QStringLiteral("3c 5a 1f")},
                                    {13, QStringLiteral("3c a5")}};
    std::map<int, QString> trim{
        {0, QStringLiteral("21 22 23")},
        {1, QStringLiteral("21 22 23 24")},
        {5, QStringLiteral("21 22 23 24 25")},
        {6, QStringLiteral("21 22 23 24 25")},
        {8, QStringLiteral("31 32 33 34 35 36 37 38")},
        {11, QStringLiteral("7f 7f ff 0d 4e 3f 1f 18 64 ff 5a")},
        {13, QStringLiteral("40 41 42 43 44 45 46 47 48 49 4a 4b 4c 4d 4e 4f 50 51 52 "
                            "01 00 01 00 01 00 01 00 01 00 01 00 01 00 01 00 01 00 01")},
    };

    std::array<uint8_t, 3> kr4121Words() override { return {0x0F, 0x87, 0x07}; }
    bool kr4121Locked() override { return false; }
    uint8_t cfg0(int) override { return 0x5C; }
    void showReadBack(int, const Report&) override {}
    std::vector<uint8_t> configWords(int chip) override { return bytes(config[chip]); }
    std::vector<uint8_t> wordZeroWords(int chip) override { return bytes(wordZero[chip]); }
    std::vector<uint8_t> trimWords(int chip) override { return bytes(trim[chip]); }
};

QList<int> codes(const std::vector<Report>& trace) {
    QList<int> out;
    for (const Report& r : trace)
        out << r[1];
    return out;
}

}  // namespace

class ConfigWriteTest : public QObject {
    Q_OBJECT

    SharedState state_;
    std::unique_ptr<SimBench> bench_;
    FakePages pages_;

    void connectBoard(const QString& sim = QString()) {
        SimOptions o;
        QString error;
        QVERIFY2(SimOptions::parse(sim, &o, &error), qPrintable(error));
        bench_ = std::make_unique<SimBench>(state_, o, &pages_);
        QVERIFY(bench_->connected());
    }
    RecordingView& view() { return *bench_->view; }
    OperationSequencer& seq() { return *bench_->seq; }
    bool has(const char* line) { return view().lines.contains(QString::fromUtf8(line)); }

    // Runs an operation to its end; returns its verdict.
    bool run(const std::function<bool()>& start) {
        const int before = view().finished;
        if (!start())
            return false;
        if (!QTest::qWaitFor([&] { return view().finished > before; }, 5000))
            return false;
        QTest::qWait(20);
        return view().lastSuccess;
    }
    bool writeConfig(int chip) {
        state_.chipIndex = chip;
        return run([this] { return seq().startWriteConfig(); });
    }
    bool enterTrim(int chip) {
        state_.chipIndex = chip;
        return run([this] { return seq().enterTrimMode(); });
    }
    bool writeTrim() {
        return run([this] { return seq().startWriteTrim(); });
    }

private Q_SLOTS:
    void init() { state_.language = 0; }
    void cleanup() { bench_.reset(); }

    void payloadsCarryTheInverses_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("words");
        QTest::addColumn<QString>("payload");
        QTest::addRow("KR4111 as given") << 1 << "5c 11 22 33 55 44 66"
                                         << "5c 11 22 33 55 44 66";
        QTest::addRow("MCU01 CFG0 alone") << 9 << "0f 00 66 10 20 30 40 50"
                                          << "0f 00 ff 66 99 10 ef 20 df 30 cf 40 bf 50 af";
        QTest::addRow("MCU02 pairs") << 12 << "7f 7f ff 0d 4e 3f 1f ff 02 64 ef"
                                     << "7f 80 7f 80 ff 00 0d f2 4e b1 3f c0 1f e0 ff 00 02 fd "
                                        "64 9b ef 10";
        QTest::addRow("KR4112 short") << 2 << "5c 01"
                                      << "";
        QTest::addRow("MCU04 short") << 13 << "01 02"
                                     << "";
    }
    void payloadsCarryTheInverses() {
        QFETCH(int, chip);
        QFETCH(QString, words);
        QFETCH(QString, payload);
        QCOMPARE(configwrite::configPayload(chip, bytes(words)), bytes(payload));
    }

    void configWriteOnEveryFamily_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("sent");  // 0x89 from byte 2
        QTest::addColumn<QStringList>("lines");
        QTest::addRow("KR4111") << 1 << "5c 11 22 33 55 44 66"
                                << QStringList{"擦除Information Block完成!",
                                               "编程器:写入配置字1-6:0x11 0x22 0x33 0x44 0x55 0x66",
                                               "编程器:读回配置字1-6:0x11 0x22 0x33 0x44 0x55 0x66",
                                               "配置字CRC校验正确!", "配置字写入正确!"};
        QTest::addRow("KR4112") << 2 << "5c 01 02 03 04 05 06 07 08"
                                << QStringList{
                                       "写入配置字1-8:0x01 0x02 0x03 0x04 0x05 0x06 0x07 0x08",
                                       "读回配置字1-8:0x01 0x02 0x03 0x04 0x05 0x06 0x07 0x08",
                                       "配置字写入正确!"};
        QTest::addRow("KR4152") << 3 << "5c 01 02 03 04 05 06 07 08 09"
                                << QStringList{
                                       "写入配置字1-9:0x01 0x02 0x03 0x04 0x05 0x06 0x07 0x08 0x09",
                                       "配置字写入正确!"};
        QTest::addRow("KR4115") << 5 << "5c 01 02 03 04 06 06 07 08 09"
                                << QStringList{"擦除Information Block完成!", "配置字写入正确!"};
        QTest::addRow("RO5812DA") << 8 << "0f 01 fe 67 98 10 ef 20 df 30 cf 40 bf 50 af"
                                  << QStringList{
                                         "写入配置字1-7:0x01 0x67 0x10 0x20 0x30 0x40 0x50",
                                         "写入配置字取反码1-7:0xfe 0x98 0xef 0xdf 0xcf 0xbf 0xaf",
                                         "读回配置字1-7:0x01 0x67 0x10 0x20 0x30 0x40 0x50",
                                         "配置字写入正确!"};
        QTest::addRow("KR5814")
            << 11 << "7f 80 7f 80 ff 00 0d f2 4e b1 3f c0 1f e0 ff 00 02 fd 64 9b ef 10"
            << QStringList{"擦除information block和system block完成！",
                           "写入配置字1-6:0x7f 0x7f 0xff 0x0d  0x4e 0x3f",
                           "写入配置字7-9,12,13:0x1f 0xff 0x02 0x64  0xef",
                           "写入配置字取反码1-6:0x80 0x80 0x00 0xf2 0xb1 0xc0",
                           "读回配置字7-9,12,13:0x1f 0xff 0x02 0x64  0xef",
                           "配置字写入正确!",
                           "编程器:写入配置字0,10,11: 0x3c 0x5a 0x1f",
                           "编程器:读回配置字0,10,11: 0x3c 0x5a 0x1f",
                           "配置字0,10,11 CRC校验正确!",
                           "配置字0,10,11写入正确!"};
        QTest::addRow("VE5812DUZI")
            << 13
            << "01 fe 02 fd 03 fc 04 fb 05 fa 06 f9 07 f8 08 f7 09 f6 0a f5 0b f4 0c f3 0d f2 0e "
               "f1 0f f0 10 ef 11 ee 12 ed 13 ec 14 eb 15 ea 16 e9 17 e8 18 e7 19 e6"
            << QStringList{"写入配置字19~25: 0x13 0x14 0x15 0x16 0x17 0x18 0x19",
                           "读回配置字反码1-6: 0xfe 0xfd 0xfc 0xfb 0xfa 0xf9",
                           "配置字写入正确!",
                           "编程器:写入配置字0,30: 0x3c 0xa5",
                           "编程器:读回配置字0,30: 0x3c 0xa5",
                           "配置字0,30写入正确!"};
    }
    void configWriteOnEveryFamily() {
        QFETCH(int, chip);
        QFETCH(QString, sent);
        QFETCH(QStringList, lines);
        connectBoard();
        QVERIFY(writeConfig(chip));
        const auto t = bench_->trace();
        const QList<int> mcu{0x80, 0x81, 0x88, 0x89, 0x84, 0x87};
        const QList<int> kr{0x80, 0x81, 0x88, 0x89, 0x87};
        QCOMPARE(codes(t), chip >= 10 ? mcu : kr);
        QCOMPARE(int(t[0][2]), chip);
        const int n = int(bytes(sent).size());
        QCOMPARE(hexOf(t[3], 2, n), sent);
        QCOMPARE(int(t[3][2 + n]), 0);  // nothing after the payload
        for (const QString& line : lines)
            QVERIFY2(view().lines.contains(line), qPrintable(line));
        QCOMPARE(view().result, ProgramView::Result::Ok);
        if (chip == 11)
            QCOMPARE(hexOf(t[4], 2, 3), QStringLiteral("3c 5a 1f"));
        if (chip == 13)
            QCOMPARE(hexOf(t[4], 2, 3), QStringLiteral("3c a5 00"));
    }

    void aWrittenConfigurationReadsBack() {
        connectBoard();
        QVERIFY(writeConfig(11));
        QVERIFY(run([this] { return seq().startReadConfig(); }));
        QVERIFY(has("读回配置字1-6: 0x7f 0x7f 0xff 0x0d 0x4e 0x3f"));
        QVERIFY(has("读回配置字0,10,11: 0x3c  0x5a  0x1f"));
    }

    // Each fault: the last lines, the picture, and exactly one 0x87 at the very end.
    void configWriteFaults_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("sim");
        QTest::addColumn<QList<int>>("sent");
        QTest::addColumn<QStringList>("lines");
        QTest::addRow("KR4161 variant")
            << 4 << "wrong-ictype" << QList<int>{0x80, 0x81, 0x88, 0x89, 0x87}
            << QStringList{"配置字CRC校验错误!"};
        QTest::addRow("KR4152 protected")
            << 3 << "inf-protect" << QList<int>{0x80, 0x81, 0x88, 0x89, 0x87}
            << QStringList{"配置字写入错误!", "Inf写擦除保护打开，请先关闭，再写配置字!"};
        QTest::addRow("RO5812DA protected")
            << 8 << "inf-protect" << QList<int>{0x80, 0x81, 0x88, 0x89, 0x87}
            << QStringList{"配置字写入错误!", "Inf写擦除保护打开，请先关闭，再写配置字!"};
        QTest::addRow("KR4152 crc") << 3 << "config-crc" << QList<int>{0x80, 0x81, 0x88, 0x89, 0x87}
                                    << QStringList{"配置字CRC校验错误!"};
        QTest::addRow("KR4116 erase") << 7 << "erase-fail" << QList<int>{0x80, 0x81, 0x88, 0x87}
                                      << QStringList{"擦除InformationBlock命令CRC出错!"};
        QTest::addRow("KR5814 protected")
            << 11 << "inf-protect" << QList<int>{0x80, 0x81, 0x88, 0x89, 0x84, 0x87}
            << QStringList{"配置字写入错误!", "Inf写擦除保护打开，请先关闭，再写配置字!",
                           "配置字0,10,11 CRC校验正确!", "配置字0,10,11写入错误!"};
        QTest::addRow("KR5814 crc")
            << 11 << "config-crc" << QList<int>{0x80, 0x81, 0x88, 0x89, 0x84, 0x87}
            << QStringList{"配置字CRC校验错误!", "配置字0,10,11写入正确!"};
        QTest::addRow("KR5814 word 0")
            << 11 << "cfg0-crc" << QList<int>{0x80, 0x81, 0x88, 0x89, 0x84, 0x87}
            << QStringList{"配置字写入正确!", "配置字0,10,11写入错误!"};
        QTest::addRow("VE5812DUZI word 0")
            << 13 << "cfg0-crc" << QList<int>{0x80, 0x81, 0x88, 0x89, 0x84, 0x87}
            << QStringList{"配置字写入正确!", "配置字0,30写入错误!"};
        QTest::addRow("no answer") << 5 << "silent-after=3" << QList<int>{0x80, 0x81, 0x88, 0x87}
                                   << QStringList{"等待数据超时!"};
    }
    void configWriteFaults() {
        QFETCH(int, chip);
        QFETCH(QString, sim);
        QFETCH(QList<int>, sent);
        QFETCH(QStringList, lines);
        connectBoard(sim);
        QVERIFY(!writeConfig(chip));
        QCOMPARE(codes(bench_->trace()), sent);
        for (const QString& line : lines)
            QVERIFY2(view().lines.contains(line), qPrintable(line));
        QCOMPARE(view().result, ProgramView::Result::Ng);
    }

    void kr4121OffersNoConfigurationWrite() {
        connectBoard();
        state_.chipIndex = 0;
        seq().refreshControls();
        QVERIFY(!view().isEnabled(Control::WriteConfig));
        QVERIFY(!seq().startWriteConfig());
        QVERIFY(bench_->trace().empty());
    }

    void trimWriteOnEveryFamily_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QStringList>("lines");
        QTest::addRow("KR4121") << 0
                                << QStringList{"编程器:写入修调字: 0x21 0x22 0x23 ",
                                               "编程器:读回修调字: 0x21 0x22 0x23 "};
        QTest::addRow("KR4111") << 1 << QStringList{"编程器:写入修调字: 0x21 0x22 0x23 0x24 "};
        QTest::addRow("KR4115") << 5 << QStringList{"编程器:读回修调字: 0x21 0x22 0x23 0x24 0x25 "};
        QTest::addRow("RO5812DA")
            << 8 << QStringList{"编程器:读回修调字: 0x31 0x32 0x33 0x34 0x35 0x36 0x37 0x38 "};
        QTest::addRow("KR5814") << 11
                                << QStringList{"编程器:写入修调字0~4: 0x7f 0x7f 0xff 0x0d 0x4e",
                                               "编程器:写入修调字5~9: 0x3f 0x1f 0x18 0x64 0xff",
                                               "编程器:读回修调字pw: 0x5a"};
        QTest::addRow("VE5812DUZI")
            << 13
            << QStringList{"编程器:写入修调字21~25: 0x4a 0x4b 0x4c 0x4d 0x4e",
                           "编程器:读回修调字test/osc/pldo/pw: 0x4f 0x50 0x51 0x52"};
    }
    void trimWriteOnEveryFamily() {
        QFETCH(int, chip);
        QFETCH(QStringList, lines);
        connectBoard();
        QVERIFY(enterTrim(chip));
        QVERIFY(seq().trimMode());
        QVERIFY(writeTrim());
        const auto t = bench_->trace();
        QCOMPARE(codes(t), (QList<int>{0x80, 0x81, 0x8D}));
        const QString sent = pages_.trim[chip];
        const int n = int(bytes(sent).size());
        QCOMPARE(hexOf(t[2], 2, n), sent);
        for (const QString& line : lines)
            QVERIFY2(view().lines.contains(line), qPrintable(line));
        QCOMPARE(view().lines.last(), QStringLiteral("修调字写入正确!"));
        QCOMPARE(view().result, ProgramView::Result::Ok);
        QVERIFY(seq().trimMode());
        QVERIFY(bench_->backend->board().programmingMode());
        // Leaving sends 0x87 at once and does not wait for its answer.
        seq().leaveTrimMode();
        QCOMPARE(view().lines.last(), QStringLiteral("退出修调！"));
        QCOMPARE(codes(bench_->trace()), (QList<int>{0x80, 0x81, 0x8D, 0x87}));
        QVERIFY(!seq().trimMode());
    }

    void trimWriteFaults_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("sim");
        QTest::addColumn<QString>("last");
        QTest::addRow("KR4115 status 16") << 5 << "trim-crc"
                                          << "写修调命令CRC出错!";
        QTest::addRow("RO5812DA status 18") << 8 << "trim-crc"
                                            << "写修调命令CRC出错!";
        QTest::addRow("KR5813 status 24") << 12 << "trim-crc"
                                          << "写修调命令CRC出错!";
        QTest::addRow("VE5812DUZI status 40") << 13 << "trim-crc"
                                              << "写修调命令CRC出错!";
        QTest::addRow("KR4115W no status byte") << 6 << "trim-crc"
                                                << "修调字写入错误!";
        QTest::addRow("KR4111 read back differs") << 1 << "flip-trim=2"
                                                  << "修调字写入错误!";
        QTest::addRow("KR5814 read back differs") << 11 << "flip-trim=10"
                                                  << "修调字写入错误!";
        QTest::addRow("no answer") << 5 << "silent-after=3"
                                   << "等待数据超时!";
    }
    void trimWriteFaults() {
        QFETCH(int, chip);
        QFETCH(QString, sim);
        QFETCH(QString, last);
        if (chip == 12)
            pages_.trim[12] = pages_.trim[11];
        connectBoard(sim);
        QVERIFY(enterTrim(chip));
        QVERIFY(!writeTrim());
        QCOMPARE(view().lines.last(), last);
        QCOMPARE(view().result, ProgramView::Result::Ng);
        // The target stays in trim mode: nothing leaves programming mode.
        QCOMPARE(codes(bench_->trace()), (QList<int>{0x80, 0x81, 0x8D}));
        QVERIFY(seq().trimMode());
        QVERIFY(view().isEnabled(Control::WriteTrim));
    }

    // A VE5812DUZI trim write compares the nineteen write flags too: they are logged, and a
    // flag read back otherwise is named, so that a failed verification shows why.
    void trimWriteNamesWhatDiffers_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("sim");
        QTest::addColumn<QStringList>("lines");
        QTest::addRow("VE5812DUZI flag of word 2")
            << 13 << "flip-trim=20"
            << QStringList{
                   "编程器:写入修调字写标志: 0x01 0x00 0x01 0x00 0x01 0x00 0x01 0x00 0x01 "
                   "0x00 0x01 0x00 0x01 0x00 0x01 0x00 0x01 0x00 0x01",
                   "编程器:读回修调字写标志: 0x01 0x01 0x01 0x00 0x01 0x00 0x01 0x00 0x01 "
                   "0x00 0x01 0x00 0x01 0x00 0x01 0x00 0x01 0x00 0x01",
                   "编程器:修调字2的写标志不一致: 写入0x00, 读回0x01", "修调字写入错误!"};
        QTest::addRow("VE5812DUZI word 4")
            << 13 << "flip-trim=3"
            << QStringList{"编程器:读回修调字0~4: 0x40 0x41 0x42 0x42 0x44",
                           "编程器:修调字4不一致: 写入0x43, 读回0x42", "修调字写入错误!"};
        QTest::addRow("RO5812DA word 8")
            << 8 << "flip-trim=7"
            << QStringList{"编程器:修调字8不一致: 写入0x38, 读回0x39", "修调字写入错误!"};
    }
    void trimWriteNamesWhatDiffers() {
        QFETCH(int, chip);
        QFETCH(QString, sim);
        QFETCH(QStringList, lines);
        connectBoard(sim);
        QVERIFY(enterTrim(chip));
        QVERIFY(!writeTrim());
        for (const QString& line : lines)
            QVERIFY2(view().lines.contains(line), qPrintable(line));
        QCOMPARE(view().lines.last(), lines.last());
        // Only the differing byte is named.
        QCOMPARE(view().lines.filter(QStringLiteral("不一致")).size(), 1);
    }

    void trimModeThatCannotStartEnds() {
        connectBoard(QStringLiteral("target-fail"));
        QVERIFY(!enterTrim(5));
        QVERIFY(!seq().trimMode());
        QCOMPARE(codes(bench_->trace()), (QList<int>{0x80, 0x81, 0x87}));
        QVERIFY(has("进入烧录模式失败!"));
    }

    void aChipChangedInTrimModeEntersAgain() {
        connectBoard();
        QVERIFY(enterTrim(5));
        QVERIFY(enterTrim(11));
        QVERIFY(writeTrim());
        const auto t = bench_->trace();
        QCOMPARE(codes(t), (QList<int>{0x80, 0x81, 0x80, 0x81, 0x8D}));
        QCOMPARE(int(t[2][2]), 11);
        QCOMPARE(hexOf(t[4], 2, 11), pages_.trim[11]);
    }

    void trimModeEndsWithTheBoard() {
        connectBoard();
        QVERIFY(enterTrim(11));
        bench_->backend->pullOut();
        QVERIFY(QTest::qWaitFor([this] { return !seq().trimMode(); }, 3000));
        QVERIFY(!view().isEnabled(Control::WriteTrim));
    }

    void closingInTrimModeLeavesProgrammingMode() {
        connectBoard();
        QVERIFY(enterTrim(3));
        seq().releaseTarget();
        QCOMPARE(codes(bench_->trace()), (QList<int>{0x80, 0x81, 0x87}));
        QVERIFY(!seq().trimMode());
    }

    // The controls in every mode, as one rule decides them. Columns of the mask, in order:
    // open, write flash, read flash, read config, write config, trim toggle, write trim,
    // 3V, 5V, off, write EEPROM, read EEPROM, create file, chip combo, grid.
    void buttonRule_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("mask");
        QTest::addRow("idle 1") << 1 << "idle"
                                << "111111011100111";
        QTest::addRow("idle 0") << 0 << "idle"
                                << "111101011100111";
        QTest::addRow("idle 5") << 5 << "idle"
                                << "111111011111111";
        QTest::addRow("trim 1") << 1 << "trim"
                                << "000001111100011";
        QTest::addRow("trim 5") << 5 << "trim"
                                << "000001111100011";
        QTest::addRow("trim 11") << 11 << "trim"
                                 << "000001111111011";
        QTest::addRow("supply 11") << 11 << "supply"
                                   << "100000011100111";
        QTest::addRow("supply in trim 11") << 11 << "trim+supply"
                                           << "000001111100011";
        QTest::addRow("refused 11") << 11 << "refused"
                                    << "000000000000111";
        QTest::addRow("busy 11") << 11 << "busy"
                                 << "000000000000000";
    }
    void buttonRule() {
        QFETCH(int, chip);
        QFETCH(QString, mode);
        QFETCH(QString, mask);
        connectBoard(mode == QLatin1String("busy") ? QStringLiteral("silent-after=1") : QString());
        state_.chipIndex = chip;
        if (mode.startsWith(QLatin1String("trim")))
            QVERIFY(enterTrim(chip));
        if (mode.endsWith(QLatin1String("supply")))
            seq().switchSupply(OperationSequencer::Supply::V3);
        if (mode == QLatin1String("refused"))
            seq().setButtonsEnabled(false);
        if (mode == QLatin1String("busy"))
            QVERIFY(seq().startWriteConfig());
        seq().refreshControls();
        QString got;
        for (int c = 0; c < ProgramView::kControlCount; ++c)
            got += view().enabled[c] ? QLatin1Char('1') : QLatin1Char('0');
        QCOMPARE(got, mask);
    }
};

QTEST_GUILESS_MAIN(ConfigWriteTest)
#include "tst_configwrite.moc"
