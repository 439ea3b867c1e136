#include "image/imageformat.h"
#include "image/imagestate.h"
#include "imagetestutil.h"

#include <QtTest>

#include <algorithm>
#include <vector>

using namespace tessel;
using tessel::test::hexRecord;
using tessel::test::kEndRecord;

namespace {

bool allErased(const std::vector<uint8_t>& b) {
    return std::all_of(b.begin(), b.end(), [](uint8_t v) { return v == 0xFF; });
}

}  // namespace

class TestImageFormat : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void checksum_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<uint>("expected");
        QTest::newRow("abc") << QByteArray("abc") << 0xFFFFFED7u;
        QTest::newRow("sixteen FF") << QByteArray(16, '\xFF') << 0xFFFF8877u;
        QTest::newRow("empty") << QByteArray() << 0xFFFFFFFFu;
        QTest::newRow("offset 0 has no weight") << QByteArray(1, '\x42') << 0xFFFFFFFFu;
        // S = 65535 * 0xFF * 65534 / 2 wraps in 32 bits; folds twice then complements.
        QTest::newRow("64K of FF") << QByteArray(65536, '\xFF') << [] {
            uint32_t s = 0;
            for (uint32_t i = 0; i < 65536; ++i)
                s += i * 0xFFu;
            s += s >> 16;
            s += s >> 16;
            return uint(~s);
        }();
        QTest::newRow("two bytes") << QByteArray("\x00\x10", 2) << uint(~uint32_t(0x10));
    }
    void checksum() {
        QFETCH(QByteArray, bytes);
        QFETCH(uint, expected);
        QCOMPARE(computeChecksum(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                 uint32_t(bytes.size())),
                 expected);
    }

    void dump() {
        std::vector<uint8_t> b(0x1243);
        for (size_t i = 0; i < b.size(); ++i)
            b[i] = uint8_t(i);
        const QString text = formatHexDump(b.data(), uint32_t(b.size()));
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.size(), 0x125);
        QCOMPARE(lines[0],
                 QStringLiteral("0x00000: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F "));
        QCOMPARE(lines[0x123],
                 QStringLiteral("0x01230: 30 31 32 33 34 35 36 37 38 39 3A 3B 3C 3D 3E 3F "));
        QCOMPARE(lines.last(), QStringLiteral("0x01240: 40 41 42 "));  // no CR LF after a part line
        QVERIFY(formatHexDump(b.data(), 16).endsWith(QStringLiteral("0F \r\n")));
        QCOMPARE(formatHexDump(b.data(), 0), QString());
    }

    void dumpHeadAboveFFFF() {
        std::vector<uint8_t> b(0x10000, 0xAB);
        const QString text = formatHexDump(b.data(), 0x10000);
        QVERIFY(text.contains(QStringLiteral("\r\n0x0FFF0: AB ")));
        QVERIFY(text.endsWith(QStringLiteral("AB \r\n")));
    }

    void trim_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<uint>("raw");
        QTest::addColumn<uint>("expected");
        QTest::newRow("no tail") << QByteArray("\x01\x02\x03", 3) << 3u << 3u;
        QTest::newRow("FF tail") << QByteArray("\x01\x02\xFF\xFF", 4) << 4u << 2u;
        QTest::newRow("gap counts") << QByteArray("\x01\xFF\xFF\x04\xFF", 5) << 5u << 4u;
        QTest::newRow("only offset 0") << QByteArray("\x01\xFF\xFF", 3) << 3u << 0u;
        QTest::newRow("all FF") << QByteArray(8, '\xFF') << 8u << 0u;
        QTest::newRow("raw 0") << QByteArray("\x01\x02", 2) << 0u << 0u;
        QTest::newRow("raw shorter than data") << QByteArray("\x01\x02\x03", 3) << 2u << 2u;
    }
    void trim() {
        QFETCH(QByteArray, bytes);
        QFETCH(uint, raw);
        QFETCH(uint, expected);
        std::vector<uint8_t> b(kFlashBufferSize, 0xFF);
        std::copy(bytes.begin(), bytes.end(), b.begin());
        QCOMPARE(trimErasedTail(b.data(), kFlashBufferSize, raw), expected);
    }

    void trimNeverStartsBeyondBuffer() {
        std::vector<uint8_t> b(16, 0xFF);
        b[5] = 0;
        QCOMPARE(trimErasedTail(b.data(), 16, 1000000), 6u);
    }

    void hexDigits_data() {
        QTest::addColumn<char>("c");
        QTest::addColumn<int>("value");
        QTest::newRow("0") << '0' << 0;
        QTest::newRow("9") << '9' << 9;
        QTest::newRow("a") << 'a' << 10;
        QTest::newRow("F") << 'F' << 15;
        QTest::newRow("g beyond f") << 'g' << 16;
        QTest::newRow("Z") << 'Z' << 35;
        QTest::newRow("blank") << ' ' << 0;
    }
    void hexDigits() {
        QFETCH(char, c);
        QFETCH(int, value);
        QCOMPARE(hexDigitValue(c), value);
    }

    void lineEnds() {
        QCOMPARE(crlfToLf(QByteArray("a\r\nb\rc\r\n\r\n")), QByteArray("a\nb\rc\n\n"));
    }

    void hex_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("status");
        QTest::addColumn<uint>("length");
        QTest::addColumn<QByteArray>("head");  // expected bytes from offset 0 when Ok

        const QByteArray data16 = QByteArray::fromHex("000102030405060708090A0B0C0D0E0F");
        const QByteArray r0 = hexRecord(0x0000, data16);
        const QByteArray r1 = hexRecord(0x0010, QByteArray::fromHex("A1A2A3"));
        const int ok = int(HexStatus::Ok);

        QTest::newRow("LF") << r0 + '\n' + r1 + '\n' + kEndRecord + '\n'
                            << ok << 19u << data16 + QByteArray::fromHex("A1A2A3");
        QTest::newRow("CR LF") << r0 + "\r\n" + r1 + "\r\n" + kEndRecord + "\r\n"
                               << ok << 19u << data16 + QByteArray::fromHex("A1A2A3");
        QTest::newRow("no final line end") << r0 + '\n' + kEndRecord << ok << 16u << data16;
        QTest::newRow("lower-case data") << r0.toLower() + '\n' + kEndRecord + '\n'
                                         << ok << 16u << data16;
        QTest::newRow("gap keeps FF")
            << hexRecord(0x0000, QByteArray::fromHex("11")) + '\n' +
                   hexRecord(0x0004, QByteArray::fromHex("22")) + '\n' + kEndRecord + '\n'
            << ok << 5u << QByteArray::fromHex("11FFFFFF22");
        QTest::newRow("records out of order")
            << hexRecord(0x0020, QByteArray::fromHex("33")) + '\n' +
                   hexRecord(0x0000, QByteArray::fromHex("44")) + '\n' + kEndRecord + '\n'
            << ok << 0x21u << QByteArray::fromHex("44");
        QTest::newRow("trailing FF data counts raw")
            << hexRecord(0x0000, QByteArray::fromHex("55FFFF")) + '\n' + kEndRecord + '\n'
            << ok << 3u << QByteArray::fromHex("55FFFF");
        QTest::newRow("empty data record")
            << hexRecord(0x0100, QByteArray()) + '\n' + r1 + '\n' + kEndRecord + '\n'
            << ok << 19u << QByteArray();
        QTest::newRow("ends exactly at FFFF")
            << hexRecord(0xFFFE, QByteArray::fromHex("0102")) + '\n' + kEndRecord + '\n'
            << ok << 0x10000u << QByteArray();
        QTest::newRow("end record lower case") << r0 + '\n' + QByteArray(":00000001ff\n")
                                               << int(HexStatus::NotHex) << 0u << QByteArray();
        QTest::newRow("type 04 with upper 0")
            << hexRecord(0, QByteArray::fromHex("0000"), 4) + '\n' + r0 + '\n' + kEndRecord + '\n'
            << int(HexStatus::Unsupported64K) << 0u << QByteArray();
        QTest::newRow("type 02") << r0 + '\n' + hexRecord(0, QByteArray::fromHex("1000"), 2) +
                                        '\n' + kEndRecord + '\n'
                                 << int(HexStatus::Unsupported64K) << 0u << QByteArray();
        QTest::newRow("record past FFFF")
            << hexRecord(0xFFFF, QByteArray::fromHex("0102")) + '\n' + kEndRecord + '\n'
            << int(HexStatus::Unsupported64K) << 0u << QByteArray();
        QByteArray bad = r1;
        bad[bad.size() - 1] = bad[bad.size() - 1] == '0' ? '1' : '0';
        QTest::newRow("wrong checksum") << r0 + '\n' + bad + '\n' + kEndRecord + '\n'
                                        << int(HexStatus::ChecksumError) << 0u << QByteArray();
        QTest::newRow("record cut off") << QByteArray("00000001FF\n:10000000") + QByteArray(24, '1')
                                        << int(HexStatus::ChecksumError) << 0u << QByteArray();
    }
    void hex() {
        QFETCH(QByteArray, text);
        QFETCH(int, status);
        QFETCH(uint, length);
        QFETCH(QByteArray, head);
        std::vector<uint8_t> b(kFlashBufferSize, 0xFF);
        const HexParseResult r = parseIntelHexText(crlfToLf(text), b.data());
        QCOMPARE(int(r.status), status);
        QCOMPARE(r.length, length);
        if (r.status != HexStatus::Ok) {
            QVERIFY(allErased(b));  // nothing of a refused file survives
            return;
        }
        for (int i = 0; i < head.size(); ++i)
            QCOMPARE(b[size_t(i)], uint8_t(head[i]));
    }

    void hexHighAddress() {
        std::vector<uint8_t> b(kFlashBufferSize, 0xFF);
        const QByteArray text =
            hexRecord(0xFFFE, QByteArray::fromHex("0102")) + '\n' + kEndRecord + '\n';
        parseIntelHexText(text, b.data());
        QCOMPARE(b[0xFFFE], uint8_t(1));
        QCOMPARE(b[0xFFFF], uint8_t(2));
    }
};

QTEST_GUILESS_MAIN(TestImageFormat)
#include "tst_imageformat.moc"
