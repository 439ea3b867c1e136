#pragma once

#include <QObject>

class QSocketNotifier;

namespace tessel {

// Turns SIGTERM, SIGINT and SIGHUP (a session ending, Ctrl-C in the terminal, `kill`) into the
// signal quitRequested() on the window thread, so that the main window closes the ordinary way:
// the chip selection is saved and the board leaves debugging before the program ends.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

Q_SIGNALS:
    void quitRequested();

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tessel
