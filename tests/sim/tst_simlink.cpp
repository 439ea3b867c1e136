// Sequences through the real transport and the simulated board: version check, flash write
// and verify read, EEPROM write and read, faults that end a transfer, losing the board, and
// a debug run with its stream of frames. The board's trace is checked byte by byte.
#include "link/cmusbhid.h"
#include "link/commands.h"
#include "sim/simboard.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>
#include <vector>

using namespace tessel;

namespace {

QList<LinkCode> codes(const QSignalSpy& spy) {
    QList<LinkCode> out;
    for (const QList<QVariant>& args : spy)
        out << args[0].value<LinkNotification>().code;
    return out;
}

LinkNotification last(const QSignalSpy& spy) {
    return spy.isEmpty() ? LinkNotification{} : spy.last()[0].value<LinkNotification>();
}

// The first bytes of a report, for byte-by-byte comparison with the trace.
Report head(std::initializer_list<int> bytes, uint8_t fill = 0) {
    Report r;
    r.fill(fill);
    int i = 0;
    for (int b : bytes)
        r[i++] = static_cast<uint8_t>(b);
    return r;
}

}  // namespace

class TestSimLink : public QObject {
    Q_OBJECT

    SharedState state_;
    std::unique_ptr<SimBackend> backend_;
    std::unique_ptr<CMUSBHid> transport_;

    void start(const QString& options = QString()) {
        SimOptions o;
        QVERIFY(SimOptions::parse(options, &o, nullptr));
        o.latencyMs = 0;
        backend_ = std::make_unique<SimBackend>(o);
        transport_ = std::make_unique<CMUSBHid>(state_, *backend_);
        transport_->setAnswerTimeoutMs(300);  // short, yet safe on a busy machine
        transport_->open();
        QVERIFY(transport_->isConnected());
        QCoreApplication::processEvents();
    }

    // Sends one command and waits for the notification it raises.
    LinkNotification exchange(const Report& command) {
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        transport_->send(command);
        if (!spy.wait(2000))
            return LinkNotification{};
        return last(spy);
    }

private Q_SLOTS:
    void init() {
        state_.transferMode = 0;
        state_.verifyAfterWrite = 0;
        state_.chipIndex = 0;
    }

    void cleanup() {
        transport_.reset();
        backend_.reset();
    }

    void version_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<int>("code");
        QTest::newRow("accepted") << QString() << int(LinkCode::VersionAccepted);
        QTest::newRow("refused") << QStringLiteral("wrong-version")
                                 << int(LinkCode::VersionRefused);
    }

    void version() {
        QFETCH(QString, options);
        QFETCH(int, code);
        start(options);
        const LinkNotification n = exchange(cmd::requestBoardVersion());
        QCOMPARE(int(n.code), code);
        QCOMPARE(reportToHex(backend_->board().trace().back()),
                 reportToHex(head({0, 0x7F, 0xCD, 0xCD, 0xCD})));
    }

    // One-key write of a 100-byte image to chip 1 as the board sees it.
    void flashWriteAndVerify() {
        start();
        state_.chipIndex = 1;
        QCOMPARE(exchange(cmd::selectChip(1)).code, LinkCode::ChipSelected);
        QCOMPARE(exchange(cmd::enterProgrammingMode()).code, LinkCode::ProgrammingEntered);
        QCOMPARE(exchange(cmd::eraseMainBlock(0)).code, LinkCode::MainBlockErased);
        backend_->board().clearTrace();

        std::vector<uint8_t> image(100);
        for (int i = 0; i < 100; ++i)
            image[i] = static_cast<uint8_t>(0x30 + i);
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startFlashWrite(image.data(), 100));
        QTRY_VERIFY(codes(spy).contains(LinkCode::FlashWriteFinished));
        QTRY_VERIFY(!transport_->transferRunning());
        std::vector<uint8_t> back(65536, 0xFF);
        QVERIFY(transport_->startFlashRead(back.data(), 100, image.data(), 100));
        QTRY_VERIFY(codes(spy).contains(LinkCode::FlashReadFinished));
        QVERIFY(!codes(spy).contains(LinkCode::FlashVerifyMismatch));
        QVERIFY(std::equal(image.begin(), image.end(), back.begin()));
        QCOMPARE(int(backend_->board().chip(1).flash[99]), 0x30 + 99);

        const std::vector<Report> t = backend_->board().trace();
        QCOMPARE(t.size(), size_t(6));
        QCOMPARE(reportToHex(t[0]), reportToHex(head({0, 0x85, 0, 100})));
        Report data1 = head({0}, 0xFF);
        std::copy(image.begin(), image.begin() + 64, data1.begin() + 1);
        QCOMPARE(reportToHex(t[1]), reportToHex(data1));
        Report data2 = head({0}, 0xFF);
        std::copy(image.begin() + 64, image.end(), data2.begin() + 1);
        QCOMPARE(reportToHex(t[2]), reportToHex(data2));
        QCOMPARE(reportToHex(t[3]), reportToHex(head({0, 0x86, 0xFF, 0, 100})));
        QCOMPARE(reportToHex(t[4]), reportToHex(head({0, 0x86, 64, 0, 0})));
        QCOMPARE(reportToHex(t[5]), reportToHex(head({0, 0x86, 36, 0, 1})));
        QCOMPARE(state_.transferMode.load(), 0);
    }

    void transferFaults_data() {
        QTest::addColumn<QString>("options");
        QTest::addColumn<bool>("read");
        QTest::addColumn<int>("code");
        QTest::newRow("CRC error in flash data")
            << QStringLiteral("flash-crc=2") << false << int(LinkCode::FlashWriteCrcError);
        QTest::newRow("no answer")
            << QStringLiteral("silent-after=1") << false << int(LinkCode::TransferTimeout);
        QTest::newRow("flash read failure")
            << QStringLiteral("flash-read-fail=2") << true << int(LinkCode::FlashReadError);
        QTest::newRow("flash read CRC")
            << QStringLiteral("flash-read-crc") << true << int(LinkCode::FlashReadError);
        QTest::newRow("flipped byte")
            << QStringLiteral("flip-flash=70") << true << int(LinkCode::FlashVerifyMismatch);
    }

    void transferFaults() {
        QFETCH(QString, options);
        QFETCH(bool, read);
        QFETCH(int, code);
        start(options);
        std::vector<uint8_t> image(200, 0xFF);  // the erased chip already holds it
        std::vector<uint8_t> back(65536, 0);
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        state_.verifyAfterWrite = 1;
        if (read) {
            QVERIFY(transport_->startFlashRead(back.data(), 200, image.data(), 200));
        } else {
            QVERIFY(transport_->startFlashWrite(image.data(), 200));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!transport_->transferRunning(), 5000);
        QTRY_COMPARE(int(last(spy).code), code);
        QCOMPARE(state_.transferMode.load(), 0);
        if (code == int(LinkCode::FlashVerifyMismatch))
            QCOMPARE(last(spy).offset, 70u);
        if (code == int(LinkCode::TransferTimeout)) {
            // Five headers, one per attempt, and nothing else.
            const std::vector<Report> t = backend_->board().trace();
            QCOMPARE(t.size(), size_t(5));
            for (const Report& r : t)
                QCOMPARE(reportToHex(r), reportToHex(head({0, 0x85, 0, 200})));
        }
    }

    void eepromWriteAndRead_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("length");
        QTest::newRow("KR5814") << 11 << 1024;
        QTest::newRow("KR4116") << 7 << 2048;
    }

    void eepromWriteAndRead() {
        QFETCH(int, chip);
        QFETCH(int, length);
        start();
        state_.chipIndex = chip;
        exchange(cmd::selectChip(static_cast<uint8_t>(chip)));
        QCOMPARE(exchange(cmd::eraseEeprom(0)).report[2], uint8_t(1));
        backend_->board().clearTrace();
        std::vector<uint8_t> data(1024);
        for (int i = 0; i < 1024; ++i)
            data[i] = static_cast<uint8_t>(i * 13 + 5);
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startEepromWrite(data.data()));
        QTRY_VERIFY(codes(spy).contains(LinkCode::EepromWriteFinished));
        QTRY_VERIFY(!transport_->transferRunning());
        std::vector<uint8_t> back(4096, 0);
        QVERIFY(transport_->startEepromRead(back.data(), static_cast<uint32_t>(length)));
        QTRY_VERIFY(codes(spy).contains(LinkCode::EepromReadFinished));
        QVERIFY(std::equal(data.begin(), data.end(), back.begin()));
        for (int i = 1024; i < length; ++i)
            QCOMPARE(int(back[i]), 0xFF);

        const std::vector<Report> t = backend_->board().trace();
        const size_t blocks = static_cast<size_t>(length / 64);
        QCOMPARE(t.size(), size_t(1 + 16 + 1 + blocks));
        QCOMPARE(reportToHex(t[0]), reportToHex(head({0, 0x8F, 0x04, 0x00})));
        for (int b = 0; b < 16; ++b) {
            Report d = head({0});
            std::copy(data.begin() + 64 * b, data.begin() + 64 * b + 64, d.begin() + 1);
            QCOMPARE(reportToHex(t[1 + b]), reportToHex(d));
        }
        QCOMPARE(reportToHex(t[17]), reportToHex(head({0, 0x90, 0xFF, length >> 8, 0})));
        QCOMPARE(reportToHex(t[18 + blocks - 1]),
                 reportToHex(head({0, 0x90, 0x40, 0, int(blocks - 1)})));
    }

    void pulledOutAfterReports() {
        start(QStringLiteral("pull-after=3"));
        QSignalSpy lost(transport_.get(), &CMUSBHid::boardLost);
        QSignalSpy gone(transport_.get(), &CMUSBHid::disconnected);
        exchange(cmd::selectChip(0));
        exchange(cmd::enterProgrammingMode());
        transport_->send(cmd::readConfigurationWords());
        QTRY_COMPARE(gone.count(), 1);
        QCOMPARE(lost.count(), 1);
        QVERIFY(!transport_->isConnected());
        QVERIFY(!backend_->pluggedIn());
        QVERIFY(backend_->enumerate().isEmpty());
        backend_->plugIn();
        transport_->open();
        QVERIFY(transport_->isConnected());
        QCoreApplication::processEvents();  // the opening notification
        QCOMPARE(exchange(cmd::selectChip(0)).code, LinkCode::ChipSelected);
    }

    void debugRun_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("channels");
        QTest::newRow("KR4112, 24 channels") << 2 << 24;
        QTest::newRow("KR4161, 12 channels") << 4 << 12;
        QTest::newRow("KR5815, 32 channels") << 10 << 32;
    }

    void debugRun() {
        QFETCH(int, chip);
        QFETCH(int, channels);
        start(QStringLiteral("rate=200,channels=%1").arg(channels));
        state_.chipIndex = chip;
        QSignalSpy spy(transport_.get(), &CMUSBHid::debugNotification);
        auto lastDebug = [&spy] { return spy.last()[0].value<DebugNotification>(); };
        transport_->send(cmd::startDebugging(static_cast<uint8_t>(chip)));
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(lastDebug().code, DebugCode::Started);
        transport_->send(cmd::selectDebugSupply(1));
        QTRY_COMPARE(spy.count(), 2);
        QCOMPARE(lastDebug().report[3], uint8_t(1));
        transport_->send(cmd::continueDebugStartup());
        QTRY_COMPARE(spy.count(), 3);
        QCOMPARE(int(lastDebug().report[3]), channels);
        QVERIFY(transport_->requestDebugData(static_cast<uint8_t>(channels)));
        QTRY_VERIFY(spy.count() >= 8);
        transport_->send(cmd::pauseDebugData());
        QTRY_VERIFY(!backend_->board().streaming());
        int samples = 0;
        for (const QList<QVariant>& args : spy) {
            const DebugNotification n = args[0].value<DebugNotification>();
            QVERIFY(n.code != DebugCode::MalformedFrame);
            if (n.code != DebugCode::Sample)
                continue;
            ++samples;
            QCOMPARE(n.sample.channelCount, channels);
            QVERIFY(n.sample.baseline[channels - 1] >= 2000 + 150 * (channels - 1) - 200);
        }
        QVERIFY(samples >= 5);
        QCOMPARE(reportToHex(backend_->board().trace().back()), reportToHex(head({0, 0xB4})));
    }
};

QTEST_GUILESS_MAIN(TestSimLink)
#include "tst_simlink.moc"
