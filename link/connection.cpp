#include "link/connection.h"

#include "link/cmusbhid.h"
#include "link/commands.h"
#include "link/dispatch.h"

namespace tessel {

ConnectionSequence::ConnectionSequence(SharedState& state, CMUSBHid& transport, LogSink& log,
                                       std::function<void(bool)> setButtonsEnabled)
    : state_(state),
      transport_(transport),
      log_(log),
      setButtonsEnabled_(std::move(setButtonsEnabled)) {}

bool ConnectionSequence::handle(const LinkNotification& n) {
    switch (n.code) {
        case LinkCode::NoDevice:
            noBoard();
            return true;
        case LinkCode::DeviceOpened: {
            busySaid_ = false;
            log_.appendLog(state_.text(Msg::BoardFound));
            transport_.send(cmd::requestBoardVersion());
            return true;
        }
        case LinkCode::VersionAccepted:
        case LinkCode::VersionRefused: {
            const bool accepted = n.code == LinkCode::VersionAccepted;
            state_.boardVersion = ReceiveDispatch::formatVersion(n.report);
            const QString verdict =
                state_.text(accepted ? Msg::VersionAccepted : Msg::VersionRefused);
            log_.appendLog(verdict);
            log_.appendLog(state_.text(Msg::BoardVersion, qUtf8Printable(state_.boardVersion)));
            if (setButtonsEnabled_)
                setButtonsEnabled_(accepted);
            if (accepted)
                conclude(Reason::Ok, Msg::VersionAccepted, verdict);
            else
                conclude(Reason::VersionRefused, Msg::VersionRefused, verdict);
            return true;
        }
        default:
            return false;
    }
}

void ConnectionSequence::noBoard() {
    if (transport_.lastOpenResult() == OpenResult::Busy) {
        // The board is there, but another program drives it. Said once per holder: the
        // window tries again quietly until the board is free.
        const QString busy = boardBusyMessage(transport_.lastHolder(), state_.english());
        if (transport_.lastHolder() != busyHolder_ || !busySaid_)
            log_.appendLog(busy);
        busyHolder_ = transport_.lastHolder();
        busySaid_ = true;
        conclude(Reason::BoardBusy, Msg::BoardBusy, busy);
        return;
    }
    busySaid_ = false;
    const QString none = state_.text(Msg::NoBoard);
    log_.appendLog(none);
    if (transport_.lastOpenResult() == OpenResult::PermissionDenied) {
        log_.appendLog(boardAccessHint(state_.english()));
        conclude(Reason::BoardNotAccessible, Msg::NoBoard, none);
        return;
    }
    conclude(Reason::NoBoard, Msg::NoBoard, none);
}

void ConnectionSequence::conclude(Reason reason, Msg message, const QString& shown) {
    if (concluded_)
        concluded_(Outcome{reason, message, shown});
}

QString boardAccessHint(bool english) {
    // uaccess serves only the user logged in at the machine; a production line without a
    // desktop session, an SSH login or a service account needs the group.
    const char* rule =
        "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"5750\", "
        "MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"";
    return message(Msg::BoardAccessHint, english ? 1 : 0, rule);
}

QString boardBusyMessage(qint64 holder, bool english) {
    const QByteArray who = holder > 0 ? QByteArray::number(holder) : QByteArray("?");
    return message(Msg::BoardBusy, english ? 1 : 0, who.constData());
}

}  // namespace tessel
