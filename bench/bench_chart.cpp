// How long one paint of a chart takes with 32 visible channels of 1024 points each.
#include "pages/debug/cmulticolordraw.h"

#include <QImage>
#include <QTest>

#include <cmath>

using tessel::CMultiColorDraw;

class BenchChart : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void paint_data() {
        QTest::addColumn<int>("visible");
        QTest::newRow("chart paint, 32 channels x 1024 points") << 32;
        QTest::newRow("chart paint, no curves") << 0;
    }
    void paint() {
        QFETCH(int, visible);
        CMultiColorDraw chart;
        chart.resize(2101, 300);  // a 2046-pixel plot: 1024 points per channel
        QCOMPARE(chart.sampleWindow(), 1024);
        chart.setUpperEnd(8192);
        chart.setLowerEnd(0);
        chart.setTitle(QStringLiteral("Rawdata"));
        for (int ch = 0; ch < CMultiColorDraw::kChannels; ++ch) {
            chart.setChannelColour(ch, 0x000050u + 0x060500u * static_cast<unsigned>(ch));
            for (int i = 0; i < 1024; ++i)
                chart.addSample(ch,
                                static_cast<int>(300 + ch * 240 + 200 * std::sin(i / 15.0 + ch) +
                                                 40 * std::sin(i * 1.7)));
        }
        for (int ch = visible; ch < CMultiColorDraw::kChannels; ++ch)
            chart.setChannelVisible(ch, false);
        QImage image;
        chart.renderInto(image);
        QBENCHMARK {
            chart.renderInto(image);
        }
    }
};

QTEST_MAIN(BenchChart)
#include "bench_chart.moc"
