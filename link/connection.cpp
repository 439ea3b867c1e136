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
            log_.appendLog(state_.text("无USB设备!", "NO USB Device!"));
            if (transport_.lastOpenResult() == OpenResult::PermissionDenied) {
                log_.appendLog(boardAccessHint(state_.english()));
            }
            return true;
        case LinkCode::DeviceOpened: {
            busySaid_ = false;
            log_.appendLog(state_.text("发现USB设备!", "Find USB Device!"));
            transport_.send(cmd::requestBoardVersion());
            return true;
        }
        case LinkCode::VersionAccepted:
        case LinkCode::VersionRefused: {
            const bool accepted = n.code == LinkCode::VersionAccepted;
            state_.boardVersion = ReceiveDispatch::formatVersion(n.report);
            log_.appendLog(
                accepted
                    ? state_.text("与下位机USB通信建立成功!", "USB Communication Succeed!")
                    : state_.text("下位机版本错误，请使用正确的版本!", "Board Version Not OK!"));
            log_.appendLog(state_.text("下位机版本:", "Board Version :") + state_.boardVersion);
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
    const QString who = holder > 0 ? QString::number(holder) : QStringLiteral("?");
    return english
               ? QStringLiteral(
                     "The programmer is in use by another program (process %1); "
                     "close that program first!")
                     .arg(who)
               : QStringLiteral("编程器正被另一个程序使用（进程 %1），请先关闭该程序！").arg(who);
}

}  // namespace tessel
