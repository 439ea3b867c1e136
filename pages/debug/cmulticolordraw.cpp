#include "pages/debug/cmulticolordraw.h"

#include "debug/chartpng.h"
#include "debug/segment.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace tessel {

namespace {

constexpr std::uint32_t kFrameColour = 0x808080;
constexpr std::uint32_t kGridColour = 0x204020;
constexpr std::uint32_t kAxisColour = 0xFFFF00;

QString serifFamily() {
    static const QString family = [] {
        const QStringList wanted = {
            QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
            QStringLiteral("Tinos"),           QStringLiteral("Nimbus Roman"),
            QStringLiteral("DejaVu Serif"),    QStringLiteral("FreeSerif")};
        for (const QString& f : wanted)
            if (QFontDatabase::hasFamily(f))
                return f;
        return QStringLiteral("serif");
    }();
    return family;
}

QPen thinPen(std::uint32_t colorref) {
    QPen pen(colorFromColorref(colorref));
    pen.setWidth(1);
    pen.setCosmetic(true);
    return pen;
}

// One 1-pixel segment with both of its ends, checking every pixel against the picture.
void drawClippedSegment(QImage& image, int x, int y, int x1, int y1, QRgb colour) {
    const int w = image.width();
    const int h = image.height();
    forEachSegmentPixel(x, y, x1, y1, [&](int px, int py) {
        if (px >= 0 && px < w && py >= 0 && py < h)
            reinterpret_cast<QRgb*>(image.scanLine(py))[px] = colour;
    });
}

// A 1-pixel line through the points (xs[i], ys[i]), every segment with both of its ends,
// straight into a 32-bit picture. A segment is drawn as runs: for step t of the longer
// direction the shorter one is at round(t * short / long), halves rounded up; each run of
// equal rounded values is one straight stretch of pixels.
void drawPolyline(QImage& image, const int* xs, const int* ys, int count, QRgb colour) {
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const int w = image.width();
    const int h = image.height();
    for (int i = 0; i + 1 < count; ++i) {
        const int x0 = xs[i];
        const int y0 = ys[i];
        const int x1 = xs[i + 1];
        const int y1 = ys[i + 1];
        if (x0 < 0 || x0 >= w || x1 < 0 || x1 >= w || y0 < 0 || y0 >= h || y1 < 0 || y1 >= h) {
            drawClippedSegment(image, x0, y0, x1, y1, colour);
            continue;
        }
        const int adx = x0 < x1 ? x1 - x0 : x0 - x1;
        const int ady = y0 < y1 ? y1 - y0 : y0 - y1;
        const bool steep = ady > adx;
        const int longSteps = steep ? ady : adx;
        const int shortSteps = steep ? adx : ady;
        // Moving one step along the long and the short direction, in pixels of the picture.
        const qsizetype xStep = x0 < x1 ? 1 : -1;
        const qsizetype yStep = y0 < y1 ? stride / 4 : -stride / 4;
        const qsizetype longStep = steep ? yStep : xStep;
        const qsizetype shortStep = steep ? xStep : yStep;
        QRgb* p = reinterpret_cast<QRgb*>(bits + y0 * stride) + x0;
        int t = 0;
        for (int j = 0; j <= shortSteps; ++j) {
            // The last step whose rounded short coordinate is j.
            const int end = j == shortSteps
                                ? longSteps
                                : static_cast<int>((static_cast<qint64>(2 * j + 1) * longSteps +
                                                    2 * shortSteps - 1) /
                                                       (2 * shortSteps) -
                                                   1);
            for (; t <= end; ++t) {
                *p = colour;
                p += longStep;
            }
            p += shortStep;
        }
    }
}

}  // namespace

CMultiColorDraw::CMultiColorDraw(QWidget* parent) : QWidget(parent) {
    visible_.fill(true);
    colour_.fill(0x0000FF);
    font_.setFamily(serifFamily());
    font_.setStyleHint(QFont::Serif);
    font_.setPixelSize(10);
    font_.setWeight(QFont::Thin);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void CMultiColorDraw::setTitle(const QString& title) {
    title_ = title;
    update();
}

void CMultiColorDraw::setUpperEnd(std::int32_t upper) {
    upper_ = upper;
    update();
}

void CMultiColorDraw::setLowerEnd(std::int32_t lower) {
    lower_ = lower;
    update();
}

void CMultiColorDraw::setChannelColour(int channel, std::uint32_t colorref) {
    if (channel < 0 || channel >= kChannels)
        return;
    colour_[channel] = colorref;
    update();
}

std::uint32_t CMultiColorDraw::channelColour(int channel) const {
    return channel >= 0 && channel < kChannels ? colour_[channel] : 0;
}

void CMultiColorDraw::setChannelVisible(int channel, bool visible) {
    if (channel < 0 || channel >= kChannels)
        return;
    visible_[channel] = visible;
    update();
}

bool CMultiColorDraw::channelVisible(int channel) const {
    return channel >= 0 && channel < kChannels && visible_[channel];
}

void CMultiColorDraw::addSample(int channel, std::int32_t value) {
    if (channel < 0 || channel >= kChannels)
        return;
    auto& s = samples_[channel];
    const int n = sampleWindow();
    std::copy(s.begin() + 1, s.begin() + n, s.begin());
    s[n - 1] = value;
    ++added_[channel];
    update();
}

void CMultiColorDraw::clearChannel(int channel) {
    if (channel < 0 || channel >= kChannels)
        return;
    samples_[channel].fill(0);
    added_[channel] = 0;
    update();
}

qint64 CMultiColorDraw::samplesAdded(int channel) const {
    return channel >= 0 && channel < kChannels ? added_[channel] : 0;
}

void CMultiColorDraw::setSamplesAdded(int channel, qint64 count) {
    if (channel >= 0 && channel < kChannels)
        added_[channel] = std::max<qint64>(0, count);
}

std::int32_t CMultiColorDraw::sample(int channel, int index) const {
    if (channel < 0 || channel >= kChannels || index < 0 || index >= kMaxSamples)
        return 0;
    return samples_[channel][index];
}

int CMultiColorDraw::sampleWindowFor(int width) {
    const int plotWidth = width - kLeftMargin - kRightMargin;
    return std::clamp(plotWidth / 2 + 1, 1, kMaxSamples);
}

QRect CMultiColorDraw::plotRect() const {
    return QRect(QPoint(kLeftMargin, kTopMargin),
                 QPoint(width() - kRightMargin, height() - kBottomMargin));
}

int CMultiColorDraw::valueToY(std::int32_t value, int plotTop, int plotBottom) const {
    return valueToY(value, upper_, lower_, plotTop, plotBottom);
}

int CMultiColorDraw::valueToY(qint64 value, std::int32_t upper, std::int32_t lower, int plotTop,
                              int plotBottom) {
    if (value <= lower)
        return plotBottom;
    if (value >= upper)
        return plotTop;
    const double span = static_cast<double>(upper) - static_cast<double>(lower);
    const double offset = static_cast<double>(value) - static_cast<double>(lower);
    // Positive, so the conversion truncates towards zero.
    return plotBottom - static_cast<int>(offset / span * (plotBottom - plotTop));
}

std::array<qint64, 8> CMultiColorDraw::innerLabels() const {
    return innerLabels(upper_, lower_);
}

std::array<qint64, 8> CMultiColorDraw::innerLabels(std::int32_t upper, std::int32_t lower) {
    // 64-bit, so that a range of the whole 32-bit span neither overflows nor wraps.
    const qint64 step = (static_cast<qint64>(upper) - static_cast<qint64>(lower)) / 10;
    std::array<qint64, 8> labels{};
    for (int k = 1; k <= 8; ++k)
        labels[k - 1] = static_cast<qint64>(upper) - k * step;
    return labels;
}

std::vector<CMultiColorDraw::AxisLabel> CMultiColorDraw::innerLabelPlacement(std::int32_t upper,
                                                                             std::int32_t lower,
                                                                             int plotHeight) {
    std::vector<AxisLabel> out;
    int above = 0;  // the upper end's label sits on the top row
    for (const qint64 value : innerLabels(upper, lower)) {
        if (value <= lower || value >= upper)
            continue;  // it would read the same as an end
        const int y = valueToY(value, upper, lower, 0, plotHeight);
        if (y - above < kMinLabelGap || plotHeight - y < kMinLabelGap)
            continue;
        out.push_back({y, value});
        above = y;
    }
    return out;
}

void CMultiColorDraw::paintChart(QPainter& p, std::int32_t lower, std::int32_t upper) const {
    const int w = width();
    const int h = height();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(0, 0, w, h, Qt::black);

    const int left = kLeftMargin;
    const int top = kTopMargin;
    const int right = w - kRightMargin;
    const int bottom = h - kBottomMargin;
    const int plotW = right - left;
    const int plotH = bottom - top;
    if (plotW <= 0 || plotH <= 0)
        return;  // narrower or lower than the margins: nothing to plot

    // Frame. (The grid inside it is drawn with the curves, by paintPlot.)
    p.setBrush(Qt::NoBrush);
    p.setPen(thinPen(kFrameColour));
    p.drawRect(left, top, plotW, plotH);

    // Value axis with its ticks.
    const int axisX = left - 4;
    const int gridLines = plotH / 10;
    std::vector<QLine> lines;
    lines.emplace_back(axisX, bottom, axisX, 0);
    lines.emplace_back(axisX - 6, bottom, axisX, bottom);
    for (int k = 1; k < gridLines; ++k)
        lines.emplace_back(axisX - 3, bottom - 10 * k, axisX, bottom - 10 * k);
    if (gridLines > 0)
        lines.emplace_back(axisX - 6, bottom - 10 * gridLines, axisX, bottom - 10 * gridLines);
    p.setPen(thinPen(kAxisColour));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));

    // Labels and title.
    p.setFont(font_);
    const auto label = [&p](qint64 value, int y) {
        p.drawText(QRect(0, y - 6, kLeftMargin - 10, 12), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(value));
    };
    label(upper, top);
    for (const AxisLabel& inner : innerLabelPlacement(upper, lower, plotH))
        label(inner.value, top + inner.y);
    label(lower, bottom);
    p.drawText(QRect(0, h - 14, w, 14), Qt::AlignLeft | Qt::AlignTop, title_);
}

void CMultiColorDraw::paintPlot(QImage& image, std::int32_t lower, std::int32_t upper) const {
    const int left = kLeftMargin;
    const int top = kTopMargin;
    const int right = width() - kRightMargin;
    const int bottom = height() - kBottomMargin;
    const int plotW = right - left;
    const int plotH = bottom - top;
    if (plotW <= 0 || plotH <= 0)
        return;
    // With one pixel per logical pixel the grid and the curves go straight into the
    // picture's pixels, several times faster than the painter's lines for 32 curves of 1024
    // points; otherwise (high-density screens) the painter draws them.
    const bool direct =
        image.devicePixelRatio() == 1.0 && (image.format() == QImage::Format_RGB32 ||
                                            image.format() == QImage::Format_ARGB32_Premultiplied ||
                                            image.format() == QImage::Format_ARGB32);
    std::optional<QPainter> painter;
    if (!direct)
        painter.emplace(&image);

    // Grid: every 10 pixels up from the bottom and right from the left, inside the frame.
    // Nothing drawn before lies inside the frame, so the grid may come after the labels.
    const QRgb grid = colorFromColorref(kGridColour).rgb();
    if (direct) {
        uchar* const bits = image.bits();
        const qsizetype stride = image.bytesPerLine();
        for (int y = top + 1; y < bottom; ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(bits + y * stride);
            if ((bottom - y) % 10 == 0) {
                std::fill(row + left + 1, row + right, grid);
            } else {
                for (int x = left + 10; x < right; x += 10)
                    row[x] = grid;
            }
        }
    } else {
        for (int y = bottom - 10; y > top; y -= 10)
            painter->fillRect(QRect(left + 1, y, plotW - 1, 1), QColor(grid));
        for (int x = left + 10; x < right; x += 10)
            painter->fillRect(QRect(x, top + 1, 1, plotH - 1), QColor(grid));
    }

    // Curves: one line through the window's points per visible channel.
    const int n = sampleWindow();
    if (n < 2)
        return;
    const double lowerD = lower;
    const double span = static_cast<double>(upper) - lowerD;
    std::vector<int> xs(n);
    std::vector<int> ys(n);
    std::vector<QPoint> points(direct ? 0 : n);
    for (int i = 0; i < n; ++i)
        xs[i] = left + 1 + 2 * i;
    for (int ch = 0; ch < kChannels; ++ch) {
        if (!visible_[ch])
            continue;
        const std::int32_t* s = samples_[ch].data();
        int* y = ys.data();
        for (int i = 0; i < n; ++i) {
            // valueToY, written out: this loop runs 32 x 1024 times a paint.
            const std::int32_t v = s[i];
            y[i] =
                v <= lower ? bottom
                : v >= upper
                    ? top
                    : bottom - static_cast<int>((static_cast<double>(v) - lowerD) / span * plotH);
        }
        if (direct) {
            drawPolyline(image, xs.data(), ys.data(), n, colorFromColorref(colour_[ch]).rgb());
        } else {
            for (int i = 0; i < n; ++i)
                points[i] = QPoint(xs[i], ys[i]);
            painter->setPen(thinPen(colour_[ch]));
            painter->drawPolyline(points.data(), n);
        }
    }
}

void CMultiColorDraw::renderInto(QImage& image) const {
    const qreal ratio = image.isNull() ? 1.0 : image.devicePixelRatio();
    if (image.size() != size() * ratio || image.format() != QImage::Format_RGB32) {
        image = QImage(size() * ratio, QImage::Format_RGB32);
        image.setDevicePixelRatio(ratio);
    }
    const auto [lower, upper] = shownRange();
    {
        QPainter p(&image);
        paintChart(p, lower, upper);
    }
    paintPlot(image, lower, upper);
    paintOverlay(image, false);
}

QImage CMultiColorDraw::renderImage() const {
    QImage image;
    renderInto(image);
    return image;
}

void CMultiColorDraw::paintEvent(QPaintEvent*) {
    // Everything is drawn off-screen first and then copied to the screen in one step.
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    if (buffer_.size() != pixels)
        buffer_ = QImage(pixels, QImage::Format_RGB32);
    buffer_.setDevicePixelRatio(ratio);
    const auto [lower, upper] = shownRange();
    {
        QPainter bp(&buffer_);
        paintChart(bp, lower, upper);
    }
    paintPlot(buffer_, lower, upper);
    paintOverlay(buffer_, true);
    QPainter p(this);
    p.drawImage(0, 0, buffer_);
}

void CMultiColorDraw::setAutoScale(bool on) {
    autoScale_ = on;
    update();
}

std::optional<std::pair<std::int32_t, std::int32_t>> CMultiColorDraw::autoRange() const {
    const int n = sampleWindow();
    std::optional<std::pair<std::int32_t, std::int32_t>> seen;
    for (int ch = 0; ch < kChannels; ++ch) {
        if (!visible_[ch])
            continue;
        // Only the received values: the window's older slots still hold the zeros of a clear.
        const int filled = int(std::min<qint64>(added_[ch], n));
        for (int i = n - filled; i < n; ++i) {
            const std::int32_t v = samples_[ch][i];
            if (!seen)
                seen = std::make_pair(v, v);
            seen->first = std::min(seen->first, v);
            seen->second = std::max(seen->second, v);
        }
    }
    if (!seen)
        return std::nullopt;
    return chartpng::autoRange(seen->first, seen->second);
}

std::pair<std::int32_t, std::int32_t> CMultiColorDraw::shownRange() const {
    if (autoScale_) {
        if (const auto r = autoRange())
            return *r;
    }
    return {lower_, upper_};
}

void CMultiColorDraw::setLegendVisible(bool on) {
    legend_ = on;
    update();
}

std::optional<CMultiColorDraw::Readout> CMultiColorDraw::readoutAt(const QPoint& pos) const {
    const QRect plot = plotRect();
    const int n = sampleWindow();
    const int i = (pos.x() - plot.left() - 1 + 1) / 2;  // the nearest point's column
    if (pos.x() < plot.left() || pos.x() > plot.right() || i < 0 || i >= n)
        return std::nullopt;
    const auto [lower, upper] = shownRange();
    std::optional<Readout> best;
    int bestDistance = 0;
    for (int ch = 0; ch < kChannels; ++ch) {
        if (!visible_[ch] || i < n - std::min<qint64>(added_[ch], n))
            continue;
        const std::int32_t v = samples_[ch][i];
        const int distance =
            std::abs(valueToY(v, upper, lower, plot.top(), plot.bottom()) - pos.y());
        if (!best || distance < bestDistance) {
            best = Readout{ch, added_[ch] - n + i, v};
            bestDistance = distance;
        }
    }
    return best;
}

QString CMultiColorDraw::readoutText(const Readout& r) {
    return QStringLiteral("Ch%1  #%2  %3").arg(r.channel).arg(r.sample).arg(r.value);
}

void CMultiColorDraw::paintOverlay(QImage& image, bool withReadout) const {
    const QRect plot = plotRect();
    if (plot.width() <= 20 || plot.height() <= 20)
        return;
    QPainter p(&image);
    QFont f = font();
    f.setPixelSize(10);
    p.setFont(f);
    const QFontMetrics fm(f);
    if (legend_) {
        // One entry per visible channel: a box of its colour and its number, in rows.
        int x = plot.left() + 4;
        int y = plot.top() + 4;
        const int rowHeight = fm.height() + 2;
        for (int ch = 0; ch < kChannels; ++ch) {
            if (!visible_[ch])
                continue;
            const QString number = QString::number(ch);
            const int w = 12 + fm.horizontalAdvance(number) + 6;
            if (x + w > plot.right() - 4 && x > plot.left() + 4) {
                x = plot.left() + 4;
                y += rowHeight;
            }
            p.fillRect(QRect(x - 2, y - 1, w, rowHeight), Qt::black);
            p.fillRect(QRect(x, y + (rowHeight - 10) / 2, 8, 8), colorFromColorref(colour_[ch]));
            p.setPen(Qt::white);
            p.drawText(QRect(x + 11, y, w - 11, rowHeight - 2), Qt::AlignLeft | Qt::AlignVCenter,
                       number);
            x += w;
        }
    }
    if (!withReadout || !mouse_)
        return;
    const std::optional<Readout> r = readoutAt(*mouse_);
    if (!r)
        return;
    const auto [lower, upper] = shownRange();
    const int i = int(r->sample - (added_[r->channel] - sampleWindow()));
    const QPoint point(plot.left() + 1 + 2 * i,
                       valueToY(r->value, upper, lower, plot.top(), plot.bottom()));
    p.setPen(colorFromColorref(colour_[r->channel]));
    p.drawEllipse(point, 3, 3);
    const QString text = readoutText(*r);
    QRect box(0, 0, fm.horizontalAdvance(text) + 8, fm.height() + 4);
    box.moveTopLeft(point + QPoint(8, -box.height() - 4));
    if (box.right() > plot.right())
        box.moveRight(point.x() - 8);
    if (box.top() < plot.top())
        box.moveTop(point.y() + 8);
    p.fillRect(box, QColor(0, 0, 0, 200));
    p.setPen(Qt::white);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.drawText(box, Qt::AlignCenter, text);
}

void CMultiColorDraw::mouseMoveEvent(QMouseEvent* event) {
    mouse_ = event->position().toPoint();
    update();
}

void CMultiColorDraw::leaveEvent(QEvent*) {
    mouse_.reset();
    update();
}

}  // namespace tessel
