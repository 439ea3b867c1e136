#pragma once

#include "app/outcome.h"
#include "app/sharedstate.h"
#include "link/notifications.h"
#include "link/programview.h"

#include <QObject>
#include <QTimer>

#include <memory>

namespace tessel {

class CMUSBHid;
class ConfigSource;
class ConnectionSequence;
class HidBackend;
class OperationSequencer;
class Prompts;
struct ImageState;

// One programmer board and everything that drives it: the transport over the given bus, the
// connection handshake, the operation sequences, what happens when the board goes away, the
// board's claim (one user at a time, another program's hold tried again) and the readying of
// the chip's pages. The window's programming page and tessel-cli each drive one; several live
// side by side in one process, each with its own bus, image, pages and SharedState (the
// fields the transport's threads touch belong to one board).
//
// Every operation (and every supply switch the board confirms) ends with
// operationFinished(Outcome); every handshake with handshakeFinished(Outcome). A board lost outside
// an operation (during the handshake or a single exchange) ends with boardLost(Outcome).
class ProgrammerSession : public QObject {
    Q_OBJECT
public:
    // image and config are what the operations work on (the front end's buffers and its
    // configuration pages); view is the front end's programming page; prompts its message boxes.
    ProgrammerSession(SharedState& state, HidBackend& bus, ImageState& image, ConfigSource& config,
                      ProgramView& view, Prompts& prompts, QObject* parent = nullptr);
    ~ProgrammerSession() override;

    SharedState& state() { return state_; }
    CMUSBHid& transport() { return *transport_; }
    OperationSequencer& sequencer() { return *sequencer_; }
    // The buffers the operations work on.
    ImageState& image() { return image_; }
    bool busy() const;

    // Opens the board; the handshake follows (handshakeFinished).
    void open();
    // The USB button, an arrival while no board is open: a running operation is stopped
    // first, then the board is closed and opened again.
    void reopen();
    // Closes the board without calling it lost (the window closes, the command ends).
    void close();
    // An HID interface arrived: logged; the board is opened when none is open (an open board
    // stays open, so that a running operation is never cut short).
    void deviceArrived();
    // An HID interface went away: when it is this session's board, "设备被拔出" is logged
    // and the board closes (a running operation ends as board-lost). False for another device.
    bool deviceRemoved(const QString& path);
    // Another program holds the board: try again every ms milliseconds (0: never, the default).
    void setBusyRetryMs(int ms) { busyRetryMs_ = ms; }

    // The chip selected: its pages ready themselves as the programming page shows them (the
    // configuration page; in trim mode the chip's trim page, with programming mode for it).
    void selectChip(int chip);
    // Trim mode through the sequences, so that every front end readies the pages alike.
    bool enterTrimMode();
    void leaveTrimMode();

    // The program-wide settings a second board's state starts from (language, directories,
    // profile, layout, selected chip); the per-board fields stay as they are.
    static void copyProgramSettings(const SharedState& from, SharedState& to);

Q_SIGNALS:
    void handshakeFinished(const tessel::Outcome& outcome);
    void operationFinished(const tessel::Outcome& outcome);
    void boardLost(const tessel::Outcome& outcome);

private:
    class Relay;
    void onNotification(const LinkNotification& n);
    void onBoardLost();
    void onDisconnected();
    void operationEnded(Outcome outcome);
    Outcome lostOutcome() const;
    Outcome supplyOutcome(const LinkNotification& n) const;

    SharedState& state_;
    ImageState& image_;
    ConfigSource& config_;
    ProgramView& view_;
    std::unique_ptr<Relay> relay_;
    std::unique_ptr<CMUSBHid> transport_;
    std::unique_ptr<OperationSequencer> sequencer_;
    std::unique_ptr<ConnectionSequence> connection_;
    QTimer busyRetry_;
    int busyRetryMs_ = 0;
    int trimChip_ = -1;  // the chip whose trim page trim mode shows
    bool lost_ = false;  // the board went away since it was last opened
    bool closing_ = false;
};

}  // namespace tessel
