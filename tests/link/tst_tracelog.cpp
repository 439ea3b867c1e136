// The traceability log: RFC 4180 fields, the record line, the header of a new file, and a
// half line left at the end of the file ended before the next record.
#include "app/sharedstate.h"
#include "link/tracelog.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

using namespace tessel;

namespace {

const QByteArray kHeader =
    "time,serial,chip,operation,file,length,checksum,config,verdict,reason,duration_ms\r\n";

// A one-key write that ended OK at 10:15:30.250 one hour east of UTC.
TraceRecord okRecord() {
    TraceRecord r;
    r.time = QDateTime(QDate(2026, 12, 9), QTime(10, 15, 30, 250), QTimeZone(3600));
    r.serial = QStringLiteral("SIM0002");
    r.chip = QStringLiteral("KR5814");
    r.operation = QStringLiteral("program");
    r.imageFile = QStringLiteral("app.hex");
    r.imageLength = 64512;
    r.imageChecksum = 0xABCDEFu;
    r.ok = true;
    r.reason = QStringLiteral("ok");
    r.durationMs = 4123;
    return r;
}

const QByteArray kOkLine =
    "2026-12-09T10:15:30.250+01:00,SIM0002,KR5814,program,app.hex,64512,0x00ABCDEF,,OK,ok,"
    "4123\r\n";

}  // namespace

class TraceLogTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void field_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("plain") << QStringLiteral("app.hex") << QByteArray("app.hex");
        QTest::newRow("empty") << QString() << QByteArray("");
        QTest::newRow("comma") << QStringLiteral("a,b.hex") << QByteArray("\"a,b.hex\"");
        QTest::newRow("quote") << QStringLiteral("say \"hi\".hex")
                               << QByteArray("\"say \"\"hi\"\".hex\"");
        QTest::newRow("line feed") << QStringLiteral("a\nb") << QByteArray("\"a\nb\"");
        QTest::newRow("carriage return") << QStringLiteral("a\rb") << QByteArray("\"a\rb\"");
        QTest::newRow("Chinese, UTF-8")
            << QStringLiteral("量产.tk") << QByteArray("\xe9\x87\x8f\xe4\xba\xa7.tk");
        QTest::newRow("blank kept") << QStringLiteral(" a b ") << QByteArray(" a b ");
    }

    void field() {
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        QCOMPARE(TraceLog::field(text), written);
    }

    void recordLine_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("ok") << 0 << kOkLine;
        QTest::newRow("NG with configuration bytes, west of UTC")
            << 1
            << QByteArray(
                   "2026-01-02T03:04:05.006-05:30,SIM0003,KR4111,program,\"my, \"\"best\"\" "
                   "image.hex\",100,0xFFFFFFEB,5F,NG,verify-failed,77\r\n");
        QTest::newRow("no image, no serial, UTC")
            << 2
            << QByteArray(
                   "2026-06-30T23:59:59.999+00:00,,KR5813/KR5713,write-config,,,,01 FE A5 "
                   "5A,OK,ok,0\r\n");
    }

    void recordLine() {
        QFETCH(int, row);
        QFETCH(QByteArray, line);
        TraceRecord r = okRecord();
        if (row == 1) {
            r.time = QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 6), QTimeZone(-(5 * 3600 + 1800)));
            r.serial = QStringLiteral("SIM0003");
            r.chip = QStringLiteral("KR4111");
            r.imageFile = QStringLiteral("my, \"best\" image.hex");
            r.imageLength = 100;
            r.imageChecksum = 0xFFFFFFEBu;
            r.configWritten = {0x5F};
            r.ok = false;
            r.reason = QStringLiteral("verify-failed");
            r.durationMs = 77;
        } else if (row == 2) {
            r.time = QDateTime(QDate(2026, 6, 30), QTime(23, 59, 59, 999), QTimeZone::utc());
            r.serial.clear();
            r.chip = QStringLiteral("KR5813/KR5713");
            r.operation = QStringLiteral("write-config");
            r.imageFile.clear();
            r.imageLength.reset();
            r.imageChecksum.reset();
            r.configWritten = {0x01, 0xFE, 0xA5, 0x5A};
            r.durationMs = 0;
        }
        QCOMPARE(TraceLog::recordLine(r), line);
    }

    // What the file holds after one record is appended to what it held before.
    void append_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new file") << false << QByteArray() << kHeader + kOkLine;
        QTest::newRow("empty file") << true << QByteArray() << kHeader + kOkLine;
        QTest::newRow("records before") << true << kHeader + kOkLine << kHeader + kOkLine + kOkLine;
        QTest::newRow("half line left by a crash")
            << true << kHeader + QByteArray("2026-12-09T10:00:00.000+00:00,SIM0001,KR58")
            << kHeader + QByteArray("2026-12-09T10:00:00.000+00:00,SIM0001,KR58\r\n") + kOkLine;
        QTest::newRow("line feed endings of another program")
            << true << QByteArray("a,b\n") << QByteArray("a,b\n") + kOkLine;
        QTest::newRow("a lone carriage return ended")
            << true << QByteArray("a,b\r") << QByteArray("a,b\r\n") + kOkLine;
    }

    void append() {
        QFETCH(bool, exists);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QString path = dir_.filePath(QString::fromLatin1(QTest::currentDataTag()));
        if (exists) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(before);
        }
        TraceLog log(path);
        QVERIFY(log.append(okRecord()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), after);
    }

    void unwritableFileSaysSo() {
        // A directory in the log's place: nothing written, the failure told.
        const QString path = dir_.filePath(QStringLiteral("adir"));
        QVERIFY(QDir().mkpath(path));
        TraceLog log(path);
        QSignalSpy failed(&log, &TraceLog::writeFailed);
        QVERIFY(!log.append(okRecord()));
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.first().first().toString(), path);
    }

    void defaultPathBesideTheProfile_data() {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QString>("moduleDir");
        QTest::addColumn<QString>("log");
        QTest::newRow("profile") << QStringLiteral("/home/op/.config/Tessel/Parameters.ini")
                                 << QStringLiteral("/usr/bin/")
                                 << QStringLiteral("/home/op/.config/Tessel/tessel-log.csv");
        QTest::newRow("no profile yet") << QString() << QStringLiteral("/opt/tessel/")
                                        << QStringLiteral("/opt/tessel/tessel-log.csv");
    }

    void defaultPathBesideTheProfile() {
        QFETCH(QString, profile);
        QFETCH(QString, moduleDir);
        QFETCH(QString, log);
        SharedState state;
        state.profilePath = profile;
        state.moduleDir = moduleDir;
        QCOMPARE(TraceLog::defaultPath(state), log);
    }
};

QTEST_GUILESS_MAIN(TraceLogTest)
#include "tst_tracelog.moc"
