#pragma once

#include <QPixmap>
#include <QVector>

namespace tessel::debuglamps {

// The status lamp: 142 bright green (a good frame), 143 dark green (idle), 144 red (a
// malformed frame).
QPixmap statusLamp(int which);
// The grid's key lamps: image 0 a blank lamp, image 1 a lit (bright green) one.
QVector<QPixmap> keyLampImages();

}  // namespace tessel::debuglamps
