#pragma once

#include <QGuiApplication>
#include <QPixmap>

namespace tessel::artwork {

// A pixmap of `width` × `height` logical pixels filled with `background` (an opaque colour
// gives a picture without alpha channel) for drawing at `dpr` device pixels per logical pixel
// (0: the highest ratio of the screens); painters on it work in logical pixels.
inline QPixmap canvas(int width, int height, qreal dpr,
                      const QColor& background = Qt::transparent) {
    if (dpr <= 0)
        dpr = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    QPixmap pm(qRound(width * dpr), qRound(height * dpr));
    pm.setDevicePixelRatio(dpr);
    pm.fill(background);
    return pm;
}

}  // namespace tessel::artwork
