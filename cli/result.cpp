#include "cli/result.h"

#include "app/chipcatalogue.h"
#include "cli/command.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <unistd.h>

#include <algorithm>

namespace tessel::cli {
namespace {

bool json = false;

QJsonValue optional(const std::optional<uint32_t>& v) {
    return v ? QJsonValue(qint64(*v)) : QJsonValue();
}

}  // namespace

void setJsonMode(bool on) {
    json = on;
}

bool jsonMode() {
    return json;
}

std::FILE* messageStream() {
    return json ? stderr : stdout;
}

void printMessage(const QString& line) {
    printLine(messageStream(), line);
}

bool progressWanted() {
    return ::isatty(STDERR_FILENO) == 1;
}

int OperationResult::exitCode() const {
    return outcome == Outcome::Ok ? kExitOk : std::max(kExitRefused, reasonExitCode(reason));
}

QJsonObject OperationResult::toJson() const {
    QJsonObject o;
    o.insert(QStringLiteral("result"), outcome == Outcome::Ok       ? QStringLiteral("ok")
                                       : outcome == Outcome::Failed ? QStringLiteral("failed")
                                                                    : QStringLiteral("refused"));
    o.insert(QStringLiteral("reason"), QString::fromLatin1(reasonKey(reason)));
    o.insert(QStringLiteral("message"), message);
    o.insert(QStringLiteral("checksum"),
             checksum
                 ? QJsonValue(
                       QStringLiteral("0x") +
                       QString::number(*checksum, 16).toUpper().rightJustified(8, QLatin1Char('0')))
                 : QJsonValue());
    o.insert(QStringLiteral("length"), optional(length));
    o.insert(QStringLiteral("duration_ms"), durationMs);
    if (verifyErrors) {
        QJsonObject v;
        v.insert(QStringLiteral("compared"), verifyCompared.value_or(0));
        v.insert(QStringLiteral("errors"), *verifyErrors);
        o.insert(QStringLiteral("verify"), v);
    } else {
        o.insert(QStringLiteral("verify"), QJsonValue());
    }
    return o;
}

int CommandResult::exitCode() const {
    const int main = op.exitCode();
    const int second = eeprom ? eeprom->exitCode() : kExitOk;
    if (main == kExitNoBoard || second == kExitNoBoard)
        return kExitNoBoard;
    return main != kExitOk ? main : second;
}

QJsonObject CommandResult::toJson() const {
    QJsonObject o = op.toJson();
    if (op.durationMs == 0)
        o.insert(QStringLiteral("duration_ms"), clock.elapsed());
    o.insert(QStringLiteral("command"), command);
    o.insert(QStringLiteral("chip"), chip < 0 ? QJsonValue() : QJsonValue(chip));
    o.insert(QStringLiteral("chip_name"),
             chip < 0 ? QJsonValue() : QJsonValue(QString::fromUtf8(chipInfo(chip).comboText)));
    o.insert(QStringLiteral("device"), device.isEmpty() ? QJsonValue() : QJsonValue(device));
    o.insert(QStringLiteral("serial"), serial.isEmpty() ? QJsonValue() : QJsonValue(serial));
    o.insert(QStringLiteral("eeprom"), eeprom ? QJsonValue(eeprom->toJson()) : QJsonValue());
    o.insert(QStringLiteral("exit_code"), exitCode());
    for (auto it = extra.begin(); it != extra.end(); ++it)
        o.insert(it.key(), it.value());
    return o;
}

int CommandResult::finish() {
    if (json) {
        const QByteArray text = QJsonDocument(toJson()).toJson(QJsonDocument::Compact);
        printLine(stdout, QString::fromUtf8(text));
    }
    return exitCode();
}

int CommandResult::usage(const QString& message) {
    printLine(stderr, QStringLiteral("tessel-cli: ") + message);
    op.set(OperationResult::Outcome::Refused, Reason::Usage, message);
    return finish();
}

int CommandResult::refuse(Reason reason, const QString& message) {
    printLine(stderr, QStringLiteral("tessel-cli: ") + message);
    op.set(OperationResult::Outcome::Refused, reason, message);
    return finish();
}

}  // namespace tessel::cli
