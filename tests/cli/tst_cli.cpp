#include "../image/imagetestutil.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace tessel::test;

namespace {

struct Run {
    int exitCode = -1;
    QStringList out;  // standard output lines
    QStringList err;
};

Run runCli(const QStringList& args, const QString& workDir = QString()) {
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(QStringLiteral(TESSEL_CLI_PATH), args);
    Run r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out =
        QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.err =
        QString::fromUtf8(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return r;
}

QString u(const char* s) {
    return QString::fromUtf8(s);
}

}  // namespace

class TestCli : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        // "\0abc": checksum ~(1 * 0x61 + 2 * 0x62 + 3 * 0x63) = 0xFFFFFDB1.
        QVERIFY(writeFile(path(QStringLiteral("small.hex")),
                          hexRecord(0, QByteArray("\0abc", 4)) + "\r\n" + kEndRecord + "\r\n"));
        QVERIFY(writeFile(path(QStringLiteral("big.bin")), patternImage(8192)));
        QVERIFY(writeFile(path(QStringLiteral("bad.HEX")),
                          hexRecord(0, QByteArray(2, '\0'), 4) + '\n' + kEndRecord + '\n'));
        QVERIFY(writeFile(path(QStringLiteral("img.bin")), patternImage(0x30)));
    }

    void info_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out");  // the whole standard output
        QTest::newRow("hex accepted")
            << QStringList{QStringLiteral("info"), path(QStringLiteral("small.hex")),
                           QStringLiteral("--chip"), QStringLiteral("1")}
            << 0
            << QStringList{u("打开文件的CheckSum值为：0xfffffdb1"), QStringLiteral("length=4"),
                           QStringLiteral("checksum=0xFFFFFDB1"), QStringLiteral("accepted=yes")};
        QTest::newRow("combo text, option first")
            << QStringList{QStringLiteral("info"), QStringLiteral("--chip=KR4121"),
                           path(QStringLiteral("small.hex"))}
            << 0
            << QStringList{u("CheckSum Value：0xFFFFFDB1"), QStringLiteral("length=4"),
                           QStringLiteral("checksum=0xFFFFFDB1"), QStringLiteral("accepted=yes")};
        QTest::newRow("too large")
            << QStringList{QStringLiteral("info"), path(QStringLiteral("big.bin")),
                           QStringLiteral("--chip"), QStringLiteral("KR4111")}
            << 1
            << QStringList{u("KR4111A不支持超过8k的文件!"), QStringLiteral("length=8192"),
                           QStringLiteral("checksum=0x00000000"), QStringLiteral("accepted=no")};
        QTest::newRow("type 04, English")
            << QStringList{QStringLiteral("info"), path(QStringLiteral("bad.HEX")),
                           QStringLiteral("--lang"), QStringLiteral("en")}
            << 1
            << QStringList{u("不支持超过64K的文件!"), u("Error!The size of the file exceeds 16k!"),
                           QStringLiteral("length=0"), QStringLiteral("checksum=0x00000000"),
                           QStringLiteral("accepted=no")};
    }
    void info() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QStringList, out);
        const Run r = runCli(args);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, out);
    }

    void usageErrors_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown command") << QStringList{QStringLiteral("flash")};
        QTest::newRow("no file") << QStringList{QStringLiteral("info")};
        QTest::newRow("two files")
            << QStringList{QStringLiteral("info"), QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("unknown chip")
            << QStringList{QStringLiteral("info"), QStringLiteral("a.hex"),
                           QStringLiteral("--chip"), QStringLiteral("14")};
        QTest::newRow("chip without value") << QStringList{
            QStringLiteral("info"), QStringLiteral("a.hex"), QStringLiteral("--chip")};
        QTest::newRow("unknown option") << QStringList{
            QStringLiteral("info"), QStringLiteral("a.hex"), QStringLiteral("--fast")};
        QTest::newRow("bad language")
            << QStringList{QStringLiteral("dump"), QStringLiteral("a.hex"),
                           QStringLiteral("--lang"), QStringLiteral("fr")};
        QTest::newRow("cfg0 not a byte")
            << QStringList{QStringLiteral("make-tk"), QStringLiteral("a.hex"),
                           QStringLiteral("--cfg0"), QStringLiteral("0x100")};
        QTest::newRow("bad mode") << QStringList{QStringLiteral("make-tk"), QStringLiteral("a.hex"),
                                                 QStringLiteral("--cfg0"),  QStringLiteral("1"),
                                                 QStringLiteral("--mode"),  QStringLiteral("xtk")};
    }
    void usageErrors() {
        QFETCH(QStringList, args);
        const Run r = runCli(args);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.isEmpty());
        QVERIFY(!r.err.isEmpty());
    }

    void help_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("contains");
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")}
                                << QStringLiteral("make-tk");
        QTest::newRow("info --help")
            << QStringList{QStringLiteral("info"), QStringLiteral("--help")}
            << QStringLiteral("accepted=yes|no");
        QTest::newRow("help dump") << QStringList{QStringLiteral("help"), QStringLiteral("dump")}
                                   << QStringLiteral("Usage: tessel-cli dump");
    }
    void help() {
        QFETCH(QStringList, args);
        QFETCH(QString, contains);
        const Run r = runCli(args);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.join(QLatin1Char('\n')).contains(contains));
    }

    void dump() {
        const Run r = runCli({QStringLiteral("dump"), path(QStringLiteral("img.bin")),
                              QStringLiteral("--chip"), QStringLiteral("3")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.size(), 3);
        QCOMPARE(r.out[0],
                 QStringLiteral("0x00000: 00 07 0E 15 1C 23 2A 31 38 3F 46 4D 54 5B 62 69 "));
        QVERIFY(r.out[2].startsWith(QStringLiteral("0x00020: ")));
        QCOMPARE(r.err.size(), 1);
        QVERIFY(r.err[0].startsWith(u("打开文件的CheckSum值为：0x")));

        const Run refused = runCli({QStringLiteral("dump"), path(QStringLiteral("big.bin")),
                                    QStringLiteral("--chip"), QStringLiteral("1")});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY(refused.out.isEmpty());
        QCOMPARE(refused.err, QStringList{u("KR4111A不支持超过8k的文件!")});
    }

    // make-tk writes a file that info reads back as the chip it names.
    void makeTk_data() {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("file");  // relative to the temporary directory
        QTest::addColumn<int>("size");
        QTest::addColumn<QString>("chip");
        QTest::newRow("chip 1 -o without extension")
            << QStringList{QStringLiteral("--chip"), QStringLiteral("1"),
                           QStringLiteral("--cfg0"), QStringLiteral("0x5f"),
                           QStringLiteral("-o"),     path(QStringLiteral("one"))}
            << QStringLiteral("one.tk") << 0x33 << QStringLiteral("chip=1");
        QTest::newRow("chip 11 ntk, -o with extension")
            << QStringList{QStringLiteral("--chip"), QStringLiteral("KR5814"),
                           QStringLiteral("--mode"), QStringLiteral("ntk"),
                           QStringLiteral("-o"),     path(QStringLiteral("two.NTK"))}
            << QStringLiteral("two.ntk") << 0x33 << QStringLiteral("chip=11");
        QTest::newRow("chip 7 with EEPROM")
            << QStringList{QStringLiteral("--chip"), QStringLiteral("7"),
                           QStringLiteral("--cfg0"), QStringLiteral("200"),
                           QStringLiteral("-o"),     path(QStringLiteral("three"))}
            << QStringLiteral("three.tk") << 0x40 + 2048 + 5 << QStringLiteral("chip=7");
    }
    void makeTk() {
        QFETCH(QStringList, options);
        QFETCH(QString, file);
        QFETCH(int, size);
        QFETCH(QString, chip);
        const Run r = runCli(
            QStringList{QStringLiteral("make-tk"), path(QStringLiteral("img.bin"))} + options);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.value(r.out.size() - 1), QStringLiteral("file=") + path(file));
        QVERIFY(r.out.contains(u("TK文件已生成！")));
        QCOMPARE(int(QFileInfo(path(file)).size()), size);

        const Run back = runCli(
            {QStringLiteral("info"), path(file), QStringLiteral("--chip"), QStringLiteral("0")});
        QCOMPARE(back.exitCode, 0);
        QCOMPARE(back.out.value(0), u("打开TK文件，信息如下："));
        QVERIFY(back.out.contains(QStringLiteral("length=48")));
        QCOMPARE(back.out.value(back.out.size() - 1), chip);
    }

    void makeTkDefaultName() {
        QTemporaryDir work;
        QVERIFY(work.isValid());
        const Run r =
            runCli({QStringLiteral("make-tk"), path(QStringLiteral("img.bin")),
                    QStringLiteral("--chip"), QStringLiteral("13"), QStringLiteral("--cfg0"),
                    QStringLiteral("1"), QStringLiteral("--lang"), QStringLiteral("en")},
                   work.path());
        QCOMPARE(r.exitCode, 0);
        const QStringList files = QDir(work.path()).entryList(QDir::Files);
        QCOMPARE(files.size(), 1);
        QVERIFY(files[0].startsWith(QStringLiteral("Velkor_VE5812DUZI MP_0x")));
        QVERIFY(files[0].endsWith(QStringLiteral(".tk")));
        QVERIFY(r.out.contains(QStringLiteral("creating *.tk:")));
        QVERIFY(r.out.contains(files[0]));  // the name of the file written, without directory
    }

    void makeTkRefusals_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("image refused")
            << QStringList{QStringLiteral("make-tk"), path(QStringLiteral("big.bin")),
                           QStringLiteral("--chip"),  QStringLiteral("1"),
                           QStringLiteral("--cfg0"),  QStringLiteral("1")}
            << 1;
        QTest::newRow("no directory")
            << QStringList{QStringLiteral("make-tk"), path(QStringLiteral("img.bin")),
                           QStringLiteral("--cfg0"),  QStringLiteral("1"),
                           QStringLiteral("-o"),      path(QStringLiteral("none/x"))}
            << 1;
        QTest::newRow("cfg0 missing")
            << QStringList{QStringLiteral("make-tk"), path(QStringLiteral("img.bin")),
                           QStringLiteral("--chip"), QStringLiteral("4")}
            << 2;
    }
    void makeTkRefusals() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QCOMPARE(runCli(args).exitCode, exitCode);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
