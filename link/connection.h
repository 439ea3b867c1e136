#pragma once

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

    // Handles the connection codes (0, 1, 3, 31); returns false for every other code.
    bool handle(const LinkNotification& n);

private:
    SharedState& state_;
    CMUSBHid& transport_;
    LogSink& log_;
    std::function<void(bool)> setButtonsEnabled_;
};

// The hint logged when the board is present but the user may not open it.
QString boardAccessHint(bool english);

}  // namespace tessel
