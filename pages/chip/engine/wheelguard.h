#pragma once

#include <QObject>

class QWidget;

namespace tessel::chip {

// Keeps the mouse wheel from changing a value the user has not chosen: a list (or spin box)
// whose value goes to the chip changes by the wheel only while it has the keyboard focus,
// which a click or the Tab key gives it. Otherwise the wheel passes to the parent, so that
// turning it over a page scrolls the page instead of choosing whatever list passes under
// the pointer. The wheel no longer gives the focus (Qt::StrongFocus instead of WheelFocus).
class WheelGuard : public QObject {
    Q_OBJECT
public:
    // Guards widget; the guard lives as the widget's child.
    static void install(QWidget* widget);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WheelGuard(QObject* parent) : QObject(parent) {}
};

}  // namespace tessel::chip
