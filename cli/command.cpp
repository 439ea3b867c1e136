#include "cli/command.h"

#include "app/chipcatalogue.h"
#include "app/profile.h"
#include "app/regularfile.h"
#include "app/sharedstate.h"
#include "cli/result.h"
#include "pages/chip/configpages.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>

namespace tessel::cli {

const std::vector<OptionSpec> kCommonOptions = {
    {"--chip", OptionSpec::Value},
    {"--lang", OptionSpec::Value},
    {"--json", OptionSpec::Flag},
};

const std::vector<OptionDoc> kSharedOptionDocs = {
    {"--chip C", "chip index 0 to 13 or chip combo text (e.g. KR5814)"},
    {"--lang en|zh", "English or Chinese messages (Chinese by default)"},
    {"--json",
     "print one JSON object with the result on standard output at the end; "
     "the messages go to standard error"},
};

const std::vector<OptionDoc> kBoardOptionDocs = {
    {"--device PATH|SERIAL", "the board to use (see list); needed when several are connected"},
    {"--simulate[=OPTIONS]", "use the built-in simulated board(s), e.g. --simulate=boards=3"},
    {"--trace FILE", "write every report the simulated board received, one line each"},
    {"--profile FILE", "the Parameters.ini to read (exit 2 when it cannot be read)"},
    {"--all",
     "program, read-config, eeprom-write, write-config: every connected board at once, a "
     "line per board as it ends (--json: an array, one object per board); exit status the "
     "worst of the boards' (3 before 1 before 0); not with --device or --trace"},
    {"--log FILE",
     "append a record (CSV) of every operation that reached a chip to FILE (default: "
     "tessel-log.csv beside Parameters.ini)"},
    {"--no-log", "write no such record"},
};

namespace {
QString roff(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\\'), QLatin1String("\\e"));
    t.replace(QLatin1Char('-'), QLatin1String("\\-"));
    QStringList lines = t.split(QLatin1Char('\n'));
    for (QString& l : lines) {
        if (l.startsWith(QLatin1Char('.')) || l.startsWith(QLatin1Char('\'')))
            l.prepend(QLatin1String("\\&"));
    }
    return lines.join(QLatin1Char('\n'));
}
}  // namespace

QString manPage(const std::vector<Command>& commands) {
    QString m = QStringLiteral(
        ".TH TESSEL\\-CLI 1\n.SH NAME\ntessel\\-cli \\- program touch\\-key chips through "
        "the Tessel programmer board\n.SH SYNOPSIS\n.B tessel\\-cli\nCOMMAND [ARGUMENTS] "
        "[OPTIONS]\n.SH COMMANDS\n");
    for (const Command& c : commands) {
        m += QStringLiteral(".TP\n.B %1\n%2\n.nf\n%3\n.fi\n")
                 .arg(roff(QString::fromUtf8(c.name)), roff(QString::fromUtf8(c.summary)),
                      roff(QString::fromUtf8(c.help).trimmed()));
    }
    m += QStringLiteral(".SH OPTIONS\n");
    for (const OptionDoc& o : kSharedOptionDocs)
        m += QStringLiteral(".TP\n.B %1\n%2\n")
                 .arg(roff(QString::fromUtf8(o.name)), roff(QString::fromUtf8(o.text)));
    m += QStringLiteral(".SS Board options\n");
    for (const OptionDoc& o : kBoardOptionDocs)
        m += QStringLiteral(".TP\n.B %1\n%2\n")
                 .arg(roff(QString::fromUtf8(o.name)), roff(QString::fromUtf8(o.text)));
    m += QStringLiteral(
        ".SH EXIT STATUS\n0 success, 1 refused or failed, 2 usage error, 3 no board or board "
        "lost. With \\-\\-all the worst of the boards': 3 (a board lost, busy or not "
        "accessible) before 1 (an operation failed) before 0.\n");
    return m;
}

bool Arguments::parse(const QStringList& args, const std::vector<OptionSpec>& specs,
                      QString* error) {
    positional.clear();
    values_.clear();
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--")) {
            positional += args.mid(i + 1);
            break;
        }
        if (!arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            positional << arg;
            continue;
        }
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? arg : arg.left(eq);
        const OptionSpec* spec = nullptr;
        for (const OptionSpec& s : specs) {
            if (name == QLatin1String(s.name))
                spec = &s;
        }
        if (!spec) {
            *error = QStringLiteral("unknown option %1").arg(name);
            return false;
        }
        if (spec->kind == OptionSpec::Flag) {
            if (eq >= 0) {
                *error = QStringLiteral("option %1 takes no value").arg(name);
                return false;
            }
            values_.insert(name, QString());
        } else if (eq >= 0) {
            values_.insert(name, arg.mid(eq + 1));
        } else if (spec->kind == OptionSpec::OptionalValue) {
            values_.insert(name, QString());
        } else if (i + 1 < args.size()) {
            values_.insert(name, args[++i]);
        } else {
            *error = QStringLiteral("option %1 needs a value").arg(name);
            return false;
        }
    }
    return true;
}

bool applyCommonOptions(const Arguments& args, SharedState& shared, QString* error) {
    if (args.has(QStringLiteral("--lang"))) {
        const QString lang = args.value(QStringLiteral("--lang")).toLower();
        if (lang == QLatin1String("en")) {
            shared.language = 1;
        } else if (lang == QLatin1String("zh") || lang == QLatin1String("cn")) {
            shared.language = 0;
        } else {
            *error = QStringLiteral("--lang must be en or zh");
            return false;
        }
    }
    if (args.has(QStringLiteral("--chip"))) {
        const int chip = chipIndexFromText(args.value(QStringLiteral("--chip")));
        if (chip < 0) {
            *error = QStringLiteral("unknown chip %1 (give 0 to 13 or the combo text)")
                         .arg(args.value(QStringLiteral("--chip")));
            return false;
        }
        shared.chipIndex = uint32_t(chip);
    }
    return true;
}

bool chooseProfile(const Arguments& args, QString* path, QString* error) {
    if (!args.has(QStringLiteral("--profile"))) {
        *path = Profile::chooseLocation(
            QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/'));
        return true;
    }
    // A profile the user named that cannot be read is an error, never the defaults.
    *path = args.value(QStringLiteral("--profile"));
    const FileReadResult r = readRegularFile(*path, Profile::kLargestFile);
    if (r.status == FileReadStatus::TooLarge) {
        *error =
            cliText(Msg::CliProfileTooLarge, qUtf8Printable(*path), static_cast<long long>(r.size),
                    static_cast<long long>(Profile::kLargestFile));
        return false;
    }
    if (r.status != FileReadStatus::Ok) {
        *error = cliText(Msg::CliProfileUnreadable, qUtf8Printable(*path));
        return false;
    }
    return true;
}

void warnAboutProfileValues(int chip, const QString& path) {
    for (const auto& v : chip::profileValuesOutOfRange(chip, Profile(path))) {
        printLine(stderr, QStringLiteral("tessel-cli: warning: %1: [%2] %3=%4 is outside %5..%6")
                              .arg(path, v.section, v.key)
                              .arg(v.value)
                              .arg(v.low)
                              .arg(v.high));
    }
}

bool parseByte(const QString& text, uint8_t* value) {
    const QString t = text.trimmed();
    const bool hex = t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    bool ok = false;
    const uint v = hex ? t.mid(2).toUInt(&ok, 16) : t.toUInt(&ok, 10);
    if (!ok || v > 0xFF)
        return false;
    *value = uint8_t(v);
    return true;
}

void printLine(std::FILE* out, const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
    std::fflush(out);
}

}  // namespace tessel::cli
