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
            if (transport_.lastOpenResult() == OpenResult::Busy) {
                // The board is there, but another program drives it. Said once per holder:
                // the window tries again quietly until the board is free.
                if (transport_.lastHolder() != busyHolder_ || !busySaid_)
                    log_.appendLog(boardBusyMessage(transport_.lastHolder(), state_.english()));
                busyHolder_ = transport_.lastHolder();
                busySaid_ = true;
                return true;
            }
            busySaid_ = false;
            log_.appendLog(state_.text(Msg::NoBoard));
            if (transport_.lastOpenResult() == OpenResult::PermissionDenied) {
                log_.appendLog(boardAccessHint(state_.english()));
            }
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
            log_.appendLog(state_.text(accepted ? Msg::VersionAccepted : Msg::VersionRefused));
            log_.appendLog(state_.text(Msg::BoardVersion, qUtf8Printable(state_.boardVersion)));
            if (setButtonsEnabled_)
                setButtonsEnabled_(accepted);
            return true;
        }
        default:
            return false;
    }
}

QString boardAccessHint(bool english) {
    const char* rule =
        "SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"0483\", ATTRS{idProduct}==\"5750\", "
        "MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"";
    // uaccess serves only the user logged in at the machine; a production line without a
    // desktop session, an SSH login or a service account needs the group.
    if (english) {
        return QStringLiteral(
                   "The board is present but cannot be opened. Allow access with a udev "
                   "rule in /etc/udev/rules.d/70-tessel.rules: %1 ; then add the user "
                   "to the group plugdev (sudo usermod -aG plugdev $USER), log in "
                   "again and plug the board in again.")
            .arg(QString::fromLatin1(rule));
    }
    return QStringLiteral(
               "找到编程器但没有打开它的权限。请在 /etc/udev/rules.d/70-tessel.rules "
               "中加入udev规则: %1 ；再把用户加入 plugdev 组（sudo usermod -aG plugdev "
               "$USER），重新登录并重新插上编程器。")
        .arg(QString::fromLatin1(rule));
}

QString boardBusyMessage(qint64 holder, bool english) {
    const QByteArray who = holder > 0 ? QByteArray::number(holder) : QByteArray("?");
    return message(Msg::BoardBusy, english ? 1 : 0, who.constData());
}

}  // namespace tessel
