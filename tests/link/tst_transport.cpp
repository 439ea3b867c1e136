// The transport against a scripted device: report framing, the four bulk transfers with
// their time-outs and error replies, opening the right board, and losing it.
#include "fakedevice.h"
#include "link/cmusbhid.h"
#include "link/connection.h"

#include <QSignalSpy>
#include <QTest>

#include <array>
#include <memory>

using namespace tessel;
using namespace tessel::test;

namespace {

Report reply(uint8_t code, uint8_t b2 = 0) {
    Report r = makeReport(code);
    r[2] = b2;
    return r;
}

// A board with 64 KiB of flash and 2 KiB of EEPROM that answers every bulk report.
struct MemoryBoard {
    std::array<uint8_t, 65536> flash{};
    std::array<uint8_t, 2048> eeprom{};
    int dataReportsExpected = 0;
    uint32_t writeOffset = 0;
    bool eepromData = false;
    bool crcErrorOnData = false;
    bool readFailure = false;
    int flipAt = -1;  // flash offset whose read-back is corrupted

    MemoryBoard() {
        flash.fill(0xFF);
        eeprom.fill(0xFF);
    }

    std::vector<Report> operator()(const Report& in) {
        if (dataReportsExpected > 0) {
            --dataReportsExpected;
            if (eepromData) {
                std::copy(in.begin() + 1, in.end(), eeprom.begin() + writeOffset);
                writeOffset += 64;
                return {reply(0x8F)};
            }
            std::copy(in.begin() + 1, in.end(), flash.begin() + writeOffset);
            writeOffset += 64;
            Report r = reply(0x85);
            if (crcErrorOnData)
                r[4] = 0x56;
            return {r};
        }
        const int length = in[3] << 8 | in[4];
        switch (in[1]) {
            case 0x85:
                dataReportsExpected =
                    (in[2] << 8 | in[3]) / 64 + ((in[2] << 8 | in[3]) % 64 ? 1 : 0);
                writeOffset = 0;
                eepromData = false;
                return {reply(0x85)};
            case 0x86: {
                if (in[2] == 0xFF)
                    return {reply(0x86)};
                if (readFailure) {
                    Report r{};
                    r[1] = 0xAA;
                    r[2] = 0xBB;
                    r[3] = 0xCC;
                    return {r};
                }
                Report r{};
                const int base = length * 64;
                for (int i = 0; i < in[2]; ++i) {
                    r[1 + i] = flash[base + i];
                    if (base + i == flipAt)
                        r[1 + i] ^= 0x01;
                }
                return {r};
            }
            case 0x8F:
                dataReportsExpected = 16;
                writeOffset = 0;
                eepromData = true;
                return {reply(0x8F)};
            case 0x90: {
                if (in[2] == 0xFF)
                    return {reply(0x90)};
                Report r{};
                std::copy_n(eeprom.begin() + length * 64, 64, r.begin() + 1);
                return {r};
            }
            case 0x7F: {
                Report r = reply(0x7F, 0x56);
                r[3] = 1;
                r[5] = 1;
                r[6] = 1;
                r[7] = 0x61;
                return {r};
            }
            default:
                return {reply(in[1])};
        }
    }
};

QList<LinkCode> codes(const QSignalSpy& spy) {
    QList<LinkCode> out;
    for (const QList<QVariant>& args : spy)
        out << args[0].value<LinkNotification>().code;
    return out;
}

bool seen(const QSignalSpy& spy, LinkCode code) {
    return codes(spy).contains(code);
}

}  // namespace

class TransportTest : public QObject {
    Q_OBJECT

    SharedState state_;
    std::unique_ptr<FakeBackend> backend_;
    std::unique_ptr<CMUSBHid> transport_;
    std::shared_ptr<MemoryBoard> board_;

    void openBoard(FakeDevice::Responder responder) {
        backend_->devices = {FakeBackend::board(QStringLiteral("/dev/hidraw7"))};
        backend_->responder = std::move(responder);
        transport_->open();
        QVERIFY(transport_->isConnected());
        QCoreApplication::processEvents();  // deliver the opening notification
    }

    void openMemoryBoard() {
        board_ = std::make_shared<MemoryBoard>();
        auto b = board_;
        openBoard([b](const Report& r) { return (*b)(r); });
    }

    std::vector<Report> written() const { return backend_->lastDevice->written(); }

private Q_SLOTS:
    void init() {
        state_.transferMode = 0;
        state_.verifyAfterWrite = 0;
        backend_ = std::make_unique<FakeBackend>();
        transport_ = std::make_unique<CMUSBHid>(state_, *backend_);
        transport_->setAnswerTimeoutMs(40);
    }

    void cleanup() {
        transport_.reset();
        backend_.reset();
    }

    void opensFirstMatchingBoard_data() {
        QTest::addColumn<QList<HidDeviceInfo>>("devices");
        QTest::addColumn<QString>("expected");
        const HidDeviceInfo mouse{QStringLiteral("/dev/hidraw0"), 0x046D, 0xC077, 0x0200, {}};
        const HidDeviceInfo newer = FakeBackend::board(QStringLiteral("/dev/hidraw1"), 0x0201);
        const HidDeviceInfo first = FakeBackend::board(QStringLiteral("/dev/hidraw2"));
        const HidDeviceInfo second = FakeBackend::board(QStringLiteral("/dev/hidraw3"));
        QTest::newRow("none") << QList<HidDeviceInfo>{mouse} << QString();
        QTest::newRow("other release skipped")
            << QList<HidDeviceInfo>{mouse, newer, first} << first.path;
        QTest::newRow("first of two boards") << QList<HidDeviceInfo>{second, first} << second.path;
    }

    void opensFirstMatchingBoard() {
        QFETCH(QList<HidDeviceInfo>, devices);
        QFETCH(QString, expected);
        backend_->devices = devices;
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        transport_->open();
        QCOMPARE(transport_->isConnected(), !expected.isEmpty());
        QCOMPARE(backend_->openedPaths,
                 expected.isEmpty() ? QList<QString>{} : QList<QString>{expected});
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(codes(spy).first(),
                 expected.isEmpty() ? LinkCode::NoDevice : LinkCode::DeviceOpened);
    }

    void boardWithoutPermissionGivesNoDevice() {
        backend_->devices = {FakeBackend::board(QStringLiteral("/dev/hidraw4"))};
        backend_->openResult = OpenResult::PermissionDenied;
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        transport_->open();
        QVERIFY(!transport_->isConnected());
        QCOMPARE(transport_->lastOpenResult(), OpenResult::PermissionDenied);
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(codes(spy).first(), LinkCode::NoDevice);

        // The log says how to grant access.
        RecordingLog log;
        ConnectionSequence connection(state_, *transport_, log, nullptr);
        QVERIFY(connection.handle(spy.first()[0].value<LinkNotification>()));
        QCOMPARE(log.lines.size(), 2);
        QCOMPARE(log.lines[0], QStringLiteral("无USB设备!"));
        QVERIFY(log.lines[1].contains(QStringLiteral("udev")));
        QVERIFY(log.lines[1].contains(QStringLiteral("0483")));
        // A line PC without a desktop session gets access through the group, and is told how.
        QVERIFY(log.lines[1].contains(
            QStringLiteral("MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"")));
        QVERIFY(log.lines[1].contains(QStringLiteral("sudo usermod -aG plugdev $USER")));
        QVERIFY(boardAccessHint(true).contains(
            QStringLiteral("add the user to the group plugdev (sudo usermod -aG plugdev $USER)")));
    }

    void sendWritesWholeReportWithId0() {
        openBoard(nullptr);
        Report r = makeReport(0x80);
        r[0] = 0x55;  // the transport owns byte 0
        r[2] = 12;
        QVERIFY(transport_->send(r));
        const auto w = written();
        QCOMPARE(w.size(), size_t(1));
        QCOMPARE(w[0].size(), size_t(65));
        QCOMPARE(int(w[0][0]), 0);
        QCOMPARE(int(w[0][1]), 0x80);
        QCOMPARE(int(w[0][2]), 12);
    }

    void sendWithoutBoardFails() { QVERIFY(!transport_->send(makeReport(0x80))); }

    void versionReplyBecomesNotification_data() {
        QTest::addColumn<int>("last");
        QTest::addColumn<LinkCode>("code");
        QTest::newRow("V1.0.1.1a") << 0x61 << LinkCode::VersionAccepted;
        QTest::newRow("V1.0.1.1b") << 0x62 << LinkCode::VersionRefused;
    }

    void versionReplyBecomesNotification() {
        QFETCH(int, last);
        QFETCH(LinkCode, code);
        openBoard([last](const Report&) {
            Report r = reply(0x7F, 0x56);
            r[3] = 1;
            r[5] = 1;
            r[6] = 1;
            r[7] = static_cast<uint8_t>(last);
            return std::vector<Report>{r};
        });
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        transport_->send(makeReport(0x7F));
        QTRY_VERIFY(seen(spy, code));
        const LinkNotification n = spy.last()[0].value<LinkNotification>();
        QCOMPARE(int(n.report[7]), last);  // the notification carries its own copy
    }

    void flashWriteSplitsIntoDataReports_data() {
        QTest::addColumn<int>("length");
        // Progress notifications: one for each percentage the bar shows, not one per report.
        QTest::addColumn<int>("progress");
        QTest::newRow("1 byte") << 1 << 1;
        QTest::newRow("64 bytes") << 64 << 1;
        QTest::newRow("128 bytes") << 128 << 2;
        QTest::newRow("100 bytes") << 100 << 2;
        QTest::newRow("16382 bytes") << 16382 << 101;  // 256 reports, 0 % to 100 %
    }

    void flashWriteSplitsIntoDataReports() {
        QFETCH(int, length);
        QFETCH(int, progress);
        openMemoryBoard();
        std::vector<uint8_t> image(length);
        for (int i = 0; i < length; ++i)
            image[i] = static_cast<uint8_t>(i * 7 + 1);
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startFlashWrite(image.data(), length));
        QTRY_VERIFY(seen(spy, LinkCode::FlashWriteFinished));
        QCOMPARE(int(state_.verifyAfterWrite), 1);

        const auto w = written();
        const int reports = (length + 63) / 64;
        QCOMPARE(int(w.size()), 1 + reports);
        QCOMPARE(int(w[0][1]), 0x85);
        QCOMPARE(int(w[0][2]), length >> 8);
        QCOMPARE(int(w[0][3]), length & 0xFF);
        const Report& last = w.back();
        const int tail = length - (reports - 1) * 64;
        for (int i = 0; i < 64; ++i) {
            const int expected = i < tail ? image[(reports - 1) * 64 + i] : 0xFF;
            QCOMPARE(int(last[1 + i]), expected);
        }
        QVERIFY(std::equal(image.begin(), image.end(), board_->flash.begin()));
        QCOMPARE(codes(spy).count(LinkCode::FlashWriteProgress), progress);
        QVERIFY(reports >= progress);
        QCOMPARE(codes(spy).first(), LinkCode::FlashWriteStarted);
    }

    void nextTransferStartsFromTheFinishNotification() {
        openMemoryBoard();
        std::vector<uint8_t> image(300, 0x42);
        std::vector<uint8_t> dest(65536, 0xFF);
        bool readStarted = false;
        connect(
            transport_.get(), &CMUSBHid::linkNotification, this, [&](const LinkNotification& n) {
                if (n.code == LinkCode::FlashWriteFinished) {
                    readStarted = transport_->startFlashRead(dest.data(), 300, image.data(), 300);
                }
            });
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startFlashWrite(image.data(), 300));
        QTRY_VERIFY(seen(spy, LinkCode::FlashReadFinished));
        QVERIFY(readStarted);
        QCOMPARE(int(dest[299]), 0x42);
    }

    void silentBoardGetsFiveHeadersThenTimeout() {
        openBoard(nullptr);
        std::vector<uint8_t> image(10, 0x12);
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startFlashWrite(image.data(), 10));
        QTRY_VERIFY(seen(spy, LinkCode::TransferTimeout));
        const auto w = written();
        QCOMPARE(int(w.size()), 5);
        for (const Report& r : w)
            QCOMPARE(int(r[1]), 0x85);
        QCOMPARE(codes(spy).count(LinkCode::FlashWriteStarted), 5);
        QVERIFY(!seen(spy, LinkCode::FlashWriteFinished));
    }

    void flashWriteCrcErrorStops() {
        openMemoryBoard();
        board_->crcErrorOnData = true;
        std::vector<uint8_t> image(200, 0x34);
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startFlashWrite(image.data(), 200));
        QTRY_VERIFY(seen(spy, LinkCode::FlashWriteCrcError));
        QCOMPARE(int(written().size()), 2);  // header and the first data report
        QCOMPARE(int(state_.verifyAfterWrite), 0);
    }

    void flashReadOutcomes_data() {
        QTest::addColumn<bool>("verify");
        QTest::addColumn<bool>("readFailure");
        QTest::addColumn<int>("flipAt");
        QTest::addColumn<LinkCode>("end");
        QTest::addColumn<int>("verifyAfter");
        QTest::newRow("plain read") << false << false << -1 << LinkCode::FlashReadFinished << 0;
        QTest::newRow("verified read") << true << false << -1 << LinkCode::FlashReadFinished << 0;
        QTest::newRow("read failure") << false << true << -1 << LinkCode::FlashReadError << 0;
        QTest::newRow("mismatch keeps verify set")
            << true << false << 70 << LinkCode::FlashVerifyMismatch << 1;
        QTest::newRow("difference ignored without verify")
            << false << false << 70 << LinkCode::FlashReadFinished << 0;
    }

    void flashReadOutcomes() {
        QFETCH(bool, verify);
        QFETCH(bool, readFailure);
        QFETCH(int, flipAt);
        QFETCH(LinkCode, end);
        QFETCH(int, verifyAfter);
        openMemoryBoard();
        std::vector<uint8_t> image(130);
        for (int i = 0; i < 130; ++i)
            image[i] = static_cast<uint8_t>(i);
        std::copy(image.begin(), image.end(), board_->flash.begin());
        board_->readFailure = readFailure;
        board_->flipAt = flipAt;
        state_.verifyAfterWrite = verify ? 1 : 0;
        std::vector<uint8_t> dest(65536, 0xFF);

        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startFlashRead(dest.data(), 130, image.data(), 130));
        QTRY_VERIFY(seen(spy, end));
        QCOMPARE(int(state_.transferMode), 0);
        QCOMPARE(int(state_.verifyAfterWrite), verifyAfter);
        if (end == LinkCode::FlashReadFinished) {
            QCOMPARE(int(dest[129]), 129);
            QCOMPARE(int(dest[130]), 0xFF);
            const auto w = written();
            QCOMPARE(int(w.size()), 4);  // header and three block requests
            QCOMPARE(int(w[0][1]), 0x86);
            QCOMPARE(int(w[0][2]), 0xFF);
            QCOMPARE(int(w[0][4]), 130);
            QCOMPARE(int(w[3][2]), 2);  // the last block carries 2 bytes
            QCOMPARE(int(w[3][4]), 2);  // block number 2
        }
    }

    void replyDuringFlashReadBelongsToTheRead() {
        // A board that answers every block request with a report whose first byte reads 0x80:
        // during the read it is data, not a chip-selected notification.
        openBoard([](const Report& in) {
            Report r{};
            r[1] = 0x80;
            r[2] = in[4];
            return std::vector<Report>{r};
        });
        std::vector<uint8_t> dest(65536, 0xFF);
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startFlashRead(dest.data(), 64, nullptr, 0));
        QTRY_VERIFY(seen(spy, LinkCode::FlashReadFinished));
        QVERIFY(!seen(spy, LinkCode::ChipSelected));
        QCOMPARE(int(dest[0]), 0x80);
    }

    void eepromWriteAndRead() {
        openMemoryBoard();
        std::array<uint8_t, 1024> data{};
        for (int i = 0; i < 1024; ++i)
            data[i] = static_cast<uint8_t>(255 - i % 251);
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startEepromWrite(data.data()));
        QTRY_VERIFY(seen(spy, LinkCode::EepromWriteFinished));
        auto w = written();
        QCOMPARE(int(w.size()), 17);
        QCOMPARE(int(w[0][1]), 0x8F);
        QCOMPARE(int(w[0][2]), 0x04);
        QCOMPARE(int(w[0][3]), 0x00);
        QCOMPARE(codes(spy).count(LinkCode::EepromBlock), 16);

        std::array<uint8_t, 2048> dest;
        dest.fill(0xEE);
        QVERIFY(transport_->startEepromRead(dest.data(), 1024));
        QTRY_VERIFY(seen(spy, LinkCode::EepromReadFinished));
        QVERIFY(std::equal(data.begin(), data.end(), dest.begin()));
        QCOMPARE(int(dest[1024]), 0xEE);
        w = written();
        QCOMPARE(int(w[17][1]), 0x90);
        QCOMPARE(int(w[17][2]), 0xFF);
        QCOMPARE(int(w[17][3]), 0x04);
        QCOMPARE(int(w[18][2]), 0x40);
        QCOMPARE(int(state_.transferMode), 0);
    }

    void eepromReadTimeoutRestoresRouting() {
        openBoard([](const Report& in) {
            return in[1] == 0x90 && in[2] == 0xFF ? std::vector<Report>{reply(0x90)}
                                                  : std::vector<Report>{};
        });
        std::array<uint8_t, 1024> dest{};
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startEepromRead(dest.data(), 1024));
        QTRY_VERIFY(seen(spy, LinkCode::TransferTimeout));
        QCOMPARE(int(state_.transferMode), 0);
        backend_->lastDevice->inject(reply(0x8C, 0xAA));
        QTRY_VERIFY(seen(spy, LinkCode::SupplyOff));  // dispatched normally again
    }

    void lostBoardClosesTransport() {
        openBoard(nullptr);
        QSignalSpy lost(transport_.get(), &CMUSBHid::boardLost);
        QSignalSpy closed(transport_.get(), &CMUSBHid::disconnected);
        backend_->lastDevice->fail();
        QTRY_COMPARE(lost.count(), 1);
        QCOMPARE(closed.count(), 1);
        QVERIFY(!transport_->isConnected());
        QVERIFY(!transport_->send(makeReport(0x80)));
    }

    // A board pulled out and plugged in again at once: the old connection's reader reports
    // the loss after the new connection is open; that report is about a device that is gone
    // and must not end the new one.
    void lossOfTheOldConnectionSparesTheNewOne() {
        openBoard(nullptr);
        QSignalSpy lost(transport_.get(), &CMUSBHid::boardLost);
        backend_->lastDevice->fail();
        QTest::qSleep(100);  // the reader sees the failure; its report waits in the queue
        transport_->open();  // plugged in again before the queue was looked at
        QVERIFY(transport_->isConnected());
        QTest::qWait(100);
        QCOMPARE(lost.count(), 0);
        QVERIFY(transport_->isConnected());
        QVERIFY(transport_->send(makeReport(0x80)));
    }

    void closeStopsRunningTransfer() {
        openBoard(nullptr);  // never answers
        transport_->setAnswerTimeoutMs(5000);
        std::vector<uint8_t> dest(65536);
        QSignalSpy spy(transport_.get(), &CMUSBHid::linkNotification);
        QVERIFY(transport_->startFlashRead(dest.data(), 4096, nullptr, 0));
        QTRY_COMPARE(state_.transferMode.load(), 1);
        QElapsedTimer t;
        t.start();
        transport_->close();
        QVERIFY(t.elapsed() < 1000);
        QCOMPARE(int(state_.transferMode), 0);
        QVERIFY(!transport_->transferRunning());
        QTest::qWait(50);
        QVERIFY(!seen(spy, LinkCode::TransferTimeout));
    }
};

QTEST_GUILESS_MAIN(TransportTest)
#include "tst_transport.moc"
