#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace tessel::artwork {

// The program's pictures, drawn at run time so that no bitmap files are needed and every
// picture stays sharp on high-DPI screens. Each function draws at its fixed size in logical
// pixels; `dpr` is the device pixel ratio to draw for (0: the screens' highest ratio).
QIcon appIcon();
QPixmap logo(qreal dpr = 0);         // the main window's logo (162)
QPixmap okPicture(qreal dpr = 0);    // green OK sign (168)
QPixmap ngPicture(qreal dpr = 0);    // red NG sign (169)
QPixmap busyPicture(qreal dpr = 0);  // a row of green squares: work in progress (171)

// The debug page's status lamp.
enum class Lamp {
    Bright,  // a good frame arrived (142)
    Dark,    // idle (143)
    Red,     // a malformed frame arrived (144)
};
QPixmap lamp(Lamp which, qreal dpr = 0);
// The "KeyFlagSN" cell of one channel: blank, or a bright green lamp when the key flag is set.
QPixmap keyFlagLamp(bool set, qreal dpr = 0);
QPixmap parameterOkPicture(qreal dpr = 0);  // the debug parameters were accepted (183)
QPixmap parameterNgPicture(qreal dpr = 0);  // the debug parameters were refused (182)

// The product's title picture (159) and the wiring diagrams (see res/wiring.h).
QPixmap titlePicture(qreal dpr = 0);
QPixmap wiringPicture(int resourceId, qreal dpr = 0);

// Any of the pictures above by its resource number; a null pixmap for an unknown number.
QPixmap picture(int resourceId, qreal dpr = 0);
// Every resource number that picture() knows, in rising order.
QList<int> pictureIds();

// The program icon as a square image of `size` pixels, and the same drawing as SVG text.
QImage iconImage(int size);
QByteArray iconSvg();

}  // namespace tessel::artwork
