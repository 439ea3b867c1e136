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

struct Verdict {
    const char* message;
    const char* reason;
};

// The program's failure messages, both languages, and the key each stands for.
constexpr Verdict kVerdicts[] = {
    {"无USB设备!", "no-board"},
    {"NO USB Device!", "no-board"},
    {"设备被拔出", "board-lost"},
    {"Device Pulled Out!", "board-lost"},
    {"下位机版本错误，请使用正确的版本!", "version-refused"},
    {"Board Version Not OK!", "version-refused"},
    {"等待数据超时!", "timeout"},
    {"Waiting for data timeout!", "timeout"},
    {"5秒内未收到有效的数据帧!", "no-frames"},
    {"No valid data frame received for 5 s!", "no-frames"},
    {"进入烧录模式失败!", "enter-programming-failed"},
    {"Enter Debug Mode Failed!", "enter-programming-failed"},
    {"配置字1错误！", "config-check-failed"},
    {"配置字CRC校验错误!", "config-check-failed"},
    {"Config CRC Check NG!", "config-check-failed"},
    {"配置字CRC以及反码校验错误!", "config-check-failed"},
    {"Config CRC and inverse code check NG!", "config-check-failed"},
    {"烧录器发送指令crc或者ack错误!", "config-check-failed"},
    {"Programmer command CRC or ACK error!", "config-check-failed"},
    {"ICTYPE不正确，请确认选择的芯片类型是否正确！", "wrong-chip-type"},
    {"Please Check ICTYPE！", "wrong-chip-type"},
    {"IC_TYPE芯片类型不对，请检查连接的芯片是否正确!", "wrong-chip-type"},
    {"Wrong IC_TYPE: check that the connected chip is the one selected!", "wrong-chip-type"},
    {"擦除Mainblock命令CRC出错!", "erase-failed"},
    {"Erase Mainblock Error!", "erase-failed"},
    {"配置字0错误!", "config-write-failed"},
    {"CFG0 ERR!", "config-write-failed"},
    {"写入配置错误!", "config-write-failed"},
    {"编程器:写flash crc出错!", "flash-write-crc"},
    {"Write flash crc err!", "flash-write-crc"},
    {"编程器:读FLASH CRC 出错，请重新连接烧录！", "flash-read-failed"},
    {"Read FLASH CRC Err！", "flash-read-failed"},
    {"编程器:读FLASH CHECK出错，请重新连接烧录！", "verify-failed"},
    {"Read FLASH CHECK Err.Please check the connection！", "verify-failed"},
    {"芯片烧录失败！", "verify-failed"},
    {"Program NG！", "verify-failed"},
    {"写EEPROM失败", "verify-failed"},
    {"擦除EEPROM的命令CRC出错!", "eeprom-erase-failed"},
    {"EEPROM功能已经关闭，结束操作，请重新配置", "eeprom-disabled"},
    {"上电失败!请检查负载和调试版供电系统!", "supply-failed"},
    {"3V POWER ON Failed!", "supply-failed"},
    {"5V POWER ON Failed!", "supply-failed"},
    {"掉电失败!请检查调试版供电系统!", "supply-failed"},
    {"Power Off Failed!", "supply-failed"},
};

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

int exitCodeOfReason(const QString& reason) {
    if (reason == QLatin1String("ok"))
        return kExitOk;
    if (reason == QLatin1String("usage") || reason == QLatin1String("several-boards") ||
        reason == QLatin1String("profile-unreadable"))
        return kExitUsage;
    if (reason == QLatin1String("no-board") || reason == QLatin1String("board-lost") ||
        reason == QLatin1String("device-not-found") ||
        reason == QLatin1String("board-not-accessible") || reason == QLatin1String("board-busy")) {
        return kExitNoBoard;
    }
    return kExitRefused;
}

QString reasonOfMessage(const QString& line) {
    for (const Verdict& v : kVerdicts) {
        if (line == QString::fromUtf8(v.message))
            return QString::fromLatin1(v.reason);
    }
    return QString();
}

int OperationResult::exitCode() const {
    return outcome == Outcome::Ok ? kExitOk : std::max(kExitRefused, exitCodeOfReason(reason));
}

QJsonObject OperationResult::toJson() const {
    QJsonObject o;
    o.insert(QStringLiteral("result"), outcome == Outcome::Ok       ? QStringLiteral("ok")
                                       : outcome == Outcome::Failed ? QStringLiteral("failed")
                                                                    : QStringLiteral("refused"));
    o.insert(QStringLiteral("reason"), reason);
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
    op.set(OperationResult::Outcome::Refused, QStringLiteral("usage"), message);
    return finish();
}

int CommandResult::refuse(const QString& reasonKey, const QString& message) {
    printLine(stderr, QStringLiteral("tessel-cli: ") + message);
    op.set(OperationResult::Outcome::Refused, reasonKey, message);
    return finish();
}

}  // namespace tessel::cli
