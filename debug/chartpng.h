#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tessel::chartpng {

// A chart drawn without a window system, for reports written headless: the debug page's chart
// (black plot, dark green 10-pixel grid, value axis, one curve per channel, two points a
// pixel apart) with its two range ends as labels and a legend (each channel's colour and
// number, top left), as a PNG file's bytes.
// The channel colours of the debug page's charts and grid (COLORREF), channel 0 first.
extern const std::array<uint32_t, 32> kChannelColours;

struct Series {
    int channel = 0;
    uint32_t colorref = 0x0000FF;  // red in the low byte
    std::vector<int32_t> values;   // oldest first
};

struct Chart {
    int32_t lower = 0;
    int32_t upper = 0x4000;
    std::vector<Series> series;
};

// The range that shows values from `min` to `max` with a margin of a twentieth of their span
// (at least 1) at each end.
std::pair<int32_t, int32_t> autoRange(int32_t min, int32_t max);
// The autoscaled range of the series' values; none without values.
std::optional<std::pair<int32_t, int32_t>> autoRange(const std::vector<Series>& series);

// The chart as a PNG picture of the given size (at least 80 x 60).
QByteArray render(const Chart& chart, int width, int height);

// A PNG file of 8-bit RGB pixels (0x00RRGGBB, rows top first).
QByteArray encodePng(int width, int height, const std::vector<uint32_t>& pixels);

}  // namespace tessel::chartpng
