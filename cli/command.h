#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <vector>

namespace tessel {
struct SharedState;
}

namespace tessel::cli {

// Exit codes of every command.
constexpr int kExitOk = 0;       // accepted, done
constexpr int kExitRefused = 1;  // the program refused the input or the operation failed
constexpr int kExitUsage = 2;    // the command line itself is wrong
// 3 (no board, board lost): cli/result.h

// One option a command understands.
struct OptionSpec {
    enum Kind { Flag, Value, OptionalValue };  // OptionalValue only as --name=VALUE
    const char* name;                          // "--chip", "-o"
    Kind kind;
};

// The options shared by the commands that work on a chip.
extern const std::vector<OptionSpec> kCommonOptions;

// A command line after the command name: positional arguments and options.
class Arguments {
public:
    // Returns false (with error set) for an unknown option or a missing value.
    bool parse(const QStringList& args, const std::vector<OptionSpec>& specs, QString* error);

    QStringList positional;
    bool has(const QString& name) const { return values_.contains(name); }
    QString value(const QString& name) const { return values_.value(name); }

private:
    QMap<QString, QString> values_;
};

// Applies --lang and --chip to the shared state. Returns false with error set when a
// value is not understood.
bool applyCommonOptions(const Arguments& args, SharedState& shared, QString* error);

// The profile a command reads. --profile FILE names it: the file must be a readable
// regular file of at most Profile::kLargestFile bytes, else false with error set (a usage
// error: nothing is sent to a board). Without --profile: "Parameters.ini" where the window
// program finds it (missing there: every key takes its default).
bool chooseProfile(const Arguments& args, QString* path, QString* error);
// Prints on standard error one warning for each key of the chip's configuration and trim
// pages whose value in the profile lies outside what its control takes.
void warnAboutProfileValues(int chip, const QString& path);

// Parses a byte given as decimal or 0x-prefixed hex.
bool parseByte(const QString& text, uint8_t* value);

// Writes one line of UTF-8 text.
void printLine(std::FILE* out, const QString& line);

struct Command {
    const char* name;
    const char* summary;  // one line for the command list
    const char* help;     // the text of "tessel-cli NAME --help"
    int (*run)(const QStringList& args);
};

// Command groups, one file each; main() lists them.
std::vector<Command> imageCommands();
std::vector<Command> boardCommands();
std::vector<Command> debugCommands();
std::vector<Command> configCommands();
std::vector<Command> trimCommands();
std::vector<Command> analyseCommands();

// The board commands of another command file, run with the board options of boardCommands().
enum class BoardJob { WriteConfig, TrimWrite };
int runBoardJob(const QStringList& argv, BoardJob job);
std::vector<Command> listCommands();

// One shared option as --help and the man page describe it.
struct OptionDoc {
    const char* name;  // "--device PATH|SERIAL"
    const char* text;
};
// The options of every command, and those of the board commands.
extern const std::vector<OptionDoc> kSharedOptionDocs;
extern const std::vector<OptionDoc> kBoardOptionDocs;
// The man page (roff) of tessel-cli, from the command and option tables.
QString manPage(const std::vector<Command>& commands);

}  // namespace tessel::cli
