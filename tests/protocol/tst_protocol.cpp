// The board protocol without a board: command bytes, the receive dispatch, the version check,
// the debug-data frames of each chip family and the debug-parameter frame.
#include "link/commands.h"
#include "link/debugparams.h"
#include "link/dispatch.h"

#include <QTest>

#include <vector>

using namespace tessel;

Q_DECLARE_METATYPE(std::vector<int>)

namespace {

// A report from its first bytes (byte 0, code, payload...); the rest stay as given by fill.
Report bytes(std::initializer_list<int> head, uint8_t fill = 0) {
    Report r;
    r.fill(fill);
    int i = 0;
    for (int b : head)
        r[i++] = static_cast<uint8_t>(b);
    return r;
}

// A debug-data payload of the chip's family, built by hand from the frame layout.
struct Frame {
    std::vector<uint8_t> b;
    int length = 0;
};

Frame makeFrame(int chip, int c, const std::vector<uint16_t>& raw,
                const std::vector<uint16_t>& base, uint32_t keyFlags) {
    const int n = 4 * c;
    Frame f;
    f.length = chip <= 2 ? n + 6 : chip <= 9 ? n + 7 : n + 8;
    f.b.assign(180, 0);
    const int d = chip <= 2 ? 2 : 1;
    for (int i = 0; i < c; ++i) {
        f.b[d + 2 * i] = raw[i] >> 8;
        f.b[d + 2 * i + 1] = raw[i] & 0xFF;
        f.b[d + 2 * c + 2 * i] = base[i] >> 8;
        f.b[d + 2 * c + 2 * i + 1] = base[i] & 0xFF;
    }
    f.b[0] = 0xAE;
    if (chip <= 2) {
        f.b[1] = 0xAE;
        f.b[n + 4] = 0xFF;
        f.b[n + 5] = 0xFF;
        return f;
    }
    int bits = 0;
    for (int i = 1; i <= n; ++i) {
        for (int k = 0; k < 8; ++k)
            bits += (f.b[i] >> k) & 1;
    }
    f.b[n + 1] = bits & 1;
    f.b[n + 2] = static_cast<uint8_t>(n);
    if (chip <= 9) {
        f.b[n + 3] = keyFlags >> 16;
        f.b[n + 4] = keyFlags >> 8;
        f.b[n + 5] = keyFlags;
        f.b[n + 6] = 0xFF;
    } else {
        f.b[n + 3] = keyFlags >> 24;
        f.b[n + 4] = keyFlags >> 16;
        f.b[n + 5] = keyFlags >> 8;
        f.b[n + 6] = keyFlags;
        f.b[n + 7] = 0xFF;
    }
    return f;
}

Report segment(const Frame& f, int seg, int length = -1) {
    Report r = makeReport(0xB3);
    const int L = length < 0 ? f.length : length;
    r[2] = seg;
    r[3] = L >> 8;
    r[4] = L & 0xFF;
    for (int i = 0; i < 60; ++i)
        r[5 + i] = f.b[seg * 60 + i];
    return r;
}

std::vector<Report> segments(const Frame& f) {
    std::vector<Report> out;
    for (int s = 0; s * 60 < f.length; ++s)
        out.push_back(segment(f, s));
    return out;
}

Frame standardFrame(int chip, int c, uint32_t flags = 0) {
    std::vector<uint16_t> raw, base;
    for (int i = 0; i < c; ++i) {
        raw.push_back(0x1200 + 37 * i);
        base.push_back(0x0F00 + 11 * i);
    }
    return makeFrame(chip, c, raw, base, flags);
}

}  // namespace

class TestProtocol : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandBytes_data();
    void commandBytes();
    void bulkDataStartsFromFF();
    void dispatchTable_data();
    void dispatchTable();
    void bulkReadsTakeEveryReport_data();
    void bulkReadsTakeEveryReport();
    void version_data();
    void version();
    void debugFrames_data();
    void debugFrames();
    void ignoredFramesAreCounted_data();
    void ignoredFramesAreCounted();
    void sampleIsACopy();
    void parameterFrame();
};

void TestProtocol::commandBytes_data() {
    QTest::addColumn<Report>("built");
    QTest::addColumn<Report>("expected");
    const uint8_t words[3] = {0x11, 0x22, 0x33};
    QTest::newRow("version") << cmd::requestBoardVersion() << bytes({0, 0x7F, 0xCD, 0xCD, 0xCD});
    QTest::newRow("select") << cmd::selectChip(11) << bytes({0, 0x80, 11});
    QTest::newRow("enter") << cmd::enterProgrammingMode() << bytes({0, 0x81});
    QTest::newRow("read cfg") << cmd::readConfigurationWords() << bytes({0, 0x82});
    QTest::newRow("erase main") << cmd::eraseMainBlock(0x5A) << bytes({0, 0x83, 0x5A});
    QTest::newRow("cfg0") << cmd::writeConfigurationWord0(0x9C) << bytes({0, 0x84, 0x9C});
    QTest::newRow("cfg0 mcu02") << cmd::writeConfigurationWord0(1, 2, 3)
                                << bytes({0, 0x84, 1, 2, 3});
    QTest::newRow("cfg0 mcu04") << cmd::writeConfigurationWord0(1, 0x30)
                                << bytes({0, 0x84, 1, 0x30});
    QTest::newRow("flash write header")
        << cmd::flashWriteHeader(0x1234) << bytes({0, 0x85, 0x12, 0x34});
    QTest::newRow("flash read header")
        << cmd::flashReadHeader(16384) << bytes({0, 0x86, 0xFF, 0x40, 0x00});
    QTest::newRow("flash read request")
        << cmd::flashReadRequest(36, 0x0102) << bytes({0, 0x86, 36, 0x01, 0x02});
    QTest::newRow("leave") << cmd::leaveProgrammingMode() << bytes({0, 0x87});
    QTest::newRow("erase info") << cmd::eraseInformationBlock() << bytes({0, 0x88});
    QTest::newRow("write cfg") << cmd::writeConfigurationWords(words, 3)
                               << bytes({0, 0x89, 0x11, 0x22, 0x33});
    QTest::newRow("3V") << cmd::supply3V() << bytes({0, 0x8A});
    QTest::newRow("5V") << cmd::supply5V() << bytes({0, 0x8B});
    QTest::newRow("off") << cmd::supplyOff() << bytes({0, 0x8C});
    QTest::newRow("trim") << cmd::writeTrimWords(words, 2) << bytes({0, 0x8D, 0x11, 0x22});
    QTest::newRow("erase eeprom") << cmd::eraseEeprom(0) << bytes({0, 0x8E, 0});
    QTest::newRow("eeprom write header")
        << cmd::eepromWriteHeader() << bytes({0, 0x8F, 0x04, 0x00});
    QTest::newRow("eeprom read header")
        << cmd::eepromReadHeader(2048) << bytes({0, 0x90, 0xFF, 0x08, 0x00});
    QTest::newRow("eeprom read request")
        << cmd::eepromReadRequest(15) << bytes({0, 0x90, 0x40, 0x00, 0x0F});
    QTest::newRow("start debug 2") << cmd::startDebugging(2) << bytes({0, 0xB0, 2, 0});
    QTest::newRow("start debug 3") << cmd::startDebugging(3) << bytes({0, 0xB0, 3, 1});
    QTest::newRow("debug supply") << cmd::selectDebugSupply(2) << bytes({0, 0xB1, 2});
    QTest::newRow("continue") << cmd::continueDebugStartup() << bytes({0, 0xB2});
    QTest::newRow("request data") << cmd::requestDebugData(24) << bytes({0, 0xB3, 24});
    QTest::newRow("pause") << cmd::pauseDebugData() << bytes({0, 0xB4});
    QTest::newRow("stop") << cmd::stopDebugging() << bytes({0, 0xB5});
}

void TestProtocol::commandBytes() {
    QFETCH(Report, built);
    QFETCH(Report, expected);
    QCOMPARE(reportToHex(built), reportToHex(expected));
}

void TestProtocol::bulkDataStartsFromFF() {
    const uint8_t one = 0x42;
    QCOMPARE(reportToHex(cmd::flashWriteData(&one, 1)), reportToHex(bytes({0, 0x42}, 0xFF)));
    uint8_t block[64];
    for (int i = 0; i < 64; ++i)
        block[i] = static_cast<uint8_t>(i);
    const Report r = cmd::eepromWriteData(block);
    QCOMPARE(r[0], uint8_t(0));
    for (int i = 0; i < 64; ++i)
        QCOMPARE(r[1 + i], uint8_t(i));
    // A payload longer than a report is cut, never written past its end.
    std::vector<uint8_t> big(100, 0x77);
    const Report c = cmd::writeConfigurationWords(big.data(), big.size());
    QCOMPARE(c[64], uint8_t(0x77));
}

void TestProtocol::dispatchTable_data() {
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("value");
    using T = Routing::Target;
    auto link = [](const char* name, int code, LinkCode c) {
        QTest::newRow(name) << code << int(T::Link) << int(c);
    };
    auto debug = [](const char* name, int code, DebugCode c) {
        QTest::newRow(name) << code << int(T::Debug) << int(c);
    };
    link("0x7F", 0x7F, LinkCode::VersionAccepted);
    link("0x80", 0x80, LinkCode::ChipSelected);
    link("0x81", 0x81, LinkCode::ProgrammingEntered);
    link("0x82", 0x82, LinkCode::ConfigReadBack);
    link("0x83", 0x83, LinkCode::MainBlockErased);
    link("0x84", 0x84, LinkCode::Cfg0Written);
    QTest::newRow("0x85") << 0x85 << int(T::FlashWrite) << 0;
    link("0x87", 0x87, LinkCode::ProgrammingLeft);
    link("0x88", 0x88, LinkCode::InfoBlockErased);
    link("0x89", 0x89, LinkCode::ConfigReadBack);
    link("0x8A", 0x8A, LinkCode::Supply3V);
    link("0x8B", 0x8B, LinkCode::Supply5V);
    link("0x8C", 0x8C, LinkCode::SupplyOff);
    link("0x8D", 0x8D, LinkCode::TrimWritten);
    link("0x8E", 0x8E, LinkCode::EepromErased);
    QTest::newRow("0x8F") << 0x8F << int(T::EepromWrite) << 0;
    debug("0xB0", 0xB0, DebugCode::Started);
    debug("0xB1", 0xB1, DebugCode::SupplyReply);
    debug("0xB2", 0xB2, DebugCode::StartupContinued);
    debug("0xB6", 0xB6, DebugCode::ParametersWritten);
    for (int code : {0x00, 0x86, 0x90, 0xB4, 0xB5, 0xAA, 0xFF}) {
        QTest::newRow(qPrintable(QStringLiteral("drop 0x%1").arg(code, 2, 16, QLatin1Char('0'))))
            << code << int(T::Drop) << 0;
    }
}

void TestProtocol::dispatchTable() {
    QFETCH(int, code);
    QFETCH(int, target);
    QFETCH(int, value);
    ReceiveDispatch d;
    Report r = makeReport(static_cast<uint8_t>(code));
    if (code == 0x7F)
        r = bytes({0, 0x7F, 0x56, 1, 0, 1, 1, 0x61});
    const Routing out = d.route(r, 0, 0, 0);
    QCOMPARE(int(out.target), target);
    if (out.target == Routing::Target::Link)
        QCOMPARE(int(out.link), value);
    if (out.target == Routing::Target::Debug)
        QCOMPARE(int(out.debug), value);
}

void TestProtocol::bulkReadsTakeEveryReport_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("target");
    using T = Routing::Target;
    QTest::newRow("0x80 during a flash read") << 1 << 0x80 << int(T::FlashRead);
    QTest::newRow("data during a flash read") << 1 << 0x12 << int(T::FlashRead);
    QTest::newRow("AA BB CC during a flash read") << 1 << 0xAA << int(T::FlashRead);
    QTest::newRow("0x85 during a flash read") << 1 << 0x85 << int(T::FlashRead);
    QTest::newRow("0xB3 during an EEPROM read") << 2 << 0xB3 << int(T::EepromRead);
    QTest::newRow("0x7F during an EEPROM read") << 2 << 0x7F << int(T::EepromRead);
    QTest::newRow("0x80 after the read") << 0 << 0x80 << int(T::Link);
}

void TestProtocol::bulkReadsTakeEveryReport() {
    QFETCH(int, mode);
    QFETCH(int, code);
    QFETCH(int, target);
    ReceiveDispatch d;
    const Routing out = d.route(makeReport(static_cast<uint8_t>(code)), mode, 0, 0);
    QCOMPARE(int(out.target), target);
    if (target != int(Routing::Target::Link))
        QVERIFY(out.link != LinkCode::ChipSelected);
}

void TestProtocol::version_data() {
    QTest::addColumn<Report>("reply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("V1.0.1.1a") << bytes({0, 0x7F, 0x56, 1, 0, 1, 1, 0x61})
                               << QStringLiteral("V1.0.1.1a") << int(LinkCode::VersionAccepted);
    QTest::newRow("V1.0.1.1b") << bytes({0, 0x7F, 0x56, 1, 0, 1, 1, 0x62})
                               << QStringLiteral("V1.0.1.1b") << int(LinkCode::VersionRefused);
    QTest::newRow("V2.0.1.1a") << bytes({0, 0x7F, 0x56, 2, 0, 1, 1, 0x61})
                               << QStringLiteral("V2.0.1.1a") << int(LinkCode::VersionRefused);
    QTest::newRow("v1.0.1.12a") << bytes({0, 0x7F, 0x76, 1, 0, 1, 12, 0x61})
                                << QStringLiteral("v1.0.1.12a") << int(LinkCode::VersionRefused);
}

void TestProtocol::version() {
    QFETCH(Report, reply);
    QFETCH(QString, text);
    QFETCH(int, code);
    QCOMPARE(ReceiveDispatch::formatVersion(reply), text);
    ReceiveDispatch d;
    QCOMPARE(int(d.route(reply, 0, 0, 0).link), code);
}

// Each row feeds a list of reports; the outcome of the last one and, for an accepted frame,
// the decoded key flags are checked.
void TestProtocol::debugFrames_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QList<Report>>("reports");
    QTest::addColumn<std::vector<int>>("outcomes");  // 0 none, 1 accepted, 2 malformed
    QTest::addColumn<uint>("keyFlags");

    auto all = [](const Frame& f) {
        QList<Report> l;
        for (const Report& r : segments(f))
            l << r;
        return l;
    };
    // Good frames, one per family, in one, two and three reports.
    QTest::newRow("chip 0, 8 channels")
        << 0 << 8 << all(standardFrame(0, 8)) << std::vector<int>{1} << 0u;
    QTest::newRow("chip 2, 32 channels, three segments")
        << 2 << 32 << all(standardFrame(2, 32)) << std::vector<int>{0, 0, 1} << 0u;
    QTest::newRow("chip 5, 8 channels")
        << 5 << 8 << all(standardFrame(5, 8, 0x000081)) << std::vector<int>{1} << 0x81u;
    QTest::newRow("chip 9, 24 channels, two segments")
        << 9 << 24 << all(standardFrame(9, 24, 0x800001)) << std::vector<int>{0, 1} << 0x800001u;
    QTest::newRow("chip 13, 14 channels, two segments")
        << 13 << 14 << all(standardFrame(13, 14, 0x00000800)) << std::vector<int>{0, 1} << 0x800u;
    QTest::newRow("chip 10, 32 channels") << 10 << 32 << all(standardFrame(10, 32, 0x80000001u))
                                          << std::vector<int>{0, 0, 1} << 0x80000001u;

    // Checks per family.
    Frame badParity = standardFrame(5, 8);
    badParity.b[33] ^= 1;
    QTest::newRow("chip 5, wrong parity") << 5 << 8 << all(badParity) << std::vector<int>{2} << 0u;
    Frame badLength = standardFrame(7, 8);
    badLength.b[34] = 31;
    QTest::newRow("chip 7, wrong length byte")
        << 7 << 8 << all(badLength) << std::vector<int>{2} << 0u;
    Frame badMarker = standardFrame(1, 4);
    badMarker.b[1] = 0xAF;
    QTest::newRow("chip 1, second marker") << 1 << 4 << all(badMarker) << std::vector<int>{2} << 0u;
    Frame badEnd = standardFrame(12, 8);
    badEnd.b[39] = 0xFE;
    QTest::newRow("chip 12, terminator") << 12 << 8 << all(badEnd) << std::vector<int>{2} << 0u;
    // Chips 10 to 13 check parity only on frames of more than one report and 24 channels or
    // fewer.
    Frame oneReport = standardFrame(11, 8, 3);
    oneReport.b[33] ^= 1;
    QTest::newRow("chip 11, one report, parity unchecked")
        << 11 << 8 << all(oneReport) << std::vector<int>{1} << 3u;
    Frame twoReports = standardFrame(11, 20);
    twoReports.b[81] ^= 1;
    QTest::newRow("chip 11, 20 channels, parity checked")
        << 11 << 20 << all(twoReports) << std::vector<int>{0, 2} << 0u;
    Frame wide = standardFrame(13, 28, 0x0F000000);
    wide.b[113] ^= 1;
    wide.b[114] = 0;
    QTest::newRow("chip 13, 28 channels, parity and length unchecked")
        << 13 << 28 << all(wide) << std::vector<int>{0, 1} << 0x0F000000u;

    // Length coverage.
    QTest::newRow("chip 3, L one short")
        << 3 << 8 << QList<Report>{segment(standardFrame(3, 8), 0, 38)} << std::vector<int>{2}
        << 0u;
    QTest::newRow("chip 0, L for fewer channels")
        << 0 << 8 << QList<Report>{segment(standardFrame(0, 4), 0)} << std::vector<int>{2} << 0u;
    QTest::newRow("chip 10, L zero")
        << 10 << 1 << QList<Report>{segment(standardFrame(10, 1), 0, 0)} << std::vector<int>{2}
        << 0u;

    // Reassembly.
    const Frame two = standardFrame(6, 24, 0x10);
    QTest::newRow("segment 1 before segment 0")
        << 6 << 24 << QList<Report>{segment(two, 1), segment(two, 0), segment(two, 1)}
        << std::vector<int>{0, 0, 1} << 0x10u;
    const Frame three = standardFrame(10, 32, 0x20);
    const Frame next = standardFrame(10, 32, 0x40);
    QTest::newRow("lost last segment, then a whole frame")
        << 10 << 32
        << QList<Report>{segment(three, 0), segment(three, 1), segment(next, 0), segment(next, 1),
                         segment(next, 2)}
        << std::vector<int>{0, 0, 0, 0, 1} << 0x40u;
    QTest::newRow("lost last segment never merges with a later frame's tail")
        << 10 << 32
        << QList<Report>{segment(three, 0), segment(three, 1), segment(next, 1), segment(next, 2)}
        << std::vector<int>{0, 0, 0, 0} << 0u;
    QTest::newRow("segment 2 twice")
        << 10 << 32
        << QList<Report>{segment(three, 0), segment(three, 1), segment(three, 2), segment(three, 2)}
        << std::vector<int>{0, 0, 1, 0} << 0x20u;
    QTest::newRow("a new debug run drops a half frame")
        << 6 << 24 << QList<Report>{segment(two, 0), makeReport(0xB0), segment(two, 1)}
        << std::vector<int>{0, -1, 0} << 0u;
    QTest::newRow("three segments on chip 4 are ignored")
        << 4 << 29 << QList<Report>{segment(three, 0), segment(three, 1), segment(three, 2)}
        << std::vector<int>{0, 0, 0} << 0u;
    QTest::newRow("more than 32 channels")
        << 0 << 33 << all(standardFrame(0, 8)) << std::vector<int>{2} << 0u;
}

void TestProtocol::debugFrames() {
    QFETCH(int, chip);
    QFETCH(int, channels);
    QFETCH(QList<Report>, reports);
    QFETCH(std::vector<int>, outcomes);
    QFETCH(uint, keyFlags);
    QCOMPARE(size_t(reports.size()), outcomes.size());
    ReceiveDispatch d;
    for (int i = 0; i < reports.size(); ++i) {
        const Routing r = d.route(reports[i], 0, chip, channels);
        if (reports[i][1] != 0xB3) {
            QCOMPARE(outcomes[i], -1);
            continue;
        }
        const int got = r.target == Routing::Target::Drop      ? 0
                        : r.debug == DebugCode::Sample         ? 1
                        : r.debug == DebugCode::MalformedFrame ? 2
                                                               : -1;
        QCOMPARE(got, outcomes[i]);
        if (got == 1) {
            QCOMPARE(r.sample.channelCount, channels);
            QCOMPARE(r.sample.keyFlags, uint32_t(keyFlags));
            for (int c = 0; c < channels; ++c) {
                QCOMPARE(r.sample.raw[c], uint16_t(0x1200 + 37 * c));
                QCOMPARE(r.sample.baseline[c], uint16_t(0x0F00 + 11 * c));
            }
        }
    }
}

// Frames the reassembly gives up on are counted once each, with the report that ends them.
void TestProtocol::ignoredFramesAreCounted_data() {
    QTest::addColumn<int>("chip");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QList<Report>>("reports");
    QTest::addColumn<std::vector<int>>("ignored");
    const Frame two = standardFrame(6, 24);
    const Frame three = standardFrame(10, 32);
    const Frame next = standardFrame(10, 32);
    QTest::newRow("three segments on chip 4: one frame")
        << 4 << 29 << QList<Report>{segment(three, 0), segment(three, 1), segment(three, 2)}
        << std::vector<int>{1, 0, 0};
    QTest::newRow("lost last segment, then a whole frame")
        << 10 << 32
        << QList<Report>{segment(three, 0), segment(three, 1), segment(next, 0), segment(next, 1),
                         segment(next, 2)}
        << std::vector<int>{0, 0, 1, 0, 0};
    QTest::newRow("pending frame, then a later frame's tail")
        << 10 << 32
        << QList<Report>{segment(three, 0), segment(three, 1), segment(next, 1), segment(next, 2)}
        << std::vector<int>{0, 0, 1, 0};
    QTest::newRow("pending frame, then a frame in one report")
        << 6 << 24 << QList<Report>{segment(two, 0), segment(standardFrame(6, 2), 0)}
        << std::vector<int>{0, 1};
    QTest::newRow("a stray segment 1 is no frame")
        << 6 << 24 << QList<Report>{segment(two, 1)} << std::vector<int>{0};
    QTest::newRow("whole frames give up nothing")
        << 6 << 24
        << QList<Report>{segment(two, 0), segment(two, 1), segment(two, 0), segment(two, 1)}
        << std::vector<int>{0, 0, 0, 0};
    QTest::newRow("a new debug run forgets the half frame of the last one")
        << 6 << 24 << QList<Report>{segment(two, 0), makeReport(0xB0), segment(two, 0)}
        << std::vector<int>{0, 0, 0};
}

void TestProtocol::ignoredFramesAreCounted() {
    QFETCH(int, chip);
    QFETCH(int, channels);
    QFETCH(QList<Report>, reports);
    QFETCH(std::vector<int>, ignored);
    QCOMPARE(size_t(reports.size()), ignored.size());
    ReceiveDispatch d;
    for (int i = 0; i < reports.size(); ++i)
        QCOMPARE(d.route(reports[i], 0, chip, channels).ignoredFrames, ignored[i]);
}

void TestProtocol::sampleIsACopy() {
    ReceiveDispatch d;
    const Frame f = standardFrame(8, 4, 0x5);
    const Routing first = d.route(segment(f, 0), 0, 8, 4);
    QCOMPARE(first.debug, DebugCode::Sample);
    // A later frame with other data must not change the sample already handed out.
    Frame other = makeFrame(8, 4, {1, 2, 3, 4}, {5, 6, 7, 8}, 0);
    const Routing second = d.route(segment(other, 0), 0, 8, 4);
    QCOMPARE(second.sample.raw[0], uint16_t(1));
    QCOMPARE(first.sample.raw[0], uint16_t(0x1200));
    QCOMPARE(first.sample.keyFlags, 5u);
}

void TestProtocol::parameterFrame() {
    DebugParameters p;
    for (int i = 0; i < 32; ++i)
        p.keyThresholds[i] = 0x100 + i;  // only the low byte travels
    p.reso = 7;
    p.ref = 6;
    p.rb = 3;
    p.ds = 8;
    p.prs = 10;
    p.adaptiveEnable = 1;
    p.adaptiveLine = 32768;
    p.dms = 1;
    p.debugWork = 1;
    p.channelOpenMask = 0x12345678;
    p.adcEnable = 0x1A5;
    p.adcResolution = 5;
    p.chipPackage = 3;
    const Report r = cmd::writeDebugParameters(p, 12);
    Report e{};
    e[1] = 0xB6;
    e[2] = 12;
    for (int i = 0; i < 32; ++i)
        e[3 + i] = i;
    e[35] = 7;
    e[36] = 6;
    e[37] = 3;
    e[38] = 8;
    e[39] = 10;
    e[40] = 1;
    e[41] = e[42] = e[43] = e[44] = 0xFF;
    e[45] = 0x80;
    e[46] = 0x00;
    e[47] = 1;
    e[48] = 1;
    e[49] = 0x12;
    e[50] = 0x34;
    e[51] = 0x56;
    e[52] = 0x78;
    e[53] = 0xA5;
    e[54] = 5;
    e[60] = 3;
    QCOMPARE(reportToHex(r), reportToHex(e));
    uint8_t chip = 0;
    const DebugParameters back = parseDebugParametersFrame(r, &chip);
    QCOMPARE(chip, uint8_t(12));
    QCOMPARE(back.channelOpenMask, p.channelOpenMask);
    QCOMPARE(back.adaptiveLine, p.adaptiveLine);
    QCOMPARE(back.keyThresholds[31], 31);
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
