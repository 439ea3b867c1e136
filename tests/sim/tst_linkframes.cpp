// The simulated USB link's frame arithmetic: when a report written at a given moment reaches
// the board, and when the board's answers become readable. Times in microseconds.
#include "sim/simlink.h"

#include <QTest>

using tessel::SimLinkModel;

namespace {

// One step of a scenario: the host writes at `at` (or, with `out` false, the board produces an
// answer at `at`), and the model must give `expected`.
struct Step {
    bool out;
    int64_t at;
    int64_t expected;
};

}  // namespace

Q_DECLARE_METATYPE(std::vector<Step>)

class TestLinkFrames : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void schedule_data() {
        QTest::addColumn<int>("latency");
        QTest::addColumn<std::vector<Step>>("steps");
        // A lock-step exchange costs two frames: out at the next frame, answer at the one after.
        QTest::newRow("one exchange")
            << 1 << std::vector<Step>{{true, 300, 1000}, {false, 1000, 2000}};
        QTest::newRow("lock-step, late host still in time")
            << 1
            << std::vector<Step>{
                   {true, 300, 1000}, {false, 1000, 2000}, {true, 2950, 3000}, {false, 3000, 4000}};
        QTest::newRow("written on a frame boundary") << 1 << std::vector<Step>{{true, 1000, 2000}};
        QTest::newRow("host a frame late loses one frame")
            << 1
            << std::vector<Step>{
                   {true, 300, 1000}, {false, 1000, 2000}, {true, 3010, 4000}, {false, 4000, 5000}};
        QTest::newRow("two writes in one frame")
            << 1 << std::vector<Step>{{true, 300, 1000}, {true, 500, 2000}, {true, 2100, 3000}};
        QTest::newRow("three answers to one report") << 1
                                                     << std::vector<Step>{{true, 300, 1000},
                                                                          {false, 1000, 2000},
                                                                          {false, 1000, 3000},
                                                                          {false, 1000, 4000}};
        QTest::newRow("answer while a stream segment holds the frame")
            << 1 << std::vector<Step>{{false, 1200, 2000}, {false, 1500, 3000}};
        QTest::newRow("latency 2")
            << 2 << std::vector<Step>{{true, 300, 2000}, {false, 2000, 4000}};
        QTest::newRow("latency 3, late writes")
            << 3 << std::vector<Step>{{true, 999, 3000}, {true, 1999, 4000}, {false, 4000, 7000}};
        QTest::newRow("latency 0 goes at once")
            << 0
            << std::vector<Step>{
                   {true, 300, 300}, {true, 300, 300}, {false, 301, 301}, {false, 301, 301}};
    }

    void schedule() {
        QFETCH(int, latency);
        QFETCH(std::vector<Step>, steps);
        SimLinkModel link;
        for (size_t i = 0; i < steps.size(); ++i) {
            const Step& s = steps[i];
            const int64_t ns = s.at * 1000;
            const int64_t got = s.out ? link.departure(ns, latency) : link.arrival(ns, latency);
            if (got != s.expected * 1000)
                QFAIL(qPrintable(QStringLiteral("step %1: %2 us, expected %3 us")
                                     .arg(i)
                                     .arg(got / 1000)
                                     .arg(s.expected)));
        }
    }
};

QTEST_APPLESS_MAIN(TestLinkFrames)
#include "tst_linkframes.moc"
