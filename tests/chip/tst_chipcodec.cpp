// The codecs of the chip pages in both directions, and the parsing of hex entry fields.
#include "pages/chip/engine/codec.h"

#include <QTest>

using namespace tessel::chip;

Q_DECLARE_METATYPE(tessel::chip::Codec)

class ChipCodecTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void knownCodes_data() {
        QTest::addColumn<Codec>("codec");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("code");
        // LDO output voltage: index XOR 3.
        QTest::newRow("xor3 0") << xorCodec(3) << 4 << 0 << 3;
        QTest::newRow("xor3 12") << xorCodec(3) << 4 << 12 << 15;
        QTest::newRow("xor3 15") << xorCodec(3) << 4 << 15 << 12;
        // PLL trim: bit 4 takes the low bit of the index, bit 3 the high bit.
        QTest::newRow("reverse2 1") << reverseCodec() << 2 << 1 << 2;
        QTest::newRow("reverse2 2") << reverseCodec() << 2 << 2 << 1;
        QTest::newRow("reverse2 3") << reverseCodec() << 2 << 3 << 3;
        // KR4111 band gap: five bits reversed, XOR 0x1A.
        QTest::newRow("bandgap 1") << reverseCodec(0x1A) << 5 << 1 << 0x0A;
        QTest::newRow("bandgap 16") << reverseCodec(0x1A) << 5 << 16 << 0x1B;
        // KR4111 OSC: (63 - index) mod 128.
        QTest::newRow("osc 0") << subFromCodec(63) << 7 << 0 << 0x3F;
        QTest::newRow("osc 18") << subFromCodec(63) << 7 << 18 << 0x2D;
        QTest::newRow("osc 63") << subFromCodec(63) << 7 << 63 << 0x00;
        QTest::newRow("osc 64") << subFromCodec(63) << 7 << 64 << 0x7F;
        // Pull-down resistance: (index + 2) mod 4.
        QTest::newRow("rb 0") << addModCodec(2) << 2 << 0 << 2;
        QTest::newRow("rb 3") << addModCodec(2) << 2 << 3 << 1;
        // KR4113 OSC: twice the index.
        QTest::newRow("scale 127") << scaleCodec(2) << 8 << 127 << 0xFE;
        QTest::newRow("table reset 1") << tableCodec({2, 4}) << 3 << 1 << 4;
        QTest::newRow("table beyond") << tableCodec({2, 4}) << 3 << 2 << -1;
        QTest::newRow("plain") << plainCodec() << 8 << 200 << 200;
    }
    void knownCodes() {
        QFETCH(Codec, codec);
        QFETCH(int, width);
        QFETCH(int, index);
        QFETCH(int, code);
        QCOMPARE(encodeIndex(codec, width, index), code);
    }

    void roundTrips_data() {
        QTest::addColumn<Codec>("codec");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("count");
        QTest::newRow("plain 8") << plainCodec() << 8 << 256;
        QTest::newRow("xor 4") << xorCodec(3) << 4 << 16;
        QTest::newRow("xor 5") << xorCodec(0x17) << 5 << 32;
        QTest::newRow("xor check") << xorCodec(1) << 1 << 2;
        QTest::newRow("addmod") << addModCodec(2) << 2 << 4;
        QTest::newRow("subfrom") << subFromCodec(63) << 7 << 128;
        QTest::newRow("reverse 2") << reverseCodec() << 2 << 4;
        QTest::newRow("reverse 5 xor") << reverseCodec(0x1A) << 5 << 32;
        QTest::newRow("scale") << scaleCodec(2) << 8 << 128;
        QTest::newRow("table 2") << tableCodec({2, 4}) << 3 << 2;
        QTest::newRow("table 3") << tableCodec({0, 1, 3}) << 2 << 3;
    }
    void roundTrips() {
        QFETCH(Codec, codec);
        QFETCH(int, width);
        QFETCH(int, count);
        for (int i = 0; i < count; ++i) {
            const int code = encodeIndex(codec, width, i);
            QVERIFY2(code >= 0 && code < 256, qPrintable(QString::number(i)));
            QCOMPARE(decodeCode(codec, width, code & ((1 << width) - 1)), i);
        }
    }

    void decodesUnknownCodesToNothing_data() {
        QTest::addColumn<Codec>("codec");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("code");
        QTest::newRow("reset 000") << tableCodec({2, 4}) << 3 << 0;
        QTest::newRow("reset 011") << tableCodec({2, 4}) << 3 << 3;
        QTest::newRow("reset 111") << tableCodec({2, 4}) << 3 << 7;
        QTest::newRow("bor 01") << tableCodec({0, 3}) << 2 << 1;
        QTest::newRow("bor 10") << tableCodec({0, 3}) << 2 << 2;
        QTest::newRow("negative") << plainCodec() << 8 << -2;
    }
    void decodesUnknownCodesToNothing() {
        QFETCH(Codec, codec);
        QFETCH(int, width);
        QFETCH(int, code);
        QCOMPARE(decodeCode(codec, width, code), -1);
    }

    void parsesHexText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("value");
        QTest::newRow("1A3") << QStringLiteral("1A3") << 0x1A3u;
        QTest::newRow("zz") << QStringLiteral("zz") << 0u;
        QTest::newRow("empty") << QString() << 0u;
        QTest::newRow("prefix") << QStringLiteral("0x3f") << 0x3Fu;
        QTest::newRow("stops") << QStringLiteral("1g") << 1u;
        QTest::newRow("blanks") << QStringLiteral("  ff") << 0xFFu;
        QTest::newRow("bare 0x") << QStringLiteral("0x") << 0u;
        QTest::newRow("nine chars") << QStringLiteral("00000001ff") << 0x1Fu;
        QTest::newRow("g") << QStringLiteral("g") << 0u;
        QTest::newRow("pasted line") << QStringLiteral("\r\n\t3c") << 0x3Cu;
        QTest::newRow("form feed, vertical tab") << QStringLiteral("\f\v-1") << 0xFFFFFFFFu;
        QTest::newRow("space counts in nine") << QStringLiteral("\n\n\n\n\n\n\n\n\n7") << 0u;
    }
    void parsesHexText() {
        QFETCH(QString, text);
        QFETCH(uint, value);
        QCOMPARE(parseHexText(text), value);
    }
};

QTEST_APPLESS_MAIN(ChipCodecTest)
#include "tst_chipcodec.moc"
