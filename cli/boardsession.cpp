#include "cli/boardsession.h"

#include "app/profile.h"
#include "cli/boardaccess.h"
#include "cli/command.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "link/sequencer.h"
#include "link/tracelog.h"
#include "pages/chip/configpages.h"
#include "pages/chip/pagesconfigsource.h"

#include "image/imageformat.h"

#include <QEventLoop>
#include <QTimer>

namespace tessel::cli {
namespace {

// The programming page as the command line shows it: messages and message boxes printed,
// progress on a terminal's standard error.
class ConsoleView : public ProgramView, public Prompts {
public:
    std::function<void(const QString&)> logged;
    uint32_t readLength = 0;
    bool printing = true;

    void appendLog(const QString& line) override {
        if (printing)
            printMessage(line);
        if (logged)
            logged(line);
    }
    void showMessage(const QString& text) override { appendLog(text); }
    QString openFileName(const QString&) override { return QString(); }
    QString saveFileName(const QString&, const QString&) override { return QString(); }
    void setControlEnabled(Control, bool) override {}
    void showProgress(int percent) override {
        if (percent == lastPercent_ || !printing || !progressWanted())
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
    // The session reports every end (operationFinished).
    void operationFinished(const Outcome&) override {}

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
    Parts(const QString& profilePath, std::shared_ptr<chip::ConfigPages> shared)
        : pagesHeld(shared ? std::move(shared)
                           : std::make_shared<chip::ConfigPages>(Profile(profilePath))),
          pages(*pagesHeld),
          source(pages) {}
    ConsoleView view;
    std::shared_ptr<chip::ConfigPages> pagesHeld;
    chip::ConfigPages& pages;
    chip::PagesConfigSource source;
    Bus bus;
    std::unique_ptr<ProgrammerSession> session;
    QEventLoop loop;
    QTimer guard;
};

BoardSession::BoardSession(SharedState& state, const QString& profilePath,
                           BoardSession* samePagesAs)
    : state_(state),
      parts_(std::make_unique<Parts>(profilePath,
                                     samePagesAs ? samePagesAs->parts_->pagesHeld : nullptr)) {
    Parts& p = *parts_;
    p.session = std::make_unique<ProgrammerSession>(state, p.bus, image, p.source, p.view, p.view);
    // The pages as the programming page holds them once the chip is selected; trim mode
    // readies the trim page when the sequences enter it. Pages taken over are ready.
    const int chip = static_cast<int>(state.chipIndex.load());
    if (!samePagesAs)
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

namespace {

int differingBytes(const uint8_t* a, const uint8_t* b, uint32_t length) {
    int n = 0;
    for (uint32_t i = 0; i < length; ++i)
        n += a[i] != b[i] ? 1 : 0;
    return n;
}

}  // namespace

OperationResult BoardSession::judge(const Outcome& outcome) {
    OperationResult r;
    r.durationMs = clock_.elapsed();
    r.set(outcome);
    if (r.message.isEmpty())
        r.message = lines_.value(lines_.size() - 1);
    // A flash read that ended: its checksum over what it read.
    const uint32_t read = parts_->view.readLength;
    if (read > 0) {
        r.checksum = computeChecksum(image.readBuffer.data(), read);
        r.length = read;
    }
    // A verification that ran: the bytes it found differing.
    const int chip = parts_->session->sequencer().operationChip();
    if (outcome.message == Msg::ProgramOk || outcome.message == Msg::ProgramNg) {
        r.verifyErrors =
            differingBytes(image.writeBuffer.data(), image.readBuffer.data(), image.imageLength);
    } else if (outcome.message == Msg::EepromWriteOk || outcome.message == Msg::EepromWriteNg) {
        r.verifyErrors = differingBytes(image.eepromWriteImage(chip), image.eepromReadImage(chip),
                                        ImageState::eepromImageSize(chip));
    }
    return r;
}

void BoardSession::operationEnded(const Outcome& outcome) {
    if (done_)
        return;
    ++ends_;
    const OperationResult r = judge(outcome);
    lines_.clear();
    clock_.restart();
    const bool further = finished_(*this, r);
    parts_->view.readLength = 0;  // what the next operation reads is its own
    if (!further)
        concluded();
}

void BoardSession::fail() {
    operationEnded(Outcome::failure(Reason::Refused, lines_.value(lines_.size() - 1)));
}

void BoardSession::handshakeEnded(const Outcome& outcome, const Start& start) {
    if (done_)
        return;
    switch (outcome.reason) {
        case Reason::Ok: {
            const int before = ends_;
            if (!start(*this) && ends_ == before && !sequencer().busy())
                fail();
            return;
        }
        case Reason::VersionRefused:
            operationEnded(outcome);
            return;
        default: {
            // No board could be opened: nothing ran.
            const OperationResult r = judge(outcome);
            lines_.clear();
            done_ = true;
            finished_(*this, r);
            concluded();
            return;
        }
    }
}

void BoardSession::concluded() {
    done_ = true;
    parts_->guard.stop();
    parts_->loop.exit(0);
    if (whenDone_) {
        // Once: a late end of this board (a lost board after its verdict) calls nothing.
        const std::function<void()> done = std::move(whenDone_);
        whenDone_ = nullptr;
        done();
    }
}

void BoardSession::setPrinting(bool on) {
    parts_->view.printing = on;
}

void BoardSession::recordTo(const QString& path, const QString& imageName) {
    TraceLog* log = TraceLog::attach(*parts_->session, path);
    log->setImageName(imageName);
    QObject::connect(log, &TraceLog::writeFailed, log, [](const QString& file) {
        printLine(stderr, QStringLiteral("tessel-cli: warning: ") +
                              cliText(Msg::TraceLogWriteFailed, qUtf8Printable(file)));
    });
}

void BoardSession::begin(HidBackend& bus, const Start& start, const Finished& finished,
                         const std::function<void()>& done) {
    finished_ = finished;
    start_ = start;
    whenDone_ = done;
    Parts& p = *parts_;
    p.bus.chosen = &bus;
    ProgrammerSession& session = *p.session;
    QObject::connect(&session, &ProgrammerSession::handshakeFinished, &session,
                     [this](const Outcome& outcome) { handshakeEnded(outcome, start_); });
    QObject::connect(&session, &ProgrammerSession::operationFinished, &session,
                     [this](const Outcome& outcome) { operationEnded(outcome); });
    // A board lost outside an operation (the handshake, a supply switch) ends the command.
    QObject::connect(&session, &ProgrammerSession::boardLost, &session,
                     [this](const Outcome& outcome) { operationEnded(outcome); });
    QTimer::singleShot(0, &session, [&session] { session.open(); });
    // Operations end on their own when the board stops answering; this guards the handshake
    // and the supply commands, which have no time-out of their own.
    p.guard.setSingleShot(true);
    QObject::connect(&p.guard, &QTimer::timeout, &session, [this] {
        if (sequencer().busy())
            return;
        const QString line = state_.text(Msg::ReplyTimeout);
        parts_->view.appendLog(line);
        operationEnded(Outcome::failure(Reason::Timeout, Msg::ReplyTimeout, line));
    });
    p.guard.start(kAnswerGuardMs);
}

void BoardSession::end() {
    done_ = true;
    parts_->guard.stop();
    parts_->session->close();
}

void BoardSession::run(BoardAccess& access, const Start& start, const Finished& finished) {
    begin(access.backend(), start, finished, nullptr);
    if (!done_)
        parts_->loop.exec();
    end();
}

}  // namespace tessel::cli
