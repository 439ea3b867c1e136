// The profile file: Windows private-profile semantics on our own reader and writer.
#include "app/profile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tessel;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(data);
}

}  // namespace

class ProfileTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path_;

private Q_SLOTS:
    void init() {
        path_ = dir_.filePath(QStringLiteral("Parameters.ini"));
        QFile::remove(path_);
    }

    void readsValues_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");
        const QByteArray windows =
            "\xEF\xBB\xBF; written by hand\r\n[initparameters]\r\nM_ICTYPE = 12 \r\n"
            "[KR4113/4161CFGS]\r\nm_com_KR4113_Osc=-1\r\n"
            "[CTKParameters]\r\nCTK_THRESHOLD[0]=77\r\nCTK_THRESHOLD[10]=9\r\nempty=\r\n"
            "text=abc\r\nmixed=12abc\r\nplus=+5\r\nbig=4294967295\r\n";
        QTest::newRow("case-insensitive section and key") << windows << "InitParameters"
                                                          << "m_ictype" << 12;
        QTest::newRow("slash in section, negative") << windows << "kr4113/4161cfgs"
                                                    << "m_com_KR4113_Osc" << -1;
        QTest::newRow("brackets in key") << windows << "CTKParameters"
                                         << "CTK_THRESHOLD[0]" << 77;
        QTest::newRow("brackets not a pattern") << windows << "CTKParameters"
                                                << "CTK_THRESHOLD[10]" << 9;
        QTest::newRow("missing key") << windows << "CTKParameters"
                                     << "CTK_RESO" << -7;
        QTest::newRow("missing section") << windows << "BebugParameters"
                                         << "m_blmax" << -7;
        QTest::newRow("empty value gives default") << windows << "CTKParameters"
                                                   << "empty" << -7;
        QTest::newRow("text gives 0") << windows << "CTKParameters"
                                      << "text" << 0;
        QTest::newRow("leading digits") << windows << "CTKParameters"
                                        << "mixed" << 12;
        QTest::newRow("plus sign") << windows << "CTKParameters"
                                   << "plus" << 5;
        QTest::newRow("32-bit wrap") << windows << "CTKParameters"
                                     << "big" << -1;
        QTest::newRow("LF only") << QByteArray("[A]\nk=3\n") << "a"
                                 << "K" << 3;
        QTest::newRow("key of another section") << QByteArray("[A]\nk=3\n[B]\nx=1\n") << "B"
                                                << "k" << -7;
    }

    void readsValues() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, expected);
        writeAll(path_, file);
        QCOMPARE(Profile(path_).readInt(section, key, -7), expected);
    }

    void missingFileGivesDefaults() {
        Profile p(path_);
        QVERIFY(!p.exists());
        QCOMPARE(p.readInt(QStringLiteral("InitParameters"), QStringLiteral("m_ictype"), 5), 5);
    }

    void writesKeepOrderAndUnknownLines() {
        writeAll(path_,
                 "; comment kept\n[InitParameters]\nm_ictype=1\n\n[KR4121CFGS]\nM_COM_OSC=3\n"
                 "m_com_vddctrl=8\nodd line without equals\n");
        Profile p(path_);
        QVERIFY(p.writeInt(QStringLiteral("kr4121cfgs"), QStringLiteral("m_com_osc"), 14));
        QVERIFY(p.writeInt(QStringLiteral("KR4121CFGS"), QStringLiteral("m_check_lock"), 0));
        QVERIFY(p.writeInt(QStringLiteral("InitParameters"), QStringLiteral("new"), -3));
        QVERIFY(p.writeInt(QStringLiteral("CTKParameters"), QStringLiteral("CTK_THRESHOLD[0]"), 9));
        // The file's own LF line ends are kept, also on the lines added.
        QCOMPARE(readAll(path_),
                 QByteArray("; comment kept\n[InitParameters]\nm_ictype=1\nnew=-3\n\n"
                            "[KR4121CFGS]\nM_COM_OSC=14\nm_com_vddctrl=8\n"
                            "odd line without equals\nm_check_lock=0\n"
                            "[CTKParameters]\nCTK_THRESHOLD[0]=9\n"));
        QCOMPARE(p.readInt(QStringLiteral("initparameters"), QStringLiteral("NEW"), 0), -3);
    }

    void createsFileAndKeepsBom() {
        Profile p(path_);
        QVERIFY(p.writeInt(QStringLiteral("InitParameters"), QStringLiteral("m_ictype"), 12));
        QCOMPARE(readAll(path_), QByteArray("[InitParameters]\r\nm_ictype=12\r\n"));

        writeAll(path_, "\xEF\xBB\xBF[InitParameters]\r\nm_ictype=0\r\n");
        QVERIFY(p.writeInt(QStringLiteral("InitParameters"), QStringLiteral("m_ictype"), 3));
        QCOMPARE(readAll(path_), QByteArray("\xEF\xBB\xBF[InitParameters]\r\nm_ictype=3\r\n"));
    }

    void roundTripsExtremes_data() {
        QTest::addColumn<int>("value");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -1000;
        QTest::newRow("min") << std::numeric_limits<int>::min();
        QTest::newRow("max") << std::numeric_limits<int>::max();
    }

    void roundTripsExtremes() {
        QFETCH(int, value);
        Profile p(path_);
        QVERIFY(p.writeInt(QStringLiteral("S"), QStringLiteral("k"), value));
        QCOMPARE(p.readInt(QStringLiteral("S"), QStringLiteral("k"), 42), value);
    }

    void textValues_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("written");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QString>("readBack");
        QTest::newRow("new file") << QByteArray() << "SIM0002" << true
                                  << QByteArray("[InitParameters]\r\nm_str_board=SIM0002\r\n")
                                  << "SIM0002";
        QTest::newRow("replaced, blanks kept")
            << QByteArray("[InitParameters]\nm_ictype=3\nm_str_board = TSL0001 \n")
            << "/dev/hidraw3" << true
            << QByteArray("[InitParameters]\nm_ictype=3\nm_str_board = /dev/hidraw3 \n")
            << "/dev/hidraw3";
        QTest::newRow("8-bit file gets UTF-8")
            << QByteArray("[InitParameters]\r\nm_ictype=3\r\n") << "板1" << true
            << QByteArray(
                   "[InitParameters]\r\nm_ictype=3\r\nm_str_board=\xE6\x9D\xBF"
                   "1\r\n")
            << "板1";
        QTest::newRow("UTF-16LE file")
            << QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0", 12) << "AB" << true
            << QByteArray(
                   "\xFF\xFE[\0S\0]\0\r\0\n\0[\0I\0n\0i\0t\0P\0a\0r\0a\0m\0e\0t\0e\0r\0s\0]"
                   "\0\r\0\n\0m\0_\0s\0t\0r\0_\0b\0o\0a\0r\0d\0=\0A\0B\0\r\0\n\0",
                   80)
            << "AB";
        QTest::newRow("line end refused")
            << QByteArray("[InitParameters]\r\nm_str_board=SIM0001\r\n") << "A\nB" << false
            << QByteArray("[InitParameters]\r\nm_str_board=SIM0001\r\n") << "SIM0001";
    }

    void textValues() {
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        QFETCH(bool, written);
        QFETCH(QByteArray, after);
        QFETCH(QString, readBack);
        if (!before.isEmpty())
            writeAll(path_, before);
        Profile p(path_);
        QCOMPARE(
            p.writeString(QStringLiteral("InitParameters"), QStringLiteral("m_str_board"), value),
            written);
        QCOMPARE(readAll(path_), after);
        QCOMPARE(p.readString(QStringLiteral("initparameters"), QStringLiteral("M_STR_BOARD"),
                              QStringLiteral("none")),
                 readBack);
        QCOMPARE(p.readString(QStringLiteral("InitParameters"), QStringLiteral("missing"),
                              QStringLiteral("none")),
                 QStringLiteral("none"));
    }

    // Text values: the bytes on disk for a UTF-8 file and a UTF-16 one, and refusals.
    void writesTextValues_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new file, path")
            << QByteArray() << QStringLiteral("/home/u/fw/line 3.hex") << true
            << QByteArray(
                   "[InitParameters]\r\nRecentFile1=/home/u/"
                   "fw/line 3.hex\r\n");
        QTest::newRow("chinese in 8-bit file")
            << QByteArray("[InitParameters]\nm_ictype=2\n") << QStringLiteral("/固件/a.tk") << true
            << QByteArray(
                   "[InitParameters]\nm_ictype=2\nRecentFile1=/\xE5\x9B\xBA"
                   "\xE4\xBB\xB6/a.tk\n");
        QTest::newRow("chinese in utf-16 file")
            << QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0", 12) << QStringLiteral("固") << true
            << QByteArray(
                   "\xFF\xFE[\0S\0]\0\r\0\n\0[\0I\0n\0i\0t\0P\0a\0r\0a\0m\0e"
                   "\0t\0e\0r\0s\0]\0\r\0\n\0R\0e\0c\0e\0n\0t\0F\0i\0l\0e\0"
                   "1\0=\0\xFA\x56\r\0\n\0",
                   78);
        QTest::newRow("line break refused")
            << QByteArray() << QStringLiteral("a\nb") << false << QByteArray();
        QTest::newRow("trailing blank refused")
            << QByteArray() << QStringLiteral("/tmp/a.hex ") << false << QByteArray();
    }

    void writesTextValues() {
        QFETCH(QByteArray, before);
        QFETCH(QString, value);
        QFETCH(bool, stored);
        QFETCH(QByteArray, after);
        if (!before.isEmpty())
            writeAll(path_, before);
        Profile p(path_);
        const QString section = QStringLiteral("InitParameters");
        const QString key = QStringLiteral("RecentFile1");
        QCOMPARE(p.writeString(section, key, value), stored);
        QCOMPARE(readAll(path_), stored ? after : before);
        QCOMPARE(p.readString(section, key, QStringLiteral("none")),
                 stored ? value : QStringLiteral("none"));
    }

    void unwritableLocationReportsFailure() {
        Profile p(dir_.filePath(QStringLiteral("missing/dir/that/is/a/file")));
        writeAll(dir_.filePath(QStringLiteral("missing")), "not a directory");
        QVERIFY(!p.writeInt(QStringLiteral("S"), QStringLiteral("k"), 1));
    }

    void locationPrefersProgramDirectory() {
        QCOMPARE(Profile::chooseLocation(dir_.path() + QLatin1Char('/')),
                 dir_.filePath(QStringLiteral("Parameters.ini")));
        const QString fallback =
            Profile::chooseLocation(dir_.filePath(QStringLiteral("no-such-dir/")));
        QVERIFY(fallback.endsWith(QStringLiteral("/Parameters.ini")));
        QVERIFY(!fallback.contains(QStringLiteral("no-such-dir")));
    }
};

QTEST_GUILESS_MAIN(ProfileTest)
#include "tst_profile.moc"
