#pragma once

#include "app/sharedstate.h"
#include "cli/result.h"
#include "image/imagestate.h"
#include "link/notifications.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace tessel {
class CMUSBHid;
class HidBackend;
class LogSink;
class Prompts;
class OperationSequencer;
class ProgrammerSession;
struct Outcome;
namespace chip {
class ConfigPages;
}
}  // namespace tessel

namespace tessel::cli {

class BoardAccess;

// One board command from the opened board to its verdict: a ProgrammerSession, the one the
// window's programming page drives (transport, handshake, operation sequences, page
// preparation), with the programming page's messages printed (standard output, or standard
// error under --json) and progress drawn on a terminal. Each operation that ends becomes an
// OperationResult.
class BoardSession {
public:
    // Starts the first operation once the board was accepted; false when it could not start.
    using Start = std::function<bool(BoardSession&)>;
    // Called once for every operation that ended (the handshake's failure included); returns
    // true when it started a further operation.
    using Finished = std::function<bool(BoardSession&, const OperationResult&)>;

    // samePagesAs: the configuration pages of another session of the same chip and profile
    // are used (boards programmed together), rather than loaded again.
    BoardSession(SharedState& state, const QString& profilePath,
                 BoardSession* samePagesAs = nullptr);
    ~BoardSession();

    ImageState image;
    chip::ConfigPages& pages();
    // The board's session; its transport opens only in run().
    ProgrammerSession& session();
    // The programming page's messages list and message boxes, as the command line prints them.
    LogSink& log();
    Prompts& prompts();
    OperationSequencer& sequencer();
    CMUSBHid& transport();
    // Bytes the last flash read put into the read buffer.
    uint32_t readLength() const;

    // Opens the board of access, runs the handshake and the operations, and returns when the
    // last one ended, the board went away or stopped answering.
    void run(BoardAccess& access, const Start& start, const Finished& finished);
    // The same without waiting: the board on bus is opened once the event loop runs, and
    // done is called when its last operation ended. Several sessions run so in one loop.
    void begin(HidBackend& bus, const Start& start, const Finished& finished,
               const std::function<void()>& done);
    // Closes the board (after begin(), once done).
    void end();
    // Whether the programming page's messages are printed (the command line's --all prints
    // one line per board instead).
    void setPrinting(bool on);
    // Records every operation that reaches the board in the traceability log at path
    // (operations of an EEPROM image file carry imageName).
    void recordTo(const QString& path, const QString& imageName);
    // The result of an operation that ended with outcome, with what the buffers hold.
    OperationResult judge(const Outcome& outcome);
    // Ends the command's operation that could not start (its refusal was logged).
    void fail();

private:
    struct Parts;
    class Bus;
    void operationEnded(const Outcome& outcome);
    void handshakeEnded(const Outcome& outcome, const Start& start);
    void lineLogged(const QString& line);
    void concluded();

    SharedState& state_;
    std::unique_ptr<Parts> parts_;
    Finished finished_;
    Start start_;
    std::function<void()> whenDone_;
    QStringList lines_;  // messages of the running operation
    QElapsedTimer clock_;
    bool done_ = false;
    int ends_ = 0;  // operations ended so far
};

}  // namespace tessel::cli
