#pragma once

#include "app/profile.h"
#include "app/sharedstate.h"

#include <QComboBox>
#include <QObject>

namespace tessel {

class BoardChoice;
class HotplugWatcher;
class LogSink;
class ProgrammerSession;

// The board combo beside "USB通信": shown while more than one programmer board is connected,
// it lists them by serial number and path ("SIM0002 (sim:tessel-board-2)") and shows the
// board the window drives. Choosing another one re-opens the window's session on it and keeps
// the choice in the profile ("InitParameters", "m_str_board"); the next start takes it again
// when it is connected. Arrivals and removals update the list; the session itself handles
// its own board (another board's removal does not disturb it). The choice cannot change
// while an operation or a debug run has the board.
class BoardChooser : public QComboBox {
    Q_OBJECT
public:
    static constexpr const char* kProfileKey = "m_str_board";

    // Reads the remembered board from the profile into choice.
    BoardChooser(SharedState& state, BoardChoice& choice, QWidget* parent = nullptr);

    // The session whose board this chooses, where its log lines go and where arrivals and
    // removals are announced.
    void attach(ProgrammerSession& session, LogSink& log, HotplugWatcher* watcher);
    // Whether the window lets the choice change (false while an operation or a debug run
    // has the board).
    void setOperationIdle(bool idle);
    void setDebugIdle(bool idle);

    // Lists the connected boards again (leaving out `gone`, a board being removed).
    void refresh(const QString& gone = QString());

private:
    void onActivated(int index);
    void updateEnabled();

    SharedState& state_;
    BoardChoice& choice_;
    Profile profile_;
    ProgrammerSession* session_ = nullptr;
    LogSink* log_ = nullptr;
    bool operationIdle_ = true;
    bool debugIdle_ = true;
};

}  // namespace tessel
