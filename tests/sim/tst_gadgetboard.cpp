// The gadget board's side of the wire, on a socket pair that keeps report boundaries as
// /dev/hidgN does: 64-byte reports without the report ID each way, the trace lines, the count
// of reports of another length, and the debug stream written without being asked.
#include "sim/gadgetboard.h"

#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <thread>
#include <vector>

using namespace tessel;

namespace {

// A board serving one end of a SOCK_SEQPACKET pair on a thread; the test is the host.
struct Rig {
    explicit Rig(const SimOptions& options = {}) {
        int fds[2];
        if (::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, fds) != 0)
            qFatal("socketpair");
        board_ = fds[0];
        host = fds[1];
        ::fcntl(board_, F_SETFL, O_NONBLOCK);
        trace = std::tmpfile();
        gadget = std::make_unique<GadgetBoard>(board_, options, trace);
        server = std::thread([this] { gadget->serve(); });
    }
    ~Rig() {
        gadget->stop();
        server.join();
        gadget.reset();
        ::close(board_);
        ::close(host);
        std::fclose(trace);
    }
    void write(const std::vector<uint8_t>& bytes) const {
        QCOMPARE(::send(host, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
    }
    // One input report, or an empty vector when none came within the time.
    std::vector<uint8_t> read(int timeoutMs = 2000) const {
        pollfd p{host, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1)
            return {};
        std::vector<uint8_t> buf(256);
        const ssize_t n = ::recv(host, buf.data(), buf.size(), 0);
        buf.resize(size_t(std::max<ssize_t>(n, 0)));
        return buf;
    }
    QStringList traceLines() const {
        std::fflush(trace);
        std::rewind(trace);
        QStringList out;
        char line[1024];
        while (std::fgets(line, sizeof line, trace))
            out << QString::fromLatin1(line).trimmed();
        return out;
    }

    int host = -1;
    std::FILE* trace = nullptr;
    std::unique_ptr<GadgetBoard> gadget;
    std::thread server;

private:
    int board_ = -1;
};

std::vector<uint8_t> payload(std::initializer_list<uint8_t> head, size_t size = 64) {
    std::vector<uint8_t> p(head);
    p.resize(size, 0);
    return p;
}

}  // namespace

class TestGadgetBoard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void versionRequestGetsA64ByteAnswer() {
        Rig rig;
        rig.write(payload({0x7F, 0xCD, 0xCD, 0xCD}));
        const std::vector<uint8_t> answer = rig.read();
        QCOMPARE(answer.size(), size_t(64));  // no report ID on the wire
        const std::vector<uint8_t> head(answer.begin(), answer.begin() + 7);
        QCOMPARE(head, (std::vector<uint8_t>{0x7F, 0x56, 0x01, 0x00, 0x01, 0x01, 0x61}));

        const QStringList trace = rig.traceLines();
        QCOMPARE(trace.size(), 1);
        QCOMPARE(trace[0], QStringLiteral("00 7f cd cd cd") +
                               QStringLiteral(" 00").repeated(60));  // 65 bytes, as --trace
        const GadgetBoard::Counts c = rig.gadget->counts();
        QCOMPARE(c.reports, 1);
        QCOMPARE(c.wrongLength, 0);
        QTRY_COMPARE(rig.gadget->counts().answers, 1);  // counted once written
    }

    void reportsOfAnotherLengthAreCounted_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("65 bytes: the report ID sent along") << 65;
        QTest::newRow("63 bytes") << 63;
        QTest::newRow("1 byte") << 1;
    }
    void reportsOfAnotherLengthAreCounted() {
        QFETCH(int, length);
        Rig rig;
        rig.write(payload({0x80, 0x05}, size_t(length)));
        rig.write(payload({0x80, 0x05}));
        QVERIFY(!rig.read().empty());
        QTRY_COMPARE(rig.gadget->counts().reports, 2);
        QCOMPARE(rig.gadget->counts().wrongLength, 1);
        const QStringList trace = rig.traceLines();
        QCOMPARE(trace.size(), 2);
        QCOMPARE(int(trace[0].split(QLatin1Char(' ')).size()), length + 1);
        QCOMPARE(int(trace[1].split(QLatin1Char(' ')).size()), 65);
    }

    void debugFramesFlowUntilPaused() {
        SimOptions o;
        o.frameRate = 200;
        Rig rig(o);
        rig.write(payload({0xB0, 0x05, 0x00}));  // start debugging chip 5
        QCOMPARE(rig.read()[0], uint8_t(0xB0));
        rig.write(payload({0xB3, 0x08}));  // data of 8 channels, no answer but the stream
        for (int i = 0; i < 5; ++i) {
            const std::vector<uint8_t> segment = rig.read();
            QCOMPARE(segment.size(), size_t(64));
            QCOMPARE(segment[0], uint8_t(0xB3));
        }
        rig.write(payload({0xB4}));
        QTRY_VERIFY(!rig.gadget->board().streaming());
        while (!rig.read(300).empty()) {
        }
        QVERIFY(rig.read(300).empty());  // nothing more after the pause
    }

    // Pulled out and plugged in again: the stream stops and the fault counters start over.
    void replugStartsAfresh() {
        SimOptions o;
        o.silentAfter = 3;
        o.frameRate = 200;
        Rig rig(o);
        rig.write(payload({0xB0, 0x05, 0x00}));
        QCOMPARE(rig.read()[0], uint8_t(0xB0));
        rig.write(payload({0xB3, 0x08}));
        QCOMPARE(rig.read()[0], uint8_t(0xB3));  // the stream runs
        rig.gadget->replug();
        QVERIFY(!rig.gadget->board().streaming());
        while (!rig.read(300).empty()) {
        }
        rig.write(payload({0x80, 0x05}));  // the 3rd report, but the 1st since plugged in
        const std::vector<uint8_t> answer = rig.read();
        QCOMPARE(answer.size(), size_t(64));
        QCOMPARE(answer[0], uint8_t(0x80));
        QCOMPARE(answer[1], uint8_t(0x05));
    }
};

QTEST_GUILESS_MAIN(TestGadgetBoard)
#include "tst_gadgetboard.moc"
