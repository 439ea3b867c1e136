#include "cli/boardsession.h"

#include "app/profile.h"
#include "cli/boardaccess.h"
#include "cli/command.h"
#include "link/cmusbhid.h"
#include "link/connection.h"
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

struct BoardSession::Parts {
    explicit Parts(const QString& profilePath) : pages(Profile(profilePath)), source(pages) {}
    ConsoleView view;
    chip::ConfigPages pages;
    chip::PagesConfigSource source;
    std::unique_ptr<CMUSBHid> transport;
    std::unique_ptr<OperationSequencer> sequencer;
    QEventLoop loop;
};

BoardSession::BoardSession(SharedState& state, const QString& profilePath)
    : state_(state), parts_(std::make_unique<Parts>(profilePath)) {
    // The pages as the programming page holds them once the chip is selected; trim mode
    // readies the trim page when the sequences enter it.
    const int chip = static_cast<int>(state.chipIndex.load());
    parts_->pages.initialiseAll(chip);
    parts_->pages.prepareConfigPage(chip);
    parts_->view.logged = [this](const QString& line) { lineLogged(line); };
    clock_.start();
}

BoardSession::~BoardSession() = default;

chip::ConfigPages& BoardSession::pages() {
    return parts_->pages;
}
LogSink& BoardSession::log() {
    return parts_->view;
}
Prompts& BoardSession::prompts() {
    return parts_->view;
}
OperationSequencer& BoardSession::sequencer() {
    return *parts_->sequencer;
}
CMUSBHid& BoardSession::transport() {
    return *parts_->transport;
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

void BoardSession::run(BoardAccess& access, const Start& start, const Finished& finished) {
    finished_ = finished;
    Parts& p = *parts_;
    p.transport = std::make_unique<CMUSBHid>(state_, access.backend());
    p.sequencer = std::make_unique<OperationSequencer>(state_, *p.transport, image, p.view);
    p.sequencer->setConfigSource(&p.source);
    p.sequencer->setPrompts(&p.view);
    ConnectionSequence connection(state_, *p.transport, p.view, [this, &start](bool accepted) {
        const int before = ends_;
        if (!accepted) {
            operationEnded(false);
        } else if (!start(*this) && ends_ == before && !parts_->sequencer->busy()) {
            operationEnded(false);
        }
    });
    p.view.finished = [this](bool success) { operationEnded(success); };
    QObject::connect(
        p.transport.get(), &CMUSBHid::linkNotification, [&](const LinkNotification& n) {
            if (connection.handle(n)) {
                if (n.code == LinkCode::NoDevice) {
                    const OpenResult open = p.transport->lastOpenResult();
                    OperationResult r = judge(false);
                    r.reason = open == OpenResult::PermissionDenied
                                   ? QStringLiteral("board-not-accessible")
                               : open == OpenResult::Busy ? QStringLiteral("board-busy")
                                                          : QStringLiteral("no-board");
                    lines_.clear();
                    done_ = true;
                    finished_(*this, r);
                    p.loop.exit(0);
                }
                return;
            }
            p.sequencer->handle(n);
            if (onNotification)
                onNotification(n);
        });
    QObject::connect(p.transport.get(), &CMUSBHid::boardLost, [this] {
        lost_ = true;
        parts_->view.appendLog(state_.text("设备被拔出", "Device Pulled Out!"));
    });
    QObject::connect(p.transport.get(), &CMUSBHid::disconnected, p.sequencer.get(),
                     &OperationSequencer::onDisconnected);
    // A board lost while no operation runs (the handshake, a single exchange) ends here.
    QObject::connect(p.transport.get(), &CMUSBHid::disconnected, [this] {
        if (!done_)
            operationEnded(false);
    });
    QTimer::singleShot(0, p.transport.get(), [&] { p.transport->open(); });
    // Operations end on their own when the board stops answering; this guards the handshake
    // and the supply commands, which have no time-out of their own.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [this] {
        if (parts_->sequencer->busy())
            return;
        parts_->view.appendLog(state_.text("等待数据超时!", "Waiting for data timeout!"));
        operationEnded(false);
    });
    guard.start(kAnswerGuardMs);
    if (!done_)
        p.loop.exec();
    done_ = true;
    p.transport->close();
}

}  // namespace tessel::cli
