// Previews of the hex grid and the chart with known data.
//   grid       the write-EEPROM grid of the programming page, one cell open for editing
//   paramgrid  the debug page's parameter grid: channel check boxes and colours
//   chart      a chart of 32 channels, one of them hidden
#include "pages/debug/cmulticolordraw.h"
#include "pages/program/cmlistctrl.h"
#include "tools/preview/previews.h"

#include <QLineEdit>

#include <cmath>
#include <cstdint>

namespace tessel::preview {
namespace {

// The debug page's channel colours (COLORREF), channel 0 first.
constexpr std::uint32_t kChannelColours[32] = {
    0x0000FF, 0x00FF00, 0xD781F8, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFF0080, 0x8000FF,
    0x0080FF, 0x00FF80, 0xFF8000, 0x80FF00, 0x8080FF, 0xFF8080, 0x0050FF, 0x00B400,
    0x00FFB4, 0x00B4FF, 0xFF00B4, 0xB400FF, 0x000096, 0x009600, 0x64C8FF, 0x80FF80,
    0xFFFF80, 0xE664FF, 0x64BC96, 0x96C7C8, 0x3264EC, 0xBE5859, 0x9696AA, 0x64B464};

QWidget* eepromGrid() {
    auto* grid = new CMListCtrl;
    grid->addColumn(QStringLiteral("EEPROM"), 60);
    for (int c = 0; c < 8; ++c)
        grid->addColumn(QString::number(c), 38);
    grid->setRowCount(128);
    for (int row = 0; row < 128; ++row) {
        grid->setItemText(row, 0, QStringLiteral("0x%1").arg(row * 8, 4, 16, QLatin1Char('0')));
        for (int c = 1; c <= 8; ++c) {
            // The first rows carry a little program data, the rest is erased.
            const int index = row * 8 + c - 1;
            const int value = index < 44 ? (index * 37 + 5) & 0xFF : 0xFF;
            grid->setByteCell(row, c, value);
        }
    }
    grid->setEditableRange(0, 127, 1, 8);
    grid->resize(60 + 8 * 38 + 20, 300);
    grid->startEdit(2, 3);
    grid->editor()->setText(QStringLiteral("1ff"));
    return grid;
}

QWidget* parameterGrid() {
    auto* grid = new CMListCtrl;
    grid->addColumn(QStringLiteral("Parameters"), 80);
    const int channels = 12;
    for (int ch = 0; ch < channels; ++ch) {
        const int column = grid->addColumn(QString(), 42);
        grid->setHeaderImage(column, ch == 4 ? CMListCtrl::Unchecked : CMListCtrl::Checked);
    }
    const char* rows[] = {"Channel", "Baseline", "Rawdata", "Differ", "KeyFlagSN", "Color"};
    for (const char* name : rows)
        grid->addRow(QString::fromUtf8(name));
    for (int ch = 0; ch < channels; ++ch) {
        grid->setItemText(0, ch + 1, QString::number(ch));
        grid->setItemText(1, ch + 1, QString::number(2000 + 13 * ch));
        grid->setItemText(2, ch + 1, QString::number(2000 + 13 * ch + (ch == 2 ? 310 : 4)));
        grid->setItemText(3, ch + 1, QString::number(ch == 2 ? 310 : 4));
        grid->setColumnBackground(ch + 1, colorFromColorref(kChannelColours[ch]));
    }
    grid->setEditableRange(-1, -1, -1, -1);
    grid->resize(80 + channels * 42 + 4, 200);
    return grid;
}

QWidget* chart() {
    auto* c = new CMultiColorDraw;
    c->resize(640, 260);
    c->setTitle(QStringLiteral("Rawdata"));
    c->setUpperEnd(8192);
    c->setLowerEnd(0);
    for (int ch = 0; ch < 32; ++ch)
        c->setChannelColour(ch, kChannelColours[ch]);
    c->setChannelVisible(5, false);
    // A window of samples: slow waves at different levels, channel 0 touched half-way,
    // channel 31 beyond the upper end for a while.
    for (int i = 0; i < c->sampleWindow(); ++i) {
        for (int ch = 0; ch < 32; ++ch) {
            double v = 400 + ch * 230 + 120 * std::sin(i / 18.0 + ch * 0.7);
            if (ch == 0 && i > 150 && i < 220)
                v += 2500;
            if (ch == 31 && i > 60 && i < 110)
                v = 9000;
            c->addSample(ch, static_cast<std::int32_t>(v));
        }
    }
    return c;
}

Registration gridPreview("grid", eepromGrid);
Registration paramGridPreview("paramgrid", parameterGrid);
Registration chartPreview("chart", chart);

}  // namespace
}  // namespace tessel::preview
