#pragma once

#include "cli/command.h"
#include "link/hiddevice.h"
#include "sim/simboard.h"

#include <QList>
#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace tessel {
class SimBoardSet;
}

namespace tessel::cli {

struct CommandResult;

// The options every board command shares: which board and which bus.
struct BoardOptions {
    bool simulate = false;
    SimOptions sim;
    QString device;  // --device PATH|SERIAL; empty: the only board present
    QString traceFile;
    bool all = false;  // --all: every usable board at once
    QString logFile;   // the traceability log; empty: none (--no-log)
};

// --simulate[=OPTIONS], --trace FILE, --device PATH|SERIAL, --lang, --profile, --json.
extern const std::vector<OptionSpec> kBoardOptions;
// Reads the board options; false with error set when one is not understood.
bool parseBoardOptions(const Arguments& args, BoardOptions* out, QString* error);

// One programmer board found on the bus.
struct BoardEntry {
    HidDeviceInfo info;
    bool usable = false;    // the release number the program works with
    bool openable = false;  // it could be opened just now (only asked when probed)
    bool busy = false;      // another program has it open (only seen when probed)
    QString problem;        // why it cannot be used or opened
};

// Every interface with the board's vendor and product number, in enumeration order. With
// probe set each usable board is opened once and closed again to see whether it can be.
QList<BoardEntry> findBoards(HidBackend& backend, bool probe, bool english);
// "PATH (serial S)" or "PATH".
QString describeBoard(const HidDeviceInfo& info);

// The one place a board command gets its board: builds the bus (hidapi or the simulated
// boards), picks the board that --device names or the only one present, and offers the
// transport a bus on which that board alone is seen.
class BoardAccess {
public:
    BoardAccess();
    ~BoardAccess();

    // Builds the bus only (for "list").
    HidBackend& bus(const BoardOptions& options);
    // False when there is no board to use; result then says why (no-board, device-not-found,
    // several-boards, board-not-accessible). On success result names the device.
    bool select(const BoardOptions& options, CommandResult& result, bool english);

    // --all: every usable board, in enumeration order. False when there is none (result then
    // says no-board).
    bool selectAll(const BoardOptions& options, CommandResult& result, bool english);
    int boardCount() const { return int(all_.size()); }
    const HidDeviceInfo& boardInfo(int index) const;
    // The bus on which board index alone is seen.
    HidBackend& backendAt(int index);

    // The bus restricted to the chosen board.
    HidBackend& backend();
    // The chosen simulated board, or null on real hardware.
    SimBoard* simBoard();
    // Writes every report the chosen simulated board received, one line of 65 hex bytes each.
    bool writeTrace(const QString& path);

private:
    class OneBoard;
    std::unique_ptr<HidBackend> bus_;
    SimBoardSet* sim_ = nullptr;
    std::unique_ptr<OneBoard> one_;
    QString path_;
    std::vector<std::pair<HidDeviceInfo, std::unique_ptr<OneBoard>>> all_;
};

}  // namespace tessel::cli
