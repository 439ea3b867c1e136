// tessel-cli analyse: touch qualification of a debug data file without the board. Reads
// the CSV file a debug run wrote and prints per channel noise, signal, SNR, sensitivity,
// PASS/FAIL and the coupling matrix.
#include "app/messages.h"
#include "app/sharedstate.h"
#include "cli/command.h"
#include "cli/result.h"
#include "debug/csvreader.h"
#include "debug/qualification.h"

#include <algorithm>
#include <cmath>

namespace tessel::cli {
namespace {

namespace q = qualification;

QString cells(const QStringList& texts) {
    QString line;
    for (int c = 0; c < texts.size(); ++c)
        line += c == 0 ? texts[c].leftJustified(8) : texts[c].rightJustified(16);
    return line;
}

void printTable(const q::Result& r, uint8_t language) {
    printMessage(message(Msg::QualMinSnr, language, q::number(r.minSnr).toUtf8().constData()));
    printMessage(cells(q::columnTitles(language)));
    for (int i = 0; i < r.channels; ++i)
        printMessage(cells(q::rowTexts(r, i, language)));
    printMessage(message(Msg::QualCoupling, language));
    QString head = QStringLiteral("      ");
    for (int j = 0; j < r.channels; ++j)
        head += QStringLiteral("Ch%1").arg(j).rightJustified(8);
    printMessage(head);
    for (int i = 0; i < r.channels; ++i) {
        QString line = QStringLiteral("Ch%1").arg(i).leftJustified(6);
        for (int j = 0; j < r.channels; ++j) {
            bool marked = false;
            const QString text = q::couplingText(r.coupling[i][j], &marked);
            line += (marked ? QLatin1Char('*') + text : text).rightJustified(8);
        }
        printMessage(line);
    }
}

// A file that cannot be read or is no debug data file: exit 2, as a wrong command line (the
// reasons' exit code).
int refuseFile(CommandResult& result, Reason reason, const QString& text) {
    printMessage(text);
    result.op.set(OperationResult::Outcome::Refused, reason, text);
    return result.finish();
}

int runAnalyse(const QStringList& argv) {
    CommandResult result(QStringLiteral("analyse"));
    std::vector<OptionSpec> specs = kCommonOptions;
    specs.push_back({"--min-snr", OptionSpec::Value});
    Arguments args;
    QString error;
    SharedState shared;
    if (!args.parse(argv, specs, &error) || !applyCommonOptions(args, shared, &error))
        return result.usage(error);
    if (args.positional.size() != 1)
        return result.usage(QStringLiteral("give one CSV file (see tessel-cli analyse --help)"));
    if (!args.has(QStringLiteral("--chip")))
        return result.usage(QStringLiteral("--chip is needed: the file's columns depend on it"));
    double minSnr = q::kDefaultMinSnr;
    if (args.has(QStringLiteral("--min-snr"))) {
        bool ok = false;
        minSnr = args.value(QStringLiteral("--min-snr")).toDouble(&ok);
        if (!ok || !std::isfinite(minSnr) || minSnr < 0)
            return result.usage(QStringLiteral("--min-snr takes a number of 0 or more"));
    }
    const int chip = int(shared.chipIndex.load());
    const uint8_t language = shared.language;
    result.chip = chip;
    const QString path = args.positional[0];
    result.extra.insert(QStringLiteral("file"), path);

    const csv::ReadResult file = csv::readFile(path, chip, language);
    if (!file.ok) {
        return refuseFile(result, file.errorLine ? Reason::CsvMalformed : Reason::FileUnreadable,
                          file.error);
    }
    const std::vector<SampleRecord> records = file.lastBlock();
    const q::Result r = q::qualify(records, file.channels, q::csvSource(chip), minSnr);
    printMessage(QStringLiteral("file=%1").arg(path));
    printMessage(QStringLiteral("samples=%1 channels=%2").arg(records.size()).arg(r.channels));
    printTable(r, language);
    const int failed = int(std::count_if(r.channel.begin(), r.channel.end(),
                                         [](const q::ChannelQuality& c) { return !c.pass; }));
    const QString summary =
        failed ? message(Msg::QualSomeFail, language, failed) : message(Msg::QualAllPass, language);
    printMessage(summary);
    result.extra.insert(QStringLiteral("samples"), qint64(records.size()));
    result.extra.insert(QStringLiteral("qualification"), q::toJson(r));
    if (failed)
        result.op.set(OperationResult::Outcome::Failed, Reason::QualificationFailed, summary);
    else
        result.op.message = summary;
    return result.finish();
}

}  // namespace

std::vector<Command> analyseCommands() {
    return {
        {"analyse", "touch qualification of a debug CSV file (no board)",
         "Usage: tessel-cli analyse FILE.csv --chip C [--min-snr X] [--json] [--lang en]\n"
         "Reads the CSV file a debug run wrote (the debug page's format for chip C) and\n"
         "prints per channel: noise (Differ peak to peak, untouched), signal (mean Differ\n"
         "touched - mean Differ untouched), SNR = signal / noise (\"\xE2\x80\x94\" when the noise\n"
         "is 0), sensitivity = signal / mean baseline x 100 %, PASS when the SNR is at\n"
         "least X (default 5), and the coupling matrix (rows: the touched key, columns:\n"
         "the channels; * over 20 %).\n"
         "Exit status: 0 every channel passes, 1 a channel fails (or was never touched),\n"
         "2 usage error or a file that cannot be read or is no debug CSV file (the message\n"
         "names the line).\n",
         runAnalyse}};
}

}  // namespace tessel::cli
