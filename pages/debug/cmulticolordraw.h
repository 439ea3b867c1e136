#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tessel {

// A Windows COLORREF (0x00BBGGRR, red in the low byte) as a QColor: 0x0000FF is red,
// 0xFFFF00 cyan.
inline QColor colorFromColorref(std::uint32_t colorref) {
    return QColor(static_cast<int>(colorref & 0xFF), static_cast<int>((colorref >> 8) & 0xFF),
                  static_cast<int>((colorref >> 16) & 0xFF));
}

// Up to 32 scrolling curves, one colour per channel, on a black plot with a dark green
// 10-pixel grid and a fixed value axis. The debug page shows the baselines, raw counts and
// differences of the touch channels in three of them; every sample adds one point to a
// channel's curve and the oldest point falls off the left edge.
class CMultiColorDraw : public QWidget {
    Q_OBJECT
public:
    static constexpr int kChannels = 32;
    static constexpr int kMaxSamples = 1024;
    static constexpr int kLeftMargin = 50;
    static constexpr int kTopMargin = 8;
    static constexpr int kRightMargin = 5;
    static constexpr int kBottomMargin = 20;

    explicit CMultiColorDraw(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const { return title_; }

    // The value range; values at or beyond an end are drawn on that edge.
    void setUpperEnd(std::int32_t upper);
    void setLowerEnd(std::int32_t lower);
    std::int32_t upperEnd() const { return upper_; }
    std::int32_t lowerEnd() const { return lower_; }

    // Channel colours are COLORREF values (0x0000FF, red, for every channel at first).
    void setChannelColour(int channel, std::uint32_t colorref);
    std::uint32_t channelColour(int channel) const;
    // A hidden channel keeps receiving samples; it is only not drawn.
    void setChannelVisible(int channel, bool visible);
    bool channelVisible(int channel) const;

    // Appends a value to the channel's curve; the oldest point of the window falls off.
    void addSample(int channel, std::int32_t value);
    // Sets all of the channel's samples to 0 and its sample count to 0.
    void clearChannel(int channel);
    std::int32_t sample(int channel, int index) const;
    // How many samples the channel received since it was cleared: the read-out numbers the
    // samples from 0 by it. A replay that adds only the last points sets it.
    qint64 samplesAdded(int channel) const;
    void setSamplesAdded(int channel, qint64 count);

    // Autoscale: while on, the plot's range follows the received values of the visible
    // channels in the window (a twentieth of their span as margin at each end); the range
    // ends set by the owner rule again when it is off, or when no visible channel has values.
    void setAutoScale(bool on);
    bool autoScale() const { return autoScale_; }
    std::optional<std::pair<std::int32_t, std::int32_t>> autoRange() const;
    // The range drawn: {lower, upper}.
    std::pair<std::int32_t, std::int32_t> shownRange() const;

    // The legend (a colour box and the number of every visible channel, top left of the
    // plot); on at first.
    void setLegendVisible(bool on);
    bool legendVisible() const { return legend_; }

    // The value under a point of the control: the visible channel whose curve point at that
    // column lies nearest to the point's row, its sample number and value. None outside the
    // plot's columns, where the window holds no received value, or without visible channels.
    struct Readout {
        int channel = 0;
        qint64 sample = 0;
        std::int32_t value = 0;
    };
    std::optional<Readout> readoutAt(const QPoint& pos) const;
    // The read-out's text: "Ch3  #120  1234".
    static QString readoutText(const Readout& r);

    // The number of points kept and drawn per channel: plot width / 2 + 1, within 1 to 1024.
    // Follows the control's width at once, also while the control is hidden.
    int sampleWindow() const { return sampleWindowFor(width()); }
    static int sampleWindowFor(int width);

    // The plot rectangle; its right and bottom are the frame's right and bottom lines.
    QRect plotRect() const;
    // The pixel row of a value on a plot of the given top and bottom.
    int valueToY(std::int32_t value, int plotTop, int plotBottom) const;
    static int valueToY(qint64 value, std::int32_t upper, std::int32_t lower, int plotTop,
                        int plotBottom);
    // The eight labels between the two ends: upper - k * (upper - lower) / 10, k = 1 to 8.
    std::array<qint64, 8> innerLabels() const;
    static std::array<qint64, 8> innerLabels(std::int32_t upper, std::int32_t lower);

    // A value label: its pixel row below the plot top and the value it reads.
    struct AxisLabel {
        int y = 0;
        qint64 value = 0;
        bool operator==(const AxisLabel& o) const { return y == o.y && value == o.value; }
    };
    // Labels closer than this to the one above them (or to the lower end's) are left out.
    static constexpr int kMinLabelGap = 8;
    // Where the inner labels go on a plot of the given height: each at the row where a curve
    // point of its value is drawn, so that a label reads what the curve at its height means
    // (on a 100-pixel plot that is every 10 pixels). Labels that would sit on an end or
    // crowd the label above them are left out; top to bottom.
    static std::vector<AxisLabel> innerLabelPlacement(std::int32_t upper, std::int32_t lower,
                                                      int plotHeight);
    // The family the labels are drawn in: Times New Roman, or an installed serif font.
    QString labelFontFamily() const { return font_.family(); }

    // Paints the whole control, as shown on the screen, into an image of the control's size
    // times the image's device pixel ratio (a new image of that size when it has another).
    void renderInto(QImage& image) const;
    QImage renderImage() const;

    QSize sizeHint() const override { return {400, 200}; }
    QSize minimumSizeHint() const override { return {80, 60}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // The black control with the frame, the value axis, the labels and the title.
    void paintChart(QPainter& p, std::int32_t lower, std::int32_t upper) const;
    // The grid and the curves inside the frame.
    void paintPlot(QImage& image, std::int32_t lower, std::int32_t upper) const;
    // The legend, and the read-out at the mouse when there is one.
    void paintOverlay(QImage& image, bool withReadout) const;

    std::int32_t upper_ = 0x4000;
    std::int32_t lower_ = 0;
    QString title_;
    std::array<bool, kChannels> visible_{};
    std::array<std::uint32_t, kChannels> colour_{};
    std::array<std::array<std::int32_t, kMaxSamples>, kChannels> samples_{};
    std::array<qint64, kChannels> added_{};
    bool autoScale_ = false;
    bool legend_ = true;
    std::optional<QPoint> mouse_;
    QFont font_;
    QImage buffer_;  // the off-screen picture copied to the screen in one step
};

}  // namespace tessel
