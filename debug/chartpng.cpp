#include "debug/chartpng.h"

#include "debug/segment.h"

#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace tessel::chartpng {

const std::array<uint32_t, 32> kChannelColours = {
    0x0000FF, 0x00FF00, 0xD781F8, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFF0080, 0x8000FF,
    0x0080FF, 0x00FF80, 0xFF8000, 0x80FF00, 0x8080FF, 0xFF8080, 0x0050FF, 0x00B400,
    0x00FFB4, 0x00B4FF, 0xFF00B4, 0xB400FF, 0x000096, 0x009600, 0x64C8FF, 0x80FF80,
    0xFFFF80, 0xE664FF, 0x64BC96, 0x96C7C8, 0x3264EC, 0xBE5859, 0x9696AA, 0x64B464,
};

namespace {

constexpr int kLeft = 50;
constexpr int kTop = 8;
constexpr int kRight = 5;
constexpr int kBottom = 20;
constexpr uint32_t kFrame = 0x808080;
constexpr uint32_t kGrid = 0x204020;
constexpr uint32_t kAxis = 0x00FFFF;  // the chart's axis colour, COLORREF 0xFFFF00

uint32_t rgbOf(uint32_t colorref) {
    return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h), pixels_(size_t(w) * size_t(h), 0) {}
    void set(int x, int y, uint32_t c) {
        if (x >= 0 && x < w_ && y >= 0 && y < h_)
            pixels_[size_t(y) * size_t(w_) + size_t(x)] = c;
    }
    void line(int x0, int y0, int x1, int y1, uint32_t c) {
        forEachSegmentPixel(x0, y0, x1, y1, [&](int x, int y) { set(x, y, c); });
    }
    // Digits and the minus sign, 3 x 5 cells drawn 2 pixels each, right-aligned at `right`
    // and centred on `y`.
    void number(qint64 value, int right, int y, uint32_t c) {
        static const std::array<std::array<uint8_t, 5>, 11> glyphs = {{
            {7, 5, 5, 5, 7},
            {2, 6, 2, 2, 7},
            {7, 1, 7, 4, 7},
            {7, 1, 7, 1, 7},
            {5, 5, 7, 1, 1},
            {7, 4, 7, 1, 7},
            {7, 4, 7, 5, 7},
            {7, 1, 1, 1, 1},
            {7, 5, 7, 5, 7},
            {7, 5, 7, 1, 7},
            {0, 0, 7, 0, 0},
        }};
        const QByteArray text = QByteArray::number(value);
        int x = right - int(text.size()) * 8 + 2;
        for (const char ch : text) {
            const auto& g = glyphs[ch == '-' ? 10 : ch - '0'];
            for (int row = 0; row < 5; ++row)
                for (int col = 0; col < 3; ++col)
                    if ((g[row] >> (2 - col)) & 1)
                        for (int k = 0; k < 4; ++k)
                            set(x + 2 * col + k % 2, y - 5 + 2 * row + k / 2, c);
            x += 8;
        }
    }
    const std::vector<uint32_t>& pixels() const { return pixels_; }

private:
    int w_;
    int h_;
    std::vector<uint32_t> pixels_;
};

uint32_t crc32(const QByteArray& bytes) {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (const char b : bytes)
        c = table[(c ^ uint8_t(b)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void appendBig32(QByteArray& out, uint32_t v) {
    char b[4];
    qToBigEndian(v, b);
    out.append(b, 4);
}

void chunk(QByteArray& out, const char* type, const QByteArray& data) {
    appendBig32(out, uint32_t(data.size()));
    QByteArray typed(type, 4);
    typed += data;
    out += typed;
    appendBig32(out, crc32(typed));
}

int valueY(qint64 v, int32_t lower, int32_t upper, int top, int bottom) {
    if (v <= lower)
        return bottom;
    if (v >= upper)
        return top;
    const double span = double(upper) - double(lower);
    return bottom - int((double(v) - double(lower)) / span * (bottom - top));
}

}  // namespace

std::pair<int32_t, int32_t> autoRange(int32_t min, int32_t max) {
    const qint64 span = qint64(max) - qint64(min);
    const qint64 margin = std::max<qint64>(1, (span + 19) / 20);
    const auto clamp = [](qint64 v) {
        return int32_t(std::clamp<qint64>(v, INT32_MIN, INT32_MAX));
    };
    return {clamp(qint64(min) - margin), clamp(qint64(max) + margin)};
}

std::optional<std::pair<int32_t, int32_t>> autoRange(const std::vector<Series>& series) {
    std::optional<std::pair<int32_t, int32_t>> seen;
    for (const Series& s : series) {
        for (const int32_t v : s.values) {
            if (!seen)
                seen = std::make_pair(v, v);
            seen->first = std::min(seen->first, v);
            seen->second = std::max(seen->second, v);
        }
    }
    if (!seen)
        return std::nullopt;
    return autoRange(seen->first, seen->second);
}

QByteArray render(const Chart& chart, int width, int height) {
    width = std::max(width, 80);
    height = std::max(height, 60);
    Canvas c(width, height);
    const int left = kLeft;
    const int top = kTop;
    const int right = width - kRight;
    const int bottom = height - kBottom;
    for (int y = bottom - 10; y > top; y -= 10)
        c.line(left + 1, y, right - 1, y, kGrid);
    for (int x = left + 10; x < right; x += 10)
        c.line(x, top + 1, x, bottom - 1, kGrid);
    c.line(left, top, right, top, kFrame);
    c.line(right, top, right, bottom, kFrame);
    c.line(right, bottom, left, bottom, kFrame);
    c.line(left, bottom, left, top, kFrame);
    c.line(left - 4, bottom, left - 4, 0, kAxis);
    c.line(left - 10, bottom, left - 4, bottom, kAxis);
    c.line(left - 10, top, left - 4, top, kAxis);
    c.number(chart.upper, left - 10, top + 5, kAxis);
    c.number(chart.lower, left - 10, bottom - 5, kAxis);
    const int window = std::clamp((right - left) / 2 + 1, 1, 1024);
    for (const Series& s : chart.series) {
        const int n = std::min<int>(window, int(s.values.size()));
        const int32_t* v = s.values.data() + (s.values.size() - size_t(n));
        const uint32_t colour = rgbOf(s.colorref);
        for (int i = 0; i + 1 < n; ++i) {
            c.line(left + 1 + 2 * i, valueY(v[i], chart.lower, chart.upper, top, bottom),
                   left + 3 + 2 * i, valueY(v[i + 1], chart.lower, chart.upper, top, bottom),
                   colour);
        }
    }
    // The legend: a box of each channel's colour and its number, top left of the plot.
    int x = left + 4;
    for (const Series& s : chart.series) {
        const int digits = int(QByteArray::number(s.channel).size());
        const int w = 12 + digits * 8 + 4;
        for (int dy = -1; dy < 13; ++dy)
            for (int dx = -2; dx < w - 2; ++dx)
                c.set(x + dx, top + 4 + dy, 0);
        for (int dy = 2; dy < 10; ++dy)
            for (int dx = 0; dx < 8; ++dx)
                c.set(x + dx, top + 4 + dy, rgbOf(s.colorref));
        c.number(s.channel, x + 12 + digits * 8 - 2, top + 10, 0xFFFFFF);
        x += w;
    }
    return encodePng(width, height, c.pixels());
}

QByteArray encodePng(int width, int height, const std::vector<uint32_t>& pixels) {
    QByteArray raw;
    raw.reserve(height * (1 + 3 * width));
    for (int y = 0; y < height; ++y) {
        raw.append('\0');  // no filter
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[size_t(y) * size_t(width) + size_t(x)];
            raw.append(char((p >> 16) & 0xFF));
            raw.append(char((p >> 8) & 0xFF));
            raw.append(char(p & 0xFF));
        }
    }
    QByteArray header;
    appendBig32(header, uint32_t(width));
    appendBig32(header, uint32_t(height));
    header.append("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
    QByteArray out("\x89PNG\r\n\x1a\n", 8);
    chunk(out, "IHDR", header);
    chunk(out, "IDAT", qCompress(raw, 9).mid(4));  // qCompress puts the length before zlib
    chunk(out, "IEND", QByteArray());
    return out;
}

}  // namespace tessel::chartpng
