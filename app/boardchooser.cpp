#include "app/boardchooser.h"

#include "app/boardchoice.h"
#include "app/prompts.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"

#include <QSignalBlocker>

namespace tessel {
namespace {

const char* const kSection = "InitParameters";
constexpr int kKeyRole = Qt::UserRole;
constexpr int kPathRole = Qt::UserRole + 1;

}  // namespace

BoardChooser::BoardChooser(SharedState& state, BoardChoice& choice, QWidget* parent)
    : QComboBox(parent), state_(state), choice_(choice), profile_(state.profilePath) {
    setObjectName(QStringLiteral("boardCombo"));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    choice_.choose(profile_.readString(QString::fromLatin1(kSection),
                                       QString::fromLatin1(kProfileKey), QString()));
    connect(this, qOverload<int>(&QComboBox::activated), this, &BoardChooser::onActivated);
    refresh();
}

void BoardChooser::attach(ProgrammerSession& session, LogSink& log, HotplugWatcher* watcher) {
    session_ = &session;
    log_ = &log;
    // The board the session drives shows as the current entry.
    connect(&session, &ProgrammerSession::handshakeFinished, this, [this] { refresh(); });
    connect(&session.transport(), &CMUSBHid::disconnected, this, [this] { refresh(); });
    if (watcher) {
        connect(watcher, &HotplugWatcher::arrived, this, [this] { refresh(); });
        connect(watcher, &HotplugWatcher::removed, this,
                [this](const QString& path) { refresh(path); });
    }
    refresh();
}

void BoardChooser::setOperationIdle(bool idle) {
    operationIdle_ = idle;
    updateEnabled();
}

void BoardChooser::setDebugIdle(bool idle) {
    debugIdle_ = idle;
    updateEnabled();
}

void BoardChooser::updateEnabled() {
    setEnabled(operationIdle_ && debugIdle_);
}

void BoardChooser::refresh(const QString& gone) {
    const QList<HidDeviceInfo> boards = choice_.boards(gone);
    const bool open = session_ && session_->transport().isConnected();
    const QString driven = open ? session_->transport().devicePath() : QString();
    const QSignalBlocker quiet(this);
    clear();
    int current = -1;
    int chosen = -1;
    for (const HidDeviceInfo& info : boards) {
        addItem(BoardChoice::labelOf(info));
        setItemData(count() - 1, BoardChoice::keyOf(info), kKeyRole);
        setItemData(count() - 1, info.path, kPathRole);
        if (info.path == driven)
            current = count() - 1;
        if (chosen < 0 && choice_.isChosen(info))
            chosen = count() - 1;
    }
    // The board driven; while none is open, the one the next open takes.
    if (current < 0)
        current = chosen >= 0 ? chosen : 0;
    setCurrentIndex(count() > 0 ? current : -1);
    // One board (or none): nothing to choose, nothing on screen.
    setVisible(boards.size() > 1);
}

void BoardChooser::onActivated(int index) {
    const QString key = itemData(index, kKeyRole).toString();
    const QString path = itemData(index, kPathRole).toString();
    if (!session_ || key.isEmpty())
        return;
    if (!isEnabled() || session_->busy()) {
        log_->appendLog(state_.text(Msg::BoardChoiceRefused));
        refresh();
        return;
    }
    const bool driven =
        session_->transport().isConnected() && session_->transport().devicePath() == path;
    choice_.choose(key);
    profile_.writeString(QString::fromLatin1(kSection), QString::fromLatin1(kProfileKey), key);
    if (driven)
        return;
    log_->appendLog(state_.text(Msg::BoardChosen, qUtf8Printable(itemText(index))));
    session_->reopen();
}

}  // namespace tessel
