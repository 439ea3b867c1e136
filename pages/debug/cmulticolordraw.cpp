#include "pages/debug/cmulticolordraw.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
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

}  // namespace

CMultiColorDraw::CMultiColorDraw(QWidget* parent) : QWidget(parent) {
    visible_.fill(true);
    colour_.fill(0x0000FF);
    font_.setFamily(serifFamily());
    font_.setStyleHint(QFont::Serif);
    font_.setPixelSize(10);
    font_.setWeight(QFont::Thin);
    setAttribute(Qt::WA_OpaquePaintEvent);
    updateSampleWindow();
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
    const int n = sampleWindow_;
    std::copy(s.begin() + 1, s.begin() + n, s.begin());
    s[n - 1] = value;
    update();
}

void CMultiColorDraw::clearChannel(int channel) {
    if (channel < 0 || channel >= kChannels)
        return;
    samples_[channel].fill(0);
    update();
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

void CMultiColorDraw::updateSampleWindow() {
    sampleWindow_ = sampleWindowFor(width());
}

QRect CMultiColorDraw::plotRect() const {
    return QRect(QPoint(kLeftMargin, kTopMargin),
                 QPoint(width() - kRightMargin, height() - kBottomMargin));
}

int CMultiColorDraw::valueToY(std::int32_t value, int plotTop, int plotBottom) const {
    if (value <= lower_)
        return plotBottom;
    if (value >= upper_)
        return plotTop;
    const double span = static_cast<double>(upper_) - static_cast<double>(lower_);
    const double offset = static_cast<double>(value) - static_cast<double>(lower_);
    return plotBottom - static_cast<int>(std::trunc(offset / span * (plotBottom - plotTop)));
}

std::array<qint64, 8> CMultiColorDraw::innerLabels() const {
    // 64-bit, so that a range of the whole 32-bit span neither overflows nor wraps.
    const qint64 step = (static_cast<qint64>(upper_) - static_cast<qint64>(lower_)) / 10;
    std::array<qint64, 8> labels{};
    for (int k = 1; k <= 8; ++k)
        labels[k - 1] = static_cast<qint64>(upper_) - k * step;
    return labels;
}

void CMultiColorDraw::paintChart(QPainter& p) const {
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

    // Frame.
    p.setBrush(Qt::NoBrush);
    p.setPen(thinPen(kFrameColour));
    p.drawRect(left, top, plotW, plotH);

    // Grid, inside the frame.
    std::vector<QLine> lines;
    for (int k = 1; k <= plotH / 10; ++k)
        lines.emplace_back(left, bottom - 10 * k, right, bottom - 10 * k);
    for (int k = 1; k <= plotW / 10; ++k)
        lines.emplace_back(left + 10 * k, top, left + 10 * k, bottom);
    p.setClipRect(QRect(left + 1, top + 1, plotW - 1, plotH - 1));
    p.setPen(thinPen(kGridColour));
    p.drawLines(lines.data(), static_cast<int>(lines.size()));
    p.setClipping(false);

    // Value axis with its ticks.
    const int axisX = left - 4;
    const int gridLines = plotH / 10;
    lines.clear();
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
    label(upper_, top);
    const std::array<qint64, 8> inner = innerLabels();
    for (int k = 1; k <= 8; ++k)
        label(inner[k - 1], top + 10 * k);
    label(lower_, bottom);
    p.drawText(QRect(0, h - 14, w, 14), Qt::AlignLeft | Qt::AlignTop, title_);

    // Curves, one polyline per visible channel.
    const int n = sampleWindow_;
    if (n < 2)
        return;
    std::vector<QPoint> points(n);
    for (int ch = 0; ch < kChannels; ++ch) {
        if (!visible_[ch])
            continue;
        const auto& s = samples_[ch];
        for (int i = 0; i < n; ++i)
            points[i] = QPoint(left + 1 + 2 * i, valueToY(s[i], top, bottom));
        p.setPen(thinPen(colour_[ch]));
        p.drawPolyline(points.data(), n);
    }
}

void CMultiColorDraw::renderInto(QImage& image) const {
    if (image.size() != size() || image.format() != QImage::Format_RGB32)
        image = QImage(size(), QImage::Format_RGB32);
    QPainter p(&image);
    paintChart(p);
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
    {
        QPainter bp(&buffer_);
        paintChart(bp);
    }
    QPainter p(this);
    p.drawImage(0, 0, buffer_);
}

void CMultiColorDraw::resizeEvent(QResizeEvent* event) {
    updateSampleWindow();
    QWidget::resizeEvent(event);
}

}  // namespace tessel
