#pragma once

#include "app/outcome.h"
#include "app/prompts.h"
#include "app/sharedstate.h"
#include "link/notifications.h"

#include <functional>

namespace tessel {

class CMUSBHid;

// The connection handshake: board found or not, version requested, accepted or refused.
class ConnectionSequence {
public:
    ConnectionSequence(SharedState& state, CMUSBHid& transport, LogSink& log,
                       std::function<void(bool)> setButtonsEnabled);

    // How the handshake ended, each time it ends: Ok (version accepted), VersionRefused, or,
    // when no board could be opened, NoBoard, BoardBusy (another program holds it) or
    // BoardNotAccessible (present, but this user may not open it).
    void setConcluded(std::function<void(const Outcome&)> concluded) {
        concluded_ = std::move(concluded);
    }

    // Handles the connection codes (0, 1, 3, 31); returns false for every other code.
    bool handle(const LinkNotification& n);

private:
    void noBoard();
    void conclude(Reason reason, Msg message, const QString& shown);

    SharedState& state_;
    CMUSBHid& transport_;
    LogSink& log_;
    std::function<void(bool)> setButtonsEnabled_;
    std::function<void(const Outcome&)> concluded_;
    bool busySaid_ = false;  // the busy message stands for busyHolder_
    qint64 busyHolder_ = 0;
};

// The hint logged when the board is present but the user may not open it.
QString boardAccessHint(bool english);
// The message for a board that another program holds (holder: its process id, 0 unknown).
QString boardBusyMessage(qint64 holder, bool english);

}  // namespace tessel
