// The configuration-write, word-0 and trim log lines of the MCU families, byte for byte:
// Chinese in both languages, values from the payload sent and the reply read back.
#include "link/configpayload.h"

#include <QTest>

using namespace tessel;

namespace {

struct Lines : LogSink {
    QStringList lines;
    void appendLog(const QString& line) override { lines << line; }
};

QStringList utf8(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts)
        out << QString::fromUtf8(t);
    return out;
}

}  // namespace

class PayloadLinesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void mcu04ConfigWrite() {
        std::vector<uint8_t> payload;
        for (int k = 1; k <= 25; ++k) {
            payload.push_back(static_cast<uint8_t>(k));
            payload.push_back(static_cast<uint8_t>(~k));
        }
        Report reply{};
        for (int i = 0; i < 50; ++i)
            reply[2 + i] = payload[static_cast<size_t>(i)];
        for (int k = 0; k < 9; ++k)
            reply[52 + k] = static_cast<uint8_t>(0xC0 + k);
        Lines log;
        configwrite::logConfigWrite(13, payload, reply, log);
        const QStringList expected = {
            QStringLiteral("写入配置字1-6: 0x01 0x02 0x03 0x04 0x05 0x06"),
            QStringLiteral("写入配置字7-12:0x07 0x08 0x09 0x0a 0x0b 0x0c"),
            QStringLiteral("写入配置字13~18: 0x0d 0x0e 0x0f 0x10 0x11 0x12"),
            QStringLiteral("写入配置字19~25: 0x13 0x14 0x15 0x16 0x17 0x18 0x19"),
            QStringLiteral("写入配置字反码1-6: 0xfe 0xfd 0xfc 0xfb 0xfa 0xf9"),
            QStringLiteral("写入配置字反码7-12: 0xf8 0xf7 0xf6 0xf5 0xf4 0xf3"),
            QStringLiteral("写入配置字反码13-18: 0xf2 0xf1 0xf0 0xef 0xee 0xed"),
            QStringLiteral("写入配置字反码19-25: 0xec 0xeb 0xea 0xe9 0xe8 0xe7 0xe6"),
        };
        QCOMPARE(log.lines.mid(0, 8), expected);
        QCOMPARE(log.lines.at(8), QStringLiteral("读回配置字1-6: 0x01 0x02 0x03 0x04 0x05 0x06"));
        QCOMPARE(log.lines.at(16), QStringLiteral("编程器:读回CRC1: 0xc0"));
        QCOMPARE(log.lines.last(), QStringLiteral("编程器:读回CRC9: 0xc8"));
        QCOMPARE(log.lines.size(), 25);
    }

    void wordZero_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("sameBack");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("12 written")
            << 12 << true
            << utf8({"编程器:写入配置字0,10,11: 0x5a 0x01 0x02",
                     "编程器:读回配置字0,10,11: 0x5a 0x01 0x02", "编程器:读回CRC0: 0xa0",
                     "编程器:读回CRC10: 0xa1", "编程器:读回CRC11: 0xa2",
                     "配置字0,10,11 CRC校验正确!", "配置字0,10,11写入正确!"});
        QTest::newRow("13 differs")
            << 13 << false
            << utf8({"编程器:写入配置字0,30: 0x5a 0x01", "编程器:读回配置字0,30: 0x5b 0x01",
                     "编程器:读回CRC0: 0xa0", "编程器:读回CRC30: 0xa1", "配置字0,30 CRC校验正确!",
                     "配置字0,30写入错误!"});
    }

    void wordZero() {
        QFETCH(int, chip);
        QFETCH(bool, sameBack);
        QFETCH(QStringList, expected);
        const std::vector<uint8_t> sent =
            chip == 13 ? std::vector<uint8_t>{0x5A, 0x01} : std::vector<uint8_t>{0x5A, 0x01, 0x02};
        Report reply{};
        for (size_t i = 0; i < sent.size(); ++i) {
            reply[7 + i] = sent[i];
            reply[10 + i] = static_cast<uint8_t>(0xA0 + i);
        }
        if (!sameBack)
            reply[7] = 0x5B;
        reply[17] = 1;
        Lines log;
        QCOMPARE(configwrite::judgeWordZeroWrite(chip, sent, reply, log), sameBack);
        QCOMPARE(log.lines, expected);
    }

    void mcu02Trim() {
        std::vector<uint8_t> sent(11);
        for (int i = 0; i < 11; ++i)
            sent[static_cast<size_t>(i)] = static_cast<uint8_t>(0x10 + i);
        Report reply{};
        for (int i = 0; i < 11; ++i)
            reply[13 + i] = sent[static_cast<size_t>(i)];
        reply[13 + 3] = 0x99;
        Lines log;
        configwrite::logTrimWrite(10, sent, reply, log);
        const QStringList expected = {
            QStringLiteral("编程器:写入修调字0~4: 0x10 0x11 0x12 0x13 0x14"),
            QStringLiteral("编程器:写入修调字5~9: 0x15 0x16 0x17 0x18 0x19"),
            QStringLiteral("编程器:写入修调字pw: 0x1a"),
            QStringLiteral("编程器:读回修调字0~4: 0x10 0x11 0x12 0x99 0x14"),
            QStringLiteral("编程器:读回修调字5~9: 0x15 0x16 0x17 0x18 0x19"),
            QStringLiteral("编程器:读回修调字pw: 0x1a"),
        };
        QCOMPARE(log.lines, expected);
        Lines diff;
        configwrite::logTrimDifferences(sent, reply, 10, diff);
        QCOMPARE(diff.lines,
                 QStringList{QStringLiteral("编程器:修调字4不一致: 写入0x13, 读回0x99")});
    }
};

QTEST_GUILESS_MAIN(PayloadLinesTest)
#include "tst_payloadlines.moc"
