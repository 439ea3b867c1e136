// The profile file as the Windows program leaves it: UTF-16 with a byte-order mark or 8-bit
// text in the Chinese code page (GBK). Reading works on both, and a save changes only the bytes
// of the value it writes (or adds its line), keeping everything else byte for byte.
#include "app/profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace tessel;

namespace {

// A byte string with embedded zero bytes.
#define BYTES(s) QByteArray(s, sizeof(s) - 1)

// UTF-16LE with its byte-order mark, unit by unit.
QByteArray utf16le(const char16_t* s) {
    QByteArray b("\xFF\xFE");
    for (; *s; ++s) {
        b += static_cast<char>(*s & 0xFF);
        b += static_cast<char>(*s >> 8);
    }
    return b;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "(unreadable)";
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(data), data.size());
}

}  // namespace

class ProfileEncodingTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path_;

private Q_SLOTS:
    void init() {
        path_ = dir_.filePath(QStringLiteral("Parameters.ini"));
        QFile::remove(path_);
    }

    void reads_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");
        QTest::newRow("utf-16le") << utf16le(u"; 中文注释\r\n[InitParameters]\r\nm_ictype=12\r\n")
                                  << "initparameters"
                                  << "M_ICTYPE" << 12;
        QTest::newRow("utf-16le last line without end")
            << utf16le(u"[KR4121CFGS]\r\nm_com_osc = 14") << "KR4121CFGS"
            << "m_com_osc" << 14;
        QTest::newRow("utf-16be") << BYTES(
                                         "\xFE\xFF\0[\0S\0]\0\n\0k\0=\0"
                                         "7")
                                  << "S"
                                  << "k" << 7;
        QTest::newRow("gbk comment and section")
            << BYTES(
                   "; \xD6\xD0\xCE\xC4\xD7\xA2\xCA\xCD\r\n[\xC5\xE4\xD6\xC3]\r\nk=1\r\n"
                   "[KR4121CFGS]\r\nm_com_osc=9\r\n")
            << "KR4121CFGS"
            << "m_com_osc" << 9;
        QTest::newRow("gbk section is not an ascii one") << BYTES("[S\x81]]\r\nk=1\r\n") << "S"
                                                         << "k" << -7;
    }

    void reads() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, expected);
        writeAll(path_, file);
        QCOMPARE(Profile(path_).readInt(section, key, -7), expected);
    }

    void saveKeepsOtherBytes_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("value");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("utf-16le value") << BYTES(
                                               "\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0"
                                               "1\0\r\0\n\0")
                                        << "S"
                                        << "k" << 25
                                        << BYTES(
                                               "\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0"
                                               "2\0"
                                               "5\0\r\0\n\0");
        QTest::newRow("utf-16le chinese, new key in its section")
            << utf16le(
                   u"; 中文注释\r\n[配置]\r\nm_com_osc=1\r\n[KR4121CFGS]\r\nm_com_osc=3\r\n"
                   u"\r\n[InitParameters]\r\nm_ictype=0")
            << "kr4121cfgs"
            << "m_check_lock" << 1
            << utf16le(
                   u"; 中文注释\r\n[配置]\r\nm_com_osc=1\r\n[KR4121CFGS]\r\nm_com_osc=3\r\n"
                   u"m_check_lock=1\r\n\r\n[InitParameters]\r\nm_ictype=0");
        QTest::newRow("utf-16le last line without end")
            << utf16le(u"; 参数\r\n[InitParameters]\r\nm_ictype=0") << "InitParameters"
            << "m_ictype" << 12 << utf16le(u"; 参数\r\n[InitParameters]\r\nm_ictype=12");
        QTest::newRow("utf-16le new section after last line without end")
            << utf16le(u"[A]\r\nk=1") << "B"
            << "n" << -3 << utf16le(u"[A]\r\nk=1\r\n[B]\r\nn=-3");
        QTest::newRow("utf-16le odd last byte") << utf16le(u"[S]\r\nk=1\r\n") + '\x00' << "S"
                                                << "k" << 2 << utf16le(u"[S]\r\nk=2\r\n") + '\x00';
        QTest::newRow("utf-16be") << BYTES(
                                         "\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\0"
                                         "1")
                                  << "S"
                                  << "k" << 9
                                  << BYTES(
                                         "\xFE\xFF\0[\0S\0]\0\r\0\n\0k\0=\0"
                                         "9");
        QTest::newRow("utf-8 bom chinese comment")
            << QByteArray("\xEF\xBB\xBF; \xE4\xB8\xAD\xE6\x96\x87\r\n[S]\r\nk=1\r\n") << "S"
            << "k" << 2 << QByteArray("\xEF\xBB\xBF; \xE4\xB8\xAD\xE6\x96\x87\r\n[S]\r\nk=2\r\n");
        QTest::newRow("gbk comment and section")
            << QByteArray(
                   "; \xD6\xD0\xCE\xC4\xD7\xA2\xCA\xCD\r\n[\xC5\xE4\xD6\xC3]\r\nk=1\r\n"
                   "[S]\r\nk=1\r\n")
            << "S"
            << "k" << 7
            << QByteArray(
                   "; \xD6\xD0\xCE\xC4\xD7\xA2\xCA\xCD\r\n[\xC5\xE4\xD6\xC3]\r\nk=1\r\n"
                   "[S]\r\nk=7\r\n");
        QTest::newRow("gbk second byte like a bracket")
            << QByteArray("[S\x81]]\r\nk=1\r\n[S]\r\nk=1\r\n") << "S"
            << "k" << 5 << QByteArray("[S\x81]]\r\nk=1\r\n[S]\r\nk=5\r\n");
        QTest::newRow("gbk comment, new key after it")
            << QByteArray("[S]\r\n;\xD0\xDE\xB5\xF7\r\n\r\n[T]\r\n") << "S"
            << "k" << 1 << QByteArray("[S]\r\n;\xD0\xDE\xB5\xF7\r\nk=1\r\n\r\n[T]\r\n");
        QTest::newRow("lf kept") << QByteArray("[S]\nk=1\n") << "S"
                                 << "n" << 2 << QByteArray("[S]\nk=1\nn=2\n");
        QTest::newRow("mixed line ends kept") << QByteArray("[S]\r\nk=1\n[T]\r\nx=0") << "S"
                                              << "k" << 2 << QByteArray("[S]\r\nk=2\n[T]\r\nx=0");
        QTest::newRow("blanks around value kept") << QByteArray("[S]\r\n K = 1 \r\n") << "s"
                                                  << "k" << 25 << QByteArray("[S]\r\n K = 25 \r\n");
        QTest::newRow("empty value") << QByteArray("[S]\r\nk=\r\n") << "S"
                                     << "k" << 4 << QByteArray("[S]\r\nk=4\r\n");
        QTest::newRow("last line without end, new key")
            << QByteArray("[S]\r\nk=1") << "S"
            << "n" << 2 << QByteArray("[S]\r\nk=1\r\nn=2");
    }

    void saveKeepsOtherBytes() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, value);
        QFETCH(QByteArray, expected);
        writeAll(path_, file);
        Profile p(path_);
        QVERIFY(p.writeInt(section, key, value));
        QCOMPARE(readAll(path_), expected);
        QCOMPARE(p.readInt(section, key, -7), value);
    }

    // The save writes a new file and renames it over the old one, with the old permissions.
    void saveReplacesFileKeepingPermissions() {
        const QByteArray gbk("; \xD6\xD0\xCE\xC4\r\n[S]\r\nk=1\r\n");
        writeAll(path_, gbk);
        QVERIFY(::chmod(QFile::encodeName(path_).constData(), 0640) == 0);
        struct stat before {};
        QCOMPARE(::stat(QFile::encodeName(path_).constData(), &before), 0);
        QVERIFY(Profile(path_).writeInt(QStringLiteral("S"), QStringLiteral("k"), 3));
        struct stat after {};
        QCOMPARE(::stat(QFile::encodeName(path_).constData(), &after), 0);
        QCOMPARE(after.st_mode & 07777, mode_t(0640));
        QVERIFY(after.st_ino != before.st_ino);  // replaced, not rewritten in place
        QCOMPARE(readAll(path_), QByteArray("; \xD6\xD0\xCE\xC4\r\n[S]\r\nk=3\r\n"));
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Parameters.ini")});
    }
};

QTEST_GUILESS_MAIN(ProfileEncodingTest)
#include "tst_profileencoding.moc"
