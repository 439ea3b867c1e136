// The message table and the reasons an operation ends with: every reason has its JSON key,
// its exit code and its messages in both languages; every message has both texts with the
// same conversions, so that switching the language never mismatches an argument.
#include "app/messages.h"
#include "app/outcome.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace tessel;

namespace {

// The printf conversions of a text, in order ("%%" is not one).
QStringList conversions(const char* text) {
    static const QRegularExpression re(
        QStringLiteral("%(%|[-+ #0]*[0-9]*(\\.[0-9]+)?(hh|h|ll|l|z)?[diouxXcsfgeEp])"));
    QStringList out;
    auto it = re.globalMatch(QString::fromUtf8(text));
    while (it.hasNext()) {
        const QString c = it.next().captured(0);
        if (c != QLatin1String("%%"))
            out << c;
    }
    return out;
}

}  // namespace

class MessagesTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Keys and exit codes are what production scripts match on: written here, not taken
    // from the table.
    void reasons_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("exitCode");
        const std::pair<const char*, int> rows[] = {
            {"ok", 0},
            {"usage", 2},
            {"several-boards", 2},
            {"profile-unreadable", 2},
            {"eeprom-beyond-1024", 1},
            {"flash-failed", 1},
            {"no-board", 3},
            {"board-lost", 3},
            {"board-busy", 3},
            {"device-not-found", 3},
            {"board-not-accessible", 3},
            {"version-refused", 1},
            {"timeout", 1},
            {"cancelled", 1},
            {"enter-programming-failed", 1},
            {"config-check-failed", 1},
            {"wrong-chip-type", 1},
            {"erase-failed", 1},
            {"config-write-failed", 1},
            {"flash-write-crc", 1},
            {"flash-read-failed", 1},
            {"verify-failed", 1},
            {"eeprom-erase-failed", 1},
            {"eeprom-disabled", 1},
            {"supply-failed", 1},
            {"trim-write-failed", 1},
            {"refused", 1},
            {"image-refused", 1},
            {"eeprom-image-refused", 1},
            {"file-exists", 1},
            {"write-failed", 1},
            {"no-frames", 1},
            {"no-samples", 1},
            {"qualification-failed", 1},
            {"csv-malformed", 2},
            {"file-unreadable", 2},
            {"debug-failed", 1},
        };
        for (const auto& [key, exitCode] : rows)
            QTest::newRow(key) << QString::fromLatin1(key) << exitCode;
    }

    void reasons() {
        QFETCH(QString, key);
        QFETCH(int, exitCode);
        const std::optional<Reason> reason = reasonFromKey(key);
        QVERIFY2(reason.has_value(), qPrintable(key));
        QCOMPARE(QString::fromLatin1(reasonKey(*reason)), key);
        QCOMPARE(reasonExitCode(*reason), exitCode);
        if (*reason == Reason::Ok)
            return;
        const std::vector<Msg> messages = reasonMessages(*reason);
        QVERIFY2(!messages.empty(), qPrintable(key + QStringLiteral(" has no message")));
        for (Msg m : messages) {
            QVERIFY(!message(m, Language::Chinese).isEmpty());
            QVERIFY(!message(m, Language::English).isEmpty());
        }
    }

    // The rows above name every reason: a new reason needs its row (and its messages).
    void everyReasonIsListed() {
        int rows = 0;
        QSet<QString> keys;
        for (int i = 0; i < kReasonCount; ++i) {
            const QString key = QString::fromLatin1(reasonKey(static_cast<Reason>(i)));
            QVERIFY2(!keys.contains(key), qPrintable(key));
            keys.insert(key);
            QVERIFY2(QRegularExpression(QStringLiteral("^[a-z0-9]+(-[a-z0-9]+)*$"))
                         .match(key)
                         .hasMatch(),
                     qPrintable(key));
            ++rows;
        }
        QCOMPARE(rows, 37);
    }

    void everyMessageHasBothTexts() {
        QSet<QString> names;
        for (int i = 0; i < kMessageCount; ++i) {
            const MessageEntry& e = messageEntry(static_cast<Msg>(i));
            const QString name = QString::fromLatin1(e.name);
            QVERIFY2(!names.contains(name), qPrintable(name));
            names.insert(name);
            QVERIFY2(e.chinese && *e.chinese, qPrintable(name));
            QVERIFY2(e.english && *e.english, qPrintable(name));
            QCOMPARE(conversions(e.english), conversions(e.chinese));
            const QString zh = message(static_cast<Msg>(i), Language::Chinese);
            const QString en = message(static_cast<Msg>(i), Language::English);
            QCOMPARE(zh, QString::fromUtf8(e.chinese));
            QCOMPARE(en, QString::fromUtf8(e.chineseInBoth ? e.chinese : e.english));
        }
    }

    // Texts as the board's users know them, both languages, with their arguments filled.
    void texts_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("chinese");
        QTest::addColumn<QString>("english");
        QTest::newRow("no board") << int(Msg::NoBoard) << "无USB设备!"
                                  << "NO USB Device!";
        QTest::newRow("pulled out") << int(Msg::BoardLost) << "设备被拔出"
                                    << "Device Pulled Out!";
        QTest::newRow("version refused")
            << int(Msg::VersionRefused) << "下位机版本错误，请使用正确的版本!"
            << "Board Version Not OK!";
        QTest::newRow("several boards")
            << int(Msg::CliSeveralBoards) << "连接了%d个编程器；请用 --device 选择其中一个：%s"
            << "%d boards are connected; choose one with --device: %s";
        QTest::newRow("no board connected") << int(Msg::CliNoBoardConnected) << "没有连接编程器"
                                            << "no board is connected";
        QTest::newRow("connected") << int(Msg::BoardConnected) << "设备已连接"
                                   << "Device Connected!";
        QTest::newRow("timeout") << int(Msg::ReplyTimeout) << "等待数据超时!"
                                 << "Waiting for data timeout!";
    }

    void texts() {
        QFETCH(int, id);
        QFETCH(QString, chinese);
        QFETCH(QString, english);
        QCOMPARE(message(static_cast<Msg>(id), Language::Chinese), chinese);
        QCOMPARE(message(static_cast<Msg>(id), Language::English), english);
    }

    void argumentsAreFilled() {
        QCOMPARE(message(Msg::BoardVersion, 0, "V1.0.1.1a"),
                 QStringLiteral("下位机版本:V1.0.1.1a"));
        QCOMPARE(message(Msg::BoardBusy, 1, "4242"),
                 QStringLiteral("The programmer is in use by another program (process 4242); "
                                "close that program first!"));
    }
};

QTEST_GUILESS_MAIN(MessagesTest)
#include "tst_messages.moc"
