// The main window's status bar, file handling (recent files, dropped files) and its place on
// the screen.
#include "app/chipcatalogue.h"
#include "app/mainmenu.h"
#include "app/statusbar.h"
#include "app/tesseldlg.h"
#include "image/imagestate.h"
#include "link/cmusbhid.h"
#include "link/hiddevice.h"
#include "link/programmersession.h"
#include "pages/debug/cdebug.h"
#include "pages/program/cprogrammedlg.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QTimer>

namespace tessel {
namespace {

const char* const kSection = "InitParameters";

bool isSupplyVerdict(const Outcome& outcome) {
    if (!outcome.message)
        return false;
    switch (*outcome.message) {
        case Msg::Supply3VOk:
        case Msg::Supply5VOk:
        case Msg::SupplyOffOk:
        case Msg::Supply3VFailed:
        case Msg::Supply5VFailed:
        case Msg::SupplyOffFailed:
            return true;
        default:
            return false;
    }
}

// The single local file a drag carries, or an empty string.
QString draggedFile(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return QString();
    const QUrl url = data->urls().first();
    return url.isLocalFile() ? url.toLocalFile() : QString();
}

}  // namespace

void CTesselDlg::connectStatusBar() {
    ProgrammerSession& session = programPage_->session();
    connect(&session, &ProgrammerSession::handshakeFinished, this, [this](const Outcome&) {
        QString serial;
        for (const HidDeviceInfo& d : backend_.enumerate()) {
            if (d.path == transport_->devicePath())
                serial = d.serialNumber;
        }
        statusBar_->setBoard(transport_->isConnected(), serial);
    });
    connect(transport_, &CMUSBHid::disconnected, this, [this] { statusBar_->setBoard(false); });
    connect(&session, &ProgrammerSession::operationFinished, this,
            &CTesselDlg::onOperationFinished);
    connect(programPage_, &CProgrammeDlg::stopEnabledChanged, this, [this](bool running) {
        if (running)
            operationClock_.start();
        statusBar_->setTrimMode(programPage_->sequencer().trimMode());
    });
    // Leaving trim mode is a single command, not an operation.
    connect(programPage_->button(ProgramView::Control::TrimToggle), &QPushButton::clicked, this,
            [this] { statusBar_->setTrimMode(programPage_->sequencer().trimMode()); });
    connect(programPage_, &CProgrammeDlg::imageOpened, this, &CTesselDlg::onImageOpened);
    // A debug run supplies the target as its supply choice says (0xB1: 3 V, 5 V, external).
    connect(debugPage_, &CDebug::runActiveChanged, this, [this](bool active) {
        if (!active)
            return;
        const StatusBar::Supply supplies[3] = {StatusBar::Supply::V3, StatusBar::Supply::V5,
                                               StatusBar::Supply::External};
        for (int k = 0; k < 3; ++k) {
            if (debugPage_->supplyRadio(k).isChecked())
                statusBar_->setSupply(supplies[k]);
        }
    });
}

void CTesselDlg::onOperationFinished(const Outcome& outcome) {
    statusBar_->setTrimMode(programPage_->sequencer().trimMode());
    if (isSupplyVerdict(outcome)) {
        statusBar_->setSupply(StatusBar::supplyAfter(outcome));
        return;
    }
    const qint64 ms = operationClock_.isValid() ? operationClock_.elapsed() : 0;
    operationClock_.invalidate();
    statusBar_->setVerdict(outcome, ms);
}

void CTesselDlg::onImageOpened() {
    const ImageState& image = programPage_->image();
    if (image.opens == imageOpensShown_)
        return;  // the dialog was cancelled: what was loaded stays loaded
    imageOpensShown_ = image.opens;
    if (!image.imageLoaded) {
        statusBar_->clearImage();  // a refused file leaves no image in the buffer
        return;
    }
    statusBar_->setImage(image.lastImagePath, image.imageLength, image.imageChecksum,
                         QDateTime::currentDateTime());
    recent_.add(image.lastImagePath);
    menu_->setRecentFiles(recent_.files());
}

void CTesselDlg::openRecent(const QString& path) {
    if (!programPage_->openImageFile(path))
        return;
    // A file that has gone was refused as the dialog would refuse it; it leaves the list.
    if (!QFileInfo::exists(path)) {
        recent_.remove(path);
        menu_->setRecentFiles(recent_.files());
    }
}

void CTesselDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!draggedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CTesselDlg::dropEvent(QDropEvent* event) {
    const QString path = draggedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    // Opened after the drop has ended, so that a message box does not hold the drag.
    QTimer::singleShot(0, this, [this, path] { openDropped(path); });
}

void CTesselDlg::openDropped(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    const QString extension = QFileInfo(path).suffix().toLower();
    const bool known = extension == QLatin1String("hex") || extension == QLatin1String("bin") ||
                       extension == QLatin1String("tk") || extension == QLatin1String("ntk") ||
                       extension == QLatin1String("mtk");
    if (!known) {
        const QString text = state_.text(Msg::DropRefusedKind, qUtf8Printable(shown));
        programPage_->appendLog(text);
        prompts_.showWarning(text);
        return;
    }
    if (!programPage_->openImageFile(path))
        programPage_->appendLog(state_.text(Msg::DropRefusedBusy, qUtf8Printable(shown)));
}

QRect CTesselDlg::startGeometry(const QRect& available) const {
    const QString section = QString::fromLatin1(kSection);
    const auto value = [&](int k) {
        return profile_.readInt(section, QString::fromLatin1(kGeometryKeys[k]), -1);
    };
    const int width = value(2);
    const int height = value(3);
    QRect remembered;
    if (width > 0 && height > 0)
        remembered = QRect(value(0), value(1), width, height);
    return placeWindow(remembered, available, QSize(1280, 820));
}

void CTesselDlg::restorePlace() {
    const QScreen* screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    const QRect place = startGeometry(available);
    resize(place.size());
    move(place.topLeft());
    if (profile_.readInt(QString::fromLatin1(kSection), QString::fromLatin1(kGeometryKeys[4]), 0) ==
        1) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
    const QString section = QString::fromLatin1(kSection);
    const int views = profile_.readInt(section, QString::fromLatin1(kSplitterKeys[0]), 0);
    const int pages = profile_.readInt(section, QString::fromLatin1(kSplitterKeys[1]), 0);
    // The splitter keeps the page frame at least as wide as its page needs; without a
    // remembered place the views take all the rest.
    if (views > 0 && pages > 0)
        programPage_->splitter().setSizes({views, pages});
    else
        programPage_->splitter().setSizes({1 << 20, 1});
}

void CTesselDlg::savePlace() {
    const QRect place = isMaximized() || isFullScreen() ? normalGeometry() : QRect(pos(), size());
    if (!place.isValid())
        return;
    const int values[5] = {place.x(), place.y(), place.width(), place.height(),
                           isMaximized() ? 1 : 0};
    for (int k = 0; k < 5; ++k) {
        profile_.writeInt(QString::fromLatin1(kSection), QString::fromLatin1(kGeometryKeys[k]),
                          values[k]);
    }
    const QList<int> sizes = programPage_->splitter().sizes();
    for (int k = 0; k < 2 && k < sizes.size(); ++k) {
        profile_.writeInt(QString::fromLatin1(kSection), QString::fromLatin1(kSplitterKeys[k]),
                          sizes[k]);
    }
}

}  // namespace tessel
