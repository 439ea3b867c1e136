#pragma once

#include <QIcon>
#include <QPixmap>

namespace tessel::artwork {

// The program's pictures, drawn at run time so that no bitmap files are needed.
QIcon appIcon();
QPixmap logo();         // the main window's logo
QPixmap okPicture();    // green OK sign
QPixmap ngPicture();    // red NG sign
QPixmap busyPicture();  // a row of green squares: work in progress

}  // namespace tessel::artwork
