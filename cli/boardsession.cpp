#include "cli/boardsession.h"

#include "app/profile.h"
#include "cli/boardaccess.h"
#include "cli/command.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "link/sequencer.h"
#include "pages/chip/configpages.h"
#include "pages/chip/pagesconfigsource.h"

#include <QEventLoop>
#include <QRegularExpression>
#include <QTimer>

namespace tessel::cli {
namespace {

// The programming page as the command line shows it: messages and message boxes printed,
// progress on a terminal's standard error.
class ConsoleView : public ProgramView, public Prompts {
public:
    std::function<void(const QString&)> logged;
    std::function<void(bool)> finished;
    uint32_t readLength = 0;

    void appendLog(const QString& line) override {
        printMessage(line);
        if (logged)
            logged(line);
    }
    void showMessage(const QString& text) override { appendLog(text); }
    QString openFileName(const QString&) override { return QString(); }
    QString saveFileName(const QString&, const QString&) override { return QString(); }
    void setControlEnabled(Control, bool) override {}
    void showProgress(int percent) override {
        if (percent == lastPercent_ || !progressWanted())
            return;
        lastPercent_ = percent;
        std::fprintf(stderr, "\r%3d%%", percent);
        if (percent == 100)
            std::fputc('\n', stderr);
        std::fflush(stderr);
    }
    void hideProgress() override { lastPercent_ = -1; }
    void setResult(Result) override {}
    void readBufferChanged(uint32_t length) override { readLength = length; }
    void eepromReadBufferChanged() override {}
    void operationFinished(const Outcome& outcome) override {
        if (finished)
            finished(outcome.ok());
    }

private:
    int lastPercent_ = -1;
};

// How long the handshake and a single exchange may wait for the board.
constexpr int kAnswerGuardMs = 30000;

}  // namespace

// The bus the session's transport opens its board on: the board BoardAccess chose, known
// only once run() starts. Until then nothing is seen.
class BoardSession::Bus : public HidBackend {
public:
    HidBackend* chosen = nullptr;
    QList<HidDeviceInfo> enumerate() override {
        return chosen ? chosen->enumerate() : QList<HidDeviceInfo>();
    }
    std::shared_ptr<HidDevice> open(const QString& path, OpenResult* result) override {
        if (chosen)
            return chosen->open(path, result);
        *result = OpenResult::NotFound;
        return nullptr;
    }
    qint64 holderOf(const QString& path) override { return chosen ? chosen->holderOf(path) : 0; }
    HotplugWatcher* createWatcher(QObject* parent) override {
        return chosen ? chosen->createWatcher(parent) : nullptr;
    }
};

struct BoardSession::Parts {
    explicit Parts(const QString& profilePath) : pages(Profile(profilePath)), source(pages) {}
    ConsoleView view;
    chip::ConfigPages pages;
    chip::PagesConfigSource source;
    Bus bus;
    std::unique_ptr<ProgrammerSession> session;
    QEventLoop loop;
};

BoardSession::BoardSession(SharedState& state, const QString& profilePath)
    : state_(state), parts_(std::make_unique<Parts>(profilePath)) {
    Parts& p = *parts_;
    p.session = std::make_unique<ProgrammerSession>(state, p.bus, image, p.source, p.view, p.view);
    // The pages as the programming page holds them once the chip is selected; trim mode
    // readies the trim page when the sequences enter it.
    const int chip = static_cast<int>(state.chipIndex.load());
    p.pages.initialiseAll(chip);
    p.session->selectChip(chip);
    p.view.logged = [this](const QString& line) { lineLogged(line); };
    clock_.start();
}

BoardSession::~BoardSession() = default;

chip::ConfigPages& BoardSession::pages() {
    return parts_->pages;
}
ProgrammerSession& BoardSession::session() {
    return *parts_->session;
}
LogSink& BoardSession::log() {
    return parts_->view;
}
Prompts& BoardSession::prompts() {
    return parts_->view;
}
OperationSequencer& BoardSession::sequencer() {
    return parts_->session->sequencer();
}
CMUSBHid& BoardSession::transport() {
    return parts_->session->transport();
}
uint32_t BoardSession::readLength() const {
    return parts_->view.readLength;
}

void BoardSession::lineLogged(const QString& line) {
    lines_ << line;
}

OperationResult BoardSession::judge(bool success) const {
    OperationResult r;
    r.durationMs = clock_.elapsed();
    static const QRegularExpression errorsLine(
        QStringLiteral("^(?:共发现\\s*(\\d+)个单元不对!|The Num Of Err Bytes :\\s*(\\d+))$"));
    static const QRegularExpression checksumLine(
        QStringLiteral("^Value of CheckSum：0x([0-9A-F]{8})$"));
    for (const QString& line : lines_) {
        const QRegularExpressionMatch e = errorsLine.match(line);
        if (e.hasMatch())
            r.verifyErrors = (e.captured(1) + e.captured(2)).toInt();
        const QRegularExpressionMatch c = checksumLine.match(line);
        if (c.hasMatch()) {
            r.checksum = c.captured(1).toUInt(nullptr, 16);
            r.length = parts_->view.readLength;
        }
    }
    if (success) {
        r.message = lines_.value(lines_.size() - 1);
        return r;
    }
    r.outcome = OperationResult::Outcome::Failed;
    r.reason = QStringLiteral("failed");
    r.message = lines_.value(lines_.size() - 1);
    for (qsizetype i = lines_.size() - 1; i >= 0; --i) {
        const QString key = reasonOfMessage(lines_[i]);
        if (!key.isEmpty()) {
            r.reason = key;
            r.message = lines_[i];
            break;
        }
    }
    if (lost_) {
        r.reason = QStringLiteral("board-lost");
        r.message = state_.text("设备被拔出", "Device Pulled Out!");
    }
    return r;
}

void BoardSession::operationEnded(bool success) {
    if (done_)
        return;
    ++ends_;
    const OperationResult r = judge(success);
    lines_.clear();
    clock_.restart();
    if (!finished_(*this, r)) {
        done_ = true;
        parts_->loop.exit(0);
    }
}

void BoardSession::endExchange(bool success) {
    operationEnded(success);
}

void BoardSession::handshakeEnded(const Outcome& outcome, const Start& start) {
    if (done_)
        return;
    switch (outcome.reason) {
        case Reason::Ok: {
            const int before = ends_;
            if (!start(*this) && ends_ == before && !sequencer().busy())
                operationEnded(false);
            return;
        }
        case Reason::VersionRefused:
            operationEnded(false);
            return;
        default: {
            // No board could be opened: nothing ran.
            OperationResult r = judge(false);
            r.reason = QString::fromLatin1(reasonKey(outcome.reason));
            lines_.clear();
            done_ = true;
            finished_(*this, r);
            parts_->loop.exit(0);
            return;
        }
    }
}

void BoardSession::run(BoardAccess& access, const Start& start, const Finished& finished) {
    finished_ = finished;
    Parts& p = *parts_;
    p.bus.chosen = &access.backend();
    ProgrammerSession& session = *p.session;
    QObject::connect(&session, &ProgrammerSession::handshakeFinished, &session,
                     [this, &start](const Outcome& outcome) { handshakeEnded(outcome, start); });
    QObject::connect(&session, &ProgrammerSession::operationFinished, &session,
                     [this](const Outcome& outcome) {
                         if (outcome.reason == Reason::BoardLost)
                             lost_ = true;
                         operationEnded(outcome.ok());
                     });
    QObject::connect(&session, &ProgrammerSession::notified, &session,
                     [this](const LinkNotification& n) {
                         if (onNotification)
                             onNotification(n);
                     });
    QObject::connect(&session, &ProgrammerSession::boardLost, &session, [this](const Outcome&) {
        lost_ = true;
        if (!done_)
            operationEnded(false);
    });
    QTimer::singleShot(0, &session, [&session] { session.open(); });
    // Operations end on their own when the board stops answering; this guards the handshake
    // and the supply commands, which have no time-out of their own.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [this] {
        if (sequencer().busy())
            return;
        parts_->view.appendLog(state_.text(Msg::ReplyTimeout));
        operationEnded(false);
    });
    guard.start(kAnswerGuardMs);
    if (!done_)
        p.loop.exec();
    done_ = true;
    session.close();
}

}  // namespace tessel::cli
