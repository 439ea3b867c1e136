#include "pages/chip/engine/wheelguard.h"

#include <QEvent>
#include <QWidget>

namespace tessel::chip {

void WheelGuard::install(QWidget* widget) {
    widget->setFocusPolicy(Qt::StrongFocus);
    widget->installEventFilter(new WheelGuard(widget));
}

bool WheelGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel && !static_cast<QWidget*>(watched)->hasFocus()) {
        // Not handled here: the application passes an ignored wheel event on to the parent
        // widgets, up to the scroll area that holds the page.
        event->ignore();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tessel::chip
