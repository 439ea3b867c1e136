// The commands that write a chip's configuration and trim words, through the same sequences
// and pages as the programming page's configuration group.
#include "cli/command.h"

namespace tessel::cli {
namespace {

int runWriteConfig(const QStringList& a) {
    return runBoardJob(a, BoardJob::WriteConfig);
}

int runTrimWrite(const QStringList& a) {
    return runBoardJob(a, BoardJob::TrimWrite);
}

#define BOARD_OPTIONS " [--simulate[=OPTIONS]] [--trace FILE] [--lang en] [--profile FILE]"

}  // namespace

std::vector<Command> configCommands() {
    return {
        {"write-config", "write the configuration words of the chip's page",
         "Usage: tessel-cli write-config --chip C" BOARD_OPTIONS "\n"
         "Erases the information block and writes the configuration words of the chip's\n"
         "configuration page (from Parameters.ini), then compares what the chip read back;\n"
         "chips 10 to 13 also write configuration word 0 with its companions. Not offered\n"
         "for KR4121. Exits 0 only after \"配置字写入正确!\" (and, for chips 10 to 13, the\n"
         "word-0 success line).\n",
         runWriteConfig},
        {"trim-write", "enter trim mode, write the trim words, leave trim mode",
         "Usage: tessel-cli trim-write --chip C" BOARD_OPTIONS "\n"
         "Brings the target into programming mode, writes the trim words of the chip's trim\n"
         "page (from Parameters.ini), checks what the chip read back and leaves programming\n"
         "mode. Exits 0 only after \"修调字写入正确!\".\n",
         runTrimWrite},
    };
}

}  // namespace tessel::cli
