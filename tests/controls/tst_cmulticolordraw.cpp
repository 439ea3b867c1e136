// The chart: labels, value-to-pixel mapping, the sample window and the painted picture.
#include "pages/debug/cmulticolordraw.h"

#include <QTest>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <utility>

using tessel::CMultiColorDraw;
using tessel::colorFromColorref;

namespace {

// 455 x 228 gives a plot of 400 x 200: left 50, top 8, right 450, bottom 208.
constexpr int kWidth = 455;
constexpr int kHeight = 228;
constexpr int kLeft = 50;
constexpr int kTop = 8;
constexpr int kRight = 450;
constexpr int kBottom = 208;

const QColor kBlack(0, 0, 0);
const QColor kFrame(0x80, 0x80, 0x80);
const QColor kGrid(0x20, 0x40, 0x20);
const QColor kCyan(0, 0xFF, 0xFF);

QColor at(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

// A chart of the test size with 8192 / 0 and every channel hidden.
void prepare(CMultiColorDraw& chart) {
    chart.resize(kWidth, kHeight);
    chart.setUpperEnd(8192);
    chart.setLowerEnd(0);
    for (int ch = 0; ch < CMultiColorDraw::kChannels; ++ch)
        chart.setChannelVisible(ch, false);
}

void fill(CMultiColorDraw& chart, int channel, std::int32_t value) {
    for (int i = 0; i < chart.sampleWindow(); ++i)
        chart.addSample(channel, value);
}

int countPixels(const QImage& image, const QRect& box, const std::function<bool(QColor)>& test) {
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (test(at(image, x, y)))
                ++n;
    return n;
}

bool cyanish(QColor c) {
    return c.blue() > 100 && c.green() > 100 && c.red() < 60;
}

}  // namespace

class TestCMultiColorDraw : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void colorref_data() {
        QTest::addColumn<uint>("colorref");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("cyan") << 0xFFFF00u << QColor(0, 0xFF, 0xFF);
        QTest::newRow("red") << 0x0000FFu << QColor(0xFF, 0, 0);
        QTest::newRow("grid green") << 0x204020u << QColor(0x20, 0x40, 0x20);
        QTest::newRow("channel 2") << 0xD781F8u << QColor(0xF8, 0x81, 0xD7);
        QTest::newRow("blue") << 0xFF0000u << QColor(0, 0, 0xFF);
    }
    void colorref() {
        QFETCH(uint, colorref);
        QFETCH(QColor, colour);
        QCOMPARE(colorFromColorref(colorref), colour);
    }

    void construction() {
        CMultiColorDraw chart;
        QCOMPARE(chart.upperEnd(), 0x4000);
        QCOMPARE(chart.lowerEnd(), 0);
        QVERIFY(chart.title().isEmpty());
        for (int ch = 0; ch < CMultiColorDraw::kChannels; ++ch) {
            QVERIFY(chart.channelVisible(ch));
            QCOMPARE(chart.channelColour(ch), 0x0000FFu);
            QCOMPARE(chart.sample(ch, 0), 0);
            QCOMPARE(chart.sample(ch, 1023), 0);
        }
        QVERIFY(chart.sampleWindow() >= 1 && chart.sampleWindow() <= 1024);
    }

    void labels_data() {
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("lower");
        QTest::addColumn<QList<qint64>>("labels");
        QTest::newRow("8192 / 0") << 8192 << 0
                                  << QList<qint64>{7373, 6554, 5735, 4916, 4097, 3278, 2459, 1640};
        QTest::newRow("default range")
            << 0x4000 << 0 << QList<qint64>{14746, 13108, 11470, 9832, 8194, 6556, 4918, 3280};
        QTest::newRow("around zero")
            << 100 << -100 << QList<qint64>{80, 60, 40, 20, 0, -20, -40, -60};
        QTest::newRow("step below one") << 7 << 0 << QList<qint64>{7, 7, 7, 7, 7, 7, 7, 7};
        // (0 - 25) / 10 truncates towards zero to -2, not -3.
        QTest::newRow("inverted range") << 0 << 25 << QList<qint64>{2, 4, 6, 8, 10, 12, 14, 16};
        const qint64 step = 429496729;  // (2^31 - 1 + 2^31) / 10
        QList<qint64> wide;
        for (int k = 1; k <= 8; ++k)
            wide << 2147483647 - k * step;
        QTest::newRow("whole 32-bit span")
            << std::numeric_limits<int>::max() << std::numeric_limits<int>::min() << wide;
    }
    void labels() {
        QFETCH(int, upper);
        QFETCH(int, lower);
        QFETCH(QList<qint64>, labels);
        CMultiColorDraw chart;
        chart.setUpperEnd(upper);
        chart.setLowerEnd(lower);
        const auto inner = chart.innerLabels();
        QCOMPARE(QList<qint64>(inner.begin(), inner.end()), labels);
    }

    // Each inner label sits where a curve point of its value is drawn: y = H - trunc((value -
    // lower) / (upper - lower) * H) below the plot top. Labels crowding the one above (closer
    // than 8 pixels) or the lower end are left out.
    void labelPlacement_data() {
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("height");
        QTest::addColumn<QList<int>>("ys");
        QTest::addColumn<QList<qint64>>("values");
        QTest::newRow("100 px: every 10 pixels")
            << 8192 << 0 << 100 << QList<int>{10, 20, 30, 40, 50, 60, 70, 80}
            << QList<qint64>{7373, 6554, 5735, 4916, 4097, 3278, 2459, 1640};
        // The window's usual plot: the zero line is 40 pixels down, not 50.
        QTest::newRow("80 px Differ")
            << 1000 << -1000 << 80 << QList<int>{8, 16, 24, 32, 40, 48, 56, 64}
            << QList<qint64>{800, 600, 400, 200, 0, -200, -400, -600};
        QTest::newRow("200 px Differ")
            << 1000 << -1000 << 200 << QList<int>{20, 40, 60, 80, 100, 120, 140, 160}
            << QList<qint64>{800, 600, 400, 200, 0, -200, -400, -600};
        // 6 pixels apart: every second label.
        QTest::newRow("60 px") << 8192 << 0 << 60 << QList<int>{12, 24, 36, 48}
                               << QList<qint64>{6554, 4916, 3278, 1640};
        // 800 at 4, 600 at 8, 400 at 12, 200 at 15, 0 at 19, -200 at 23, -400 at 26, -600 at
        // 30 (7 above the lower end).
        QTest::newRow("37 px") << 1000 << -1000 << 37 << QList<int>{8, 19} << QList<qint64>{600, 0};
        QTest::newRow("step below one: all on the top")
            << 7 << 0 << 100 << QList<int>{} << QList<qint64>{};
        QTest::newRow("inverted range") << 0 << 25 << 100 << QList<int>{} << QList<qint64>{};
    }
    void labelPlacement() {
        QFETCH(int, upper);
        QFETCH(int, lower);
        QFETCH(int, height);
        QFETCH(QList<int>, ys);
        QFETCH(QList<qint64>, values);
        QList<int> gotY;
        QList<qint64> gotValue;
        for (const CMultiColorDraw::AxisLabel& l :
             CMultiColorDraw::innerLabelPlacement(upper, lower, height)) {
            gotY << l.y;
            gotValue << l.value;
        }
        QCOMPARE(gotY, ys);
        QCOMPARE(gotValue, values);
    }

    void valueToY_data() {
        QTest::addColumn<int>("upper");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("y");
        QTest::newRow("upper end on the top edge") << 8192 << 0 << 8192 << kTop;
        QTest::newRow("lower end on the bottom edge") << 8192 << 0 << 0 << kBottom;
        QTest::newRow("above clamped") << 8192 << 0 << 9000 << kTop;
        QTest::newRow("below clamped") << 8192 << 0 << -5 << kBottom;
        QTest::newRow("middle") << 8192 << 0 << 4096 << kBottom - 100;
        QTest::newRow("just above lower truncates") << 8192 << 0 << 1 << kBottom;
        QTest::newRow("just below upper truncates") << 8192 << 0 << 8191 << kTop + 1;
        QTest::newRow("negative range") << -100 << -300 << -150 << kBottom - 150;
        QTest::newRow("whole span, no overflow")
            << std::numeric_limits<int>::max() << std::numeric_limits<int>::min() << 0
            << kBottom - 100;
        QTest::newRow("empty range") << 50 << 50 << 50 << kBottom;
    }
    void valueToY() {
        QFETCH(int, upper);
        QFETCH(int, lower);
        QFETCH(int, value);
        QFETCH(int, y);
        CMultiColorDraw chart;
        chart.setUpperEnd(upper);
        chart.setLowerEnd(lower);
        QCOMPARE(chart.valueToY(value, kTop, kBottom), y);
    }

    void sampleWindow_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("window");
        QTest::newRow("no width") << 0 << 1;
        QTest::newRow("narrower than margins") << 30 << 1;
        QTest::newRow("margins only") << 55 << 1;
        QTest::newRow("2-pixel plot") << 57 << 2;
        QTest::newRow("400-pixel plot") << kWidth << 201;
        QTest::newRow("2046-pixel plot") << 2101 << 1024;
        QTest::newRow("2048-pixel plot") << 2103 << 1024;
        QTest::newRow("very wide") << 5000 << 1024;
    }
    void sampleWindow() {
        QFETCH(int, width);
        QFETCH(int, window);
        QCOMPARE(CMultiColorDraw::sampleWindowFor(width), window);
        CMultiColorDraw chart;
        chart.resize(width, 100);
        QCOMPARE(chart.sampleWindow(), window);
    }

    void addSampleScrolls() {
        CMultiColorDraw chart;
        chart.resize(kWidth, kHeight);
        const int n = chart.sampleWindow();
        QCOMPARE(n, 201);
        for (int i = 1; i <= n + 3; ++i)
            chart.addSample(4, i);
        QCOMPARE(chart.sample(4, 0), 4);
        QCOMPARE(chart.sample(4, n - 1), n + 3);
        QCOMPARE(chart.sample(4, n), 0);  // beyond the window: untouched
        QCOMPARE(chart.sample(3, n - 1), 0);
        QCOMPARE(chart.sample(5, 0), 0);
        chart.clearChannel(4);
        QCOMPARE(chart.sample(4, n - 1), 0);
    }

    void samplesBeforeFirstPaintStayInside_data() {
        QTest::addColumn<int>("width");
        QTest::newRow("no width") << 0;
        QTest::newRow("narrower than margins") << 20;
        QTest::newRow("wider than 2046-pixel plot") << 4000;
    }
    void samplesBeforeFirstPaintStayInside() {
        QFETCH(int, width);
        // Never shown, never painted.
        CMultiColorDraw chart;
        chart.resize(width, 150);
        const int n = chart.sampleWindow();
        for (int i = 0; i < 3000; ++i)
            chart.addSample(30, 1000 + i);
        QCOMPARE(chart.sample(30, n - 1), 3999);
        QCOMPARE(chart.sample(31, 0), 0);
        QCOMPARE(chart.sample(31, 1023), 0);
        if (n > 1)
            QCOMPARE(chart.sample(30, n - 2), 3998);
        // Out-of-range channels are ignored.
        chart.addSample(32, 5);
        chart.addSample(-1, 5);
        QCOMPARE(chart.sample(32, 0), 0);
    }

    void staticPicture() {
        CMultiColorDraw chart;
        prepare(chart);
        chart.setTitle(QStringLiteral("Baseline"));
        const QImage img = chart.renderImage();
        QCOMPARE(img.size(), QSize(kWidth, kHeight));
        // Black plot and margins.
        QCOMPARE(at(img, 453, 100), kBlack);
        QCOMPARE(at(img, 65, 155), kBlack);
        QCOMPARE(at(img, 200, 3), kBlack);
        // Frame on the plot rectangle.
        QCOMPARE(at(img, kLeft, 100), kFrame);
        QCOMPARE(at(img, kRight, 100), kFrame);
        QCOMPARE(at(img, 205, kTop), kFrame);
        QCOMPARE(at(img, 205, kBottom), kFrame);
        QCOMPARE(at(img, kRight, kTop), kFrame);
        // Grid every 10 pixels, from the bottom and from the left.
        QCOMPARE(at(img, 105, kBottom - 10), kGrid);
        QCOMPARE(at(img, 105, kBottom - 190), kGrid);
        QCOMPARE(at(img, kLeft + 10, 150), kGrid);
        QCOMPARE(at(img, kLeft + 390, 150), kGrid);
        QCOMPARE(at(img, 105, kBottom - 15), kBlack);
        QCOMPARE(at(img, kLeft + 15, 150), kBlack);
        // The frame stays grey where grid lines meet it.
        QCOMPARE(at(img, kLeft, kBottom - 10), kFrame);
        QCOMPARE(at(img, kLeft + 10, kBottom), kFrame);
        // Value axis 4 pixels left of the plot, up to the top of the control.
        const int axis = kLeft - 4;
        QCOMPARE(at(img, axis, 100), kCyan);
        QCOMPARE(at(img, axis, 0), kCyan);
        QCOMPARE(at(img, axis + 1, 100), kBlack);
        // 6-pixel ticks at the bottom and at the last grid line, 3-pixel ticks between.
        QCOMPARE(at(img, axis - 6, kBottom), kCyan);
        QCOMPARE(at(img, axis - 6, kBottom - 200), kCyan);
        QCOMPARE(at(img, axis - 3, kBottom - 10), kCyan);
        QCOMPARE(at(img, axis - 4, kBottom - 10), kBlack);
        QCOMPARE(at(img, axis - 3, kBottom - 100), kCyan);
        // Labels in the axis colour, right-aligned before x = 40, and the title below.
        QVERIFY(countPixels(img, QRect(20, kTop - 6, 21, 12), cyanish) > 5);
        QVERIFY(countPixels(img, QRect(0, kTop + 80 - 6, 41, 12), cyanish) > 5);
        QVERIFY(countPixels(img, QRect(20, kBottom - 6, 21, 12), cyanish) > 2);
        // On this 200-pixel plot the labels sit every 20 pixels, where their values are drawn:
        // 4097 half way down, nothing between it and 3278 at 120.
        QVERIFY(countPixels(img, QRect(0, kTop + 100 - 6, 41, 12), cyanish) > 5);
        QCOMPARE(countPixels(img, QRect(0, kTop + 106, 40, 8), cyanish), 0);
        QVERIFY(countPixels(img, QRect(0, kHeight - 14, 60, 14), cyanish) > 5);
    }

    void curves_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("y");
        QTest::newRow("upper end") << 8192 << kTop;
        QTest::newRow("lower end") << 0 << kBottom;
        QTest::newRow("above") << 100000 << kTop;
        QTest::newRow("below") << -100000 << kBottom;
        QTest::newRow("half") << 4096 << kBottom - 100;
        QTest::newRow("quarter") << 2048 << kBottom - 50;
    }
    void curves() {
        QFETCH(int, value);
        QFETCH(int, y);
        CMultiColorDraw chart;
        prepare(chart);
        chart.setChannelVisible(7, true);
        chart.setChannelColour(7, 0xFFFF00);  // cyan
        chart.setChannelVisible(8, true);
        chart.setChannelColour(8, 0x0000FF);  // red, drawn over channel 7
        fill(chart, 7, value);
        fill(chart, 8, value);
        const QImage img = chart.renderImage();
        const QColor red(0xFF, 0, 0);
        // Points every 2 pixels from plot left + 1; the last one at plot left + 1 + 400.
        QCOMPARE(at(img, kLeft + 1, y), red);
        QCOMPARE(at(img, kLeft + 2, y), red);
        QCOMPARE(at(img, 250, y), red);
        QCOMPARE(at(img, kLeft + 401, y), red);
        QCOMPARE(at(img, kLeft + 402, y), kBlack);
        QCOMPARE(at(img, 251, y == kTop ? y + 1 : y - 1), kBlack);
        // Hiding the red channel shows the cyan one under it.
        chart.setChannelVisible(8, false);
        QCOMPARE(at(chart.renderImage(), 250, y), kCyan);
    }

    void slopeIsJoined() {
        CMultiColorDraw chart;
        prepare(chart);
        chart.setChannelVisible(0, true);
        chart.setChannelColour(0, 0x00FF00);
        const int n = chart.sampleWindow();
        for (int i = 0; i < n - 1; ++i)
            chart.addSample(0, 0);
        chart.addSample(0, 8192);  // the last point jumps to the top
        const QImage img = chart.renderImage();
        const QColor green(0, 0xFF, 0);
        const int lastX = kLeft + 1 + 2 * (n - 1);
        QCOMPARE(at(img, lastX, kTop), green);
        QCOMPARE(at(img, lastX - 2, kBottom), green);
        // The segment between them crosses the middle of the plot.
        QVERIFY(countPixels(img, QRect(lastX - 2, 100, 3, 10),
                            [&](QColor c) { return c == green; }) > 0);
    }

    void segment_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::newRow("flat") << 70 << 70;
        QTest::newRow("one up") << 50 << 51;
        QTest::newRow("two down") << 52 << 50;
        QTest::newRow("three up") << 10 << 13;
        QTest::newRow("steep up") << 0 << 200;
        QTest::newRow("steep down") << 199 << 3;
        QTest::newRow("odd steep") << 20 << 157;
    }
    void segment() {
        // A 2-pixel plot holds two points: one segment from (51, y0) to (53, y1).
        QFETCH(int, from);
        QFETCH(int, to);
        CMultiColorDraw chart;
        chart.resize(57, kHeight);
        QCOMPARE(chart.sampleWindow(), 2);
        chart.setUpperEnd(200);
        chart.setLowerEnd(0);
        for (int ch = 1; ch < CMultiColorDraw::kChannels; ++ch)
            chart.setChannelVisible(ch, false);
        chart.setChannelColour(0, 0x00FF00);
        chart.addSample(0, from);
        chart.addSample(0, to);
        const QImage img = chart.renderImage();
        const QColor green(0, 0xFF, 0);
        const int y0 = kBottom - from;
        const int y1 = kBottom - to;
        const int rise = std::abs(y1 - y0);
        QCOMPARE(at(img, 51, y0), green);
        QCOMPARE(at(img, 53, y1), green);
        const auto isGreen = [&](QColor c) { return c == green; };
        // One pixel per step along the longer direction, all inside the segment's box.
        QCOMPARE(countPixels(img, img.rect(), isGreen), std::max(2, rise) + 1);
        QCOMPARE(countPixels(img, QRect(51, std::min(y0, y1), 3, rise + 1), isGreen),
                 std::max(2, rise) + 1);
        if (rise > 2) {
            for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
                QCOMPARE(countPixels(img, QRect(51, y, 3, 1), isGreen), 1);
        } else {
            for (int x = 51; x <= 53; ++x)
                QCOMPARE(countPixels(img, QRect(x, 0, 1, kHeight), isGreen), 1);
        }
    }

    void hiddenChannelKeepsHistory() {
        CMultiColorDraw chart;
        prepare(chart);
        chart.setChannelColour(2, 0x00FF00);
        const int n = chart.sampleWindow();
        for (int i = 0; i < n; ++i)
            chart.addSample(2, i < n / 2 ? 8192 : 4096);
        const QColor green(0, 0xFF, 0);
        QCOMPARE(at(chart.renderImage(), kLeft + 1, kTop), kFrame);
        chart.setChannelVisible(2, true);
        const QImage img = chart.renderImage();
        QCOMPARE(at(img, kLeft + 1, kTop), green);             // oldest points
        QCOMPARE(at(img, kLeft + 401, kBottom - 100), green);  // newest points
    }

    void resizeShrinksWindow() {
        CMultiColorDraw chart;
        prepare(chart);
        chart.setChannelVisible(1, true);
        chart.setChannelColour(1, 0xFF00FF);  // magenta
        const int n = chart.sampleWindow();
        QCOMPARE(n, 201);
        // Oldest 101 at the lower end, newest 100 at the upper end.
        for (int i = 0; i < n; ++i)
            chart.addSample(1, i < 101 ? 0 : 8192);
        const QColor magenta(0xFF, 0, 0xFF);
        QCOMPARE(at(chart.renderImage(), 300, kTop), magenta);

        chart.resize(255, kHeight);  // a 200-pixel plot: 101 points
        QCOMPARE(chart.sampleWindow(), 101);
        const QImage img = chart.renderImage();
        QCOMPARE(img.width(), 255);
        // Only the oldest 101 samples are drawn, all on the bottom edge.
        QCOMPARE(at(img, kLeft + 1, kBottom), magenta);
        QCOMPARE(at(img, kLeft + 201, kBottom), magenta);
        QCOMPARE(countPixels(img, QRect(kLeft + 1, kTop, 200, 1),
                             [&](QColor c) { return c == magenta; }),
                 0);
        // The next sample scrolls the smaller window.
        chart.addSample(1, 8192);
        QCOMPARE(chart.sample(1, 100), 8192);
        QCOMPARE(at(chart.renderImage(), kLeft + 201, kTop), magenta);
    }

    void highDensityPicture() {
        // At two device pixels per pixel the painter draws the grid and curves.
        CMultiColorDraw chart;
        prepare(chart);
        chart.setChannelVisible(3, true);
        chart.setChannelColour(3, 0x00FF00);
        fill(chart, 3, 4096);
        QImage img(QSize(kWidth, kHeight) * 2, QImage::Format_RGB32);
        img.setDevicePixelRatio(2.0);
        chart.renderInto(img);
        QCOMPARE(img.size(), QSize(2 * kWidth, 2 * kHeight));
        const QColor green(0, 0xFF, 0);
        const auto near = [&](int x, int y, const QColor& c) {
            return countPixels(img, QRect(2 * x - 1, 2 * y - 1, 3, 3),
                               [&](QColor p) { return p == c; }) > 0;
        };
        QVERIFY(near(250, kBottom - 100, green));
        QVERIFY(near(105, kBottom - 10, kGrid));
        QVERIFY(near(kLeft + 10, 150, kGrid));
        QVERIFY(near(kLeft, 100, kFrame));
        QVERIFY(!near(65, 155, kGrid));
        QVERIFY(!near(250, kBottom - 95, green));
    }

    void tinyControlPaintsBlack() {
        CMultiColorDraw chart;
        chart.resize(40, 15);
        chart.addSample(0, 100);
        const QImage img = chart.renderImage();
        QCOMPARE(img.size(), QSize(40, 15));
        QCOMPARE(countPixels(img, img.rect(), [](QColor c) { return c != QColor(0, 0, 0); }), 0);
    }

    void screenShowsTheSamePicture() {
        CMultiColorDraw chart;
        prepare(chart);
        chart.setChannelVisible(0, true);
        fill(chart, 0, 4096);
        chart.show();
        const QImage shown = chart.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage rendered = chart.renderImage();
        QCOMPARE(shown.size(), rendered.size());
        QCOMPARE(at(shown, 250, kBottom - 100), QColor(0xFF, 0, 0));
        QCOMPARE(at(shown, kLeft, 100), kFrame);
        QCOMPARE(shown, rendered);
    }

    // Autoscale: the range of the received values of the visible channels, a twentieth of
    // the span as margin; the ends set by the owner rule when it is off or nothing is shown.
    void autoScaleRange_data() {
        QTest::addColumn<QList<int>>("visible");
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::newRow("channels 0 and 2") << QList<int>{0, 2} << true << 84 << 206;
        QTest::newRow("channel 1 alone") << QList<int>{1} << true << 4999 << 5001;
        QTest::newRow("all three") << QList<int>{0, 1, 2} << true << -156 << 5246;
        QTest::newRow("off") << QList<int>{0, 2} << false << 0 << 8192;
        QTest::newRow("no data shown") << QList<int>{3} << true << 0 << 8192;
    }
    void autoScaleRange() {
        QFETCH(QList<int>, visible);
        QFETCH(bool, on);
        QFETCH(int, lower);
        QFETCH(int, upper);
        CMultiColorDraw chart;
        prepare(chart);
        // The window's older slots hold zeros: they are no received values.
        for (const int v : {100, 120})
            chart.addSample(0, v);
        chart.addSample(1, 5000);
        for (const int v : {90, 200})
            chart.addSample(2, v);
        for (const int ch : visible)
            chart.setChannelVisible(ch, true);
        chart.setAutoScale(on);
        QCOMPARE(chart.shownRange(), std::make_pair(std::int32_t(lower), std::int32_t(upper)));
        const QImage image = chart.renderImage();
        QCOMPARE(image.size(), QSize(kWidth, kHeight));
    }

    // The read-out under a point: 455 x 228, range 0 ... 1000, window 201 points. Channel 0
    // got 10 samples 100, 150, ... 550 (sample k at column 191 + k), channel 1 ten of 800.
    // Column 195 is x = 441; a value of 300 is on row 148, 800 on row 48.
    void readout_data() {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<bool>("hideChannel1");
        QTest::addColumn<bool>("found");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("sample");
        QTest::addColumn<int>("value");
        QTest::newRow("channel 0") << QPoint(441, 150) << false << true << 0 << 4 << 300;
        QTest::newRow("channel 1, next column")
            << QPoint(442, 50) << false << true << 1 << 5 << 800;
        QTest::newRow("hidden channel passed over")
            << QPoint(441, 50) << true << true << 0 << 4 << 300;
        QTest::newRow("no values there") << QPoint(100, 100) << false << false << 0 << 0 << 0;
        QTest::newRow("left of the plot") << QPoint(20, 150) << false << false << 0 << 0 << 0;
    }
    void readout() {
        QFETCH(QPoint, point);
        QFETCH(bool, hideChannel1);
        QFETCH(bool, found);
        QFETCH(int, channel);
        QFETCH(int, sample);
        QFETCH(int, value);
        CMultiColorDraw chart;
        prepare(chart);
        chart.setUpperEnd(1000);
        chart.setChannelVisible(0, true);
        chart.setChannelVisible(1, !hideChannel1);
        for (int k = 0; k < 10; ++k) {
            chart.addSample(0, 100 + 50 * k);
            chart.addSample(1, 800);
        }
        const auto r = chart.readoutAt(point);
        QCOMPARE(r.has_value(), found);
        if (!found)
            return;
        QCOMPARE(r->channel, channel);
        QCOMPARE(r->sample, qint64(sample));
        QCOMPARE(r->value, value);
        QCOMPARE(CMultiColorDraw::readoutText(*r),
                 QStringLiteral("Ch%1  #%2  %3").arg(channel).arg(sample).arg(value));
    }

    // The legend: a box of each visible channel's colour at the plot's top left.
    void legendShowsVisibleChannels() {
        CMultiColorDraw chart;
        prepare(chart);
        chart.setChannelColour(0, 0x0000FF);
        chart.setChannelColour(1, 0x00FF00);
        chart.setChannelVisible(0, true);
        chart.setChannelVisible(1, true);
        const QImage image = chart.renderImage();
        const QRect strip(kLeft + 1, kTop + 1, 120, 16);
        const auto red = [](QColor c) { return c.red() > 200 && c.green() < 40 && c.blue() < 40; };
        const auto green = [](QColor c) { return c.green() > 200 && c.red() < 40; };
        QCOMPARE(countPixels(image, strip, red), 64);  // 8 x 8
        QCOMPARE(countPixels(image, strip, green), 64);
        chart.setLegendVisible(false);
        QCOMPARE(countPixels(chart.renderImage(), strip, red), 0);
    }
};

QTEST_MAIN(TestCMultiColorDraw)
#include "tst_cmulticolordraw.moc"
