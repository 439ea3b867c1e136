// tessel-cli's board commands on the simulated board: exit codes, the printed messages and
// the trace of every report the board received.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

QStringList L(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* i : items)
        out << QString::fromUtf8(i);
    return out;
}

struct Run {
    int exitCode = -1;
    QStringList lines;
    QStringList errors;  // standard error
};

Run run(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(TESSEL_CLI_PATH), args);
    Run r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.lines =
        QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    r.errors =
        QString::fromUtf8(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return r;
}

bool writeBytes(const QString& path, const QByteArray& data) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

// The trace file: one line of 65 hex bytes per report.
QList<QByteArray> traceCodes(const QString& path, QList<QByteArray>* lines = nullptr) {
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    QList<QByteArray> codes;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.isEmpty())
            continue;
        if (lines)
            *lines << line;
        codes << line.split(' ').value(1);
    }
    return codes;
}

}  // namespace

class BoardCliTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString path(const char* name) { return dir_.filePath(QString::fromLatin1(name)); }
    QStringList board(const QStringList& args) {
        return L({"--simulate=latency=0", "--profile"}) << path("Parameters.ini") << args;
    }

private Q_SLOTS:
    // The profile every board command names: present, and empty (every key at its default).
    void init() { QVERIFY(writeBytes(path("Parameters.ini"), QByteArray())); }

    void exitCodes_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("read flash")
            << L({"read-flash", "--chip", "2"}) << 0 << "Value of CheckSum：0x4016284E";
        QTest::newRow("read flash fails")
            << L({"read-flash", "--chip", "2", "--simulate=flash-read-fail=2,latency=0"}) << 1
            << "编程器:读FLASH CRC 出错，请重新连接烧录！";
        QTest::newRow("power 5v") << L({"power", "5v"}) << 0
                                  << "5V 上电成功!若要烧录相关操作,请先选择“掉电”!";
        QTest::newRow("power fails en")
            << L({"--lang", "en", "power", "off", "--simulate=supply-fail,latency=0"}) << 1
            << "Power Off Failed!";
        QTest::newRow("wrong version")
            << L({"read-config", "--chip", "3", "--simulate=wrong-version,latency=0"}) << 1
            << "下位机版本:V1.0.1.1b";
        QTest::newRow("read config")
            << L({"read-config", "--chip", "8"}) << 0 << "配置字CRC校验正确!";
        QTest::newRow("no chip") << L({"read-flash"}) << 2 << QString();
        QTest::newRow("bad supply") << L({"power", "7v"}) << 2 << QString();
        QTest::newRow("no EEPROM") << L({"eeprom-read", "--chip", "1"}) << 2 << QString();
        QTest::newRow("bad option")
            << L({"read-flash", "--chip", "1", "--simulate=nope=1"}) << 2 << QString();
        QTest::newRow("write config")
            << L({"write-config", "--chip", "7"}) << 0 << S("配置字写入正确!");
        QTest::newRow("write config word 0 fails")
            << L({"write-config", "--chip", "12", "--simulate=inf-protect,latency=0"}) << 1
            << S("配置字0,10,11写入错误!");
        QTest::newRow("trim write") << L({"trim-write", "--chip", "13"}) << 0 << S("退出修调！");
        QTest::newRow("trim write differs")
            << L({"trim-write", "--chip", "9", "--simulate=flip-trim=3,latency=0"}) << 1
            << S("退出修调！");
        QTest::newRow("write config KR4121")
            << L({"write-config", "--chip", "0"}) << 1 << S("KR4121的配置字随一键写Flash写入!");
    }

    void exitCodes() {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, lastLine);
        const Run r = run(board(args));
        QCOMPARE(r.exitCode, code);
        if (!lastLine.isEmpty())
            QCOMPARE(r.lines.value(r.lines.size() - 1), lastLine);
    }

    // The JSON reason and exit code of every board command's ends, from the operation's
    // outcome: keys and codes as production scripts match them.
    void jsonReasons_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("reason");
        QTest::newRow("read flash") << L({"read-flash", "--chip", "2"}) << 0 << "ok";
        QTest::newRow("read flash fails")
            << L({"read-flash", "--chip", "2", "--simulate=flash-read-fail=2,latency=0"}) << 1
            << "flash-read-failed";
        QTest::newRow("supply fails")
            << L({"--lang", "en", "power", "off", "--simulate=supply-fail,latency=0"}) << 1
            << "supply-failed";
        QTest::newRow("supply lost")
            << L({"power", "3v", "--simulate=pull-after=2,latency=0"}) << 3 << "board-lost";
        QTest::newRow("version refused")
            << L({"read-config", "--chip", "3", "--simulate=wrong-version,latency=0"}) << 1
            << "version-refused";
        QTest::newRow("config wrong chip")
            << L({"read-config", "--chip", "11", "--simulate=wrong-ictype,latency=0"}) << 1
            << "wrong-chip-type";
        QTest::newRow("word 0 not taken")
            << L({"write-config", "--chip", "12", "--simulate=inf-protect,latency=0"}) << 1
            << "config-write-failed";
        QTest::newRow("trim differs")
            << L({"trim-write", "--chip", "9", "--simulate=flip-trim=3,latency=0"}) << 1
            << "trim-write-failed";
        QTest::newRow("trim crc") << L({"trim-write", "--chip", "3",
                                        "--simulate=trim-crc,latency=0"})
                                  << 1 << "trim-write-failed";
        QTest::newRow("KR4121 config") << L({"write-config", "--chip", "0"}) << 1 << "refused";
        QTest::newRow("EEPROM read, target silent")
            << L({"eeprom-read", "--chip", "11", "--simulate=target-fail,latency=0"}) << 1
            << "enter-programming-failed";
        QTest::newRow("no chip") << L({"read-flash"}) << 2 << "usage";
        QTest::newRow("two boards")
            << L({"read-flash", "--chip", "1", "--simulate=boards=2,latency=0"}) << 2
            << "several-boards";
        QTest::newRow("no such board")
            << L({"read-flash", "--chip", "1", "--device", "SIM0042"}) << 3 << "device-not-found";
    }

    void jsonReasons() {
        QFETCH(QStringList, args);
        const Run r = run(board(args) << S("--json"));
        QTEST(r.exitCode, "code");
        const QJsonObject j = QJsonDocument::fromJson(r.lines.value(0).toUtf8()).object();
        QTEST(j.value(S("reason")).toString(), "reason");
        QTEST(j.value(S("exit_code")).toInt(-1), "code");
    }

    // A board pulled out while no operation runs ends the run at once with the removal
    // message and the board-lost exit code, not with a time-out.
    void pulledOutOutsideAnOperation_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("lastLine");
        QTest::newRow("handshake")
            << L({"read-flash", "--chip", "2", "--simulate=pull-after=1,latency=0"})
            << QString::fromUtf8("设备被拔出");
        QTest::newRow("supply") << L({"power", "3v", "--simulate=pull-after=2,latency=0"})
                                << QString::fromUtf8("设备被拔出");
        QTest::newRow("supply en")
            << L({"--lang", "en", "power", "off", "--simulate=pull-after=2,latency=0"})
            << QStringLiteral("Device Pulled Out!");
    }
    void pulledOutOutsideAnOperation() {
        QFETCH(QStringList, args);
        QFETCH(QString, lastLine);
        const Run r = run(board(args));
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(r.lines.value(r.lines.size() - 1), lastLine);
        QVERIFY(!r.lines.contains(QString::fromUtf8("等待数据超时!")));
    }

    void readFlashTrace() {
        const QString trace = path("read.trace");
        const QString out = path("flash.bin");
        const Run r = run(board(L({"read-flash", "--chip", "KR5815/KR5715", "--trace"})
                                << trace << S("-o") << out));
        QCOMPARE(r.exitCode, 0);
        QList<QByteArray> lines;
        const QList<QByteArray> codes = traceCodes(trace, &lines);
        // version, select chip 10, enter, read header, 1008 block requests, leave
        QCOMPARE(codes.size(), 1 + 1 + 1 + 1 + 1008 + 1);
        QCOMPARE(lines[1].left(8), QByteArray("00 80 0a"));
        QCOMPARE(lines[3].left(14), QByteArray("00 86 ff fb ff"));  // 64511 big-endian
        QCOMPARE(lines[3].split(' ').size(), 65);
        QCOMPARE(lines[1011].left(14), QByteArray("00 86 3f 03 ef"));  // 63 bytes of block 1007
        QCOMPARE(codes.last(), QByteArray("87"));
        QCOMPARE(QFileInfo(out).size(), 64511);
    }

    void programAndVerify_data() {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("code");
        QTest::newRow("ok") << "latency=0" << 0;
        QTest::newRow("verify mismatch") << "latency=0,flip-flash=3" << 1;
        QTest::newRow("silent board") << "latency=0,silent-after=4" << 1;
    }

    void programAndVerify() {
        QFETCH(QString, fault);
        QFETCH(int, code);
        const QString hex = path("a.hex");
        QFile f(hex);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(":0400000001020304F2\n:00000001FF\n");
        f.close();
        const QString trace = path("program.trace");
        const Run r = run(board(L({"program"}) << hex << L({"--chip", "11", "--trace"}) << trace
                                               << S("--simulate=") + fault));
        QCOMPARE(r.exitCode, code);
        QCOMPARE(r.lines.contains(QStringLiteral("芯片烧录成功!")), code == 0);
        const QList<QByteArray> codes = traceCodes(trace);
        QCOMPARE(codes.count("87"), 1);  // sent at the end of every path
        QVERIFY(!codes.contains("84"));  // the MCU02 chips take no word-0 write here
    }

    void eepromWriteAndRead() {
        const QString image = path("eeprom.bin");
        QFile f(image);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QByteArray data(1024, '\0');
        for (int i = 0; i < 1024; ++i)
            data[i] = char(i * 7);
        f.write(data);
        f.close();
        const Run w = run(board(L({"eeprom-write"}) << image << L({"--chip", "13"})));
        QCOMPARE(w.exitCode, 0);
        QCOMPARE(w.lines.last(), QStringLiteral("写EEPROM成功"));
        const Run tooBig =
            run(board(L({"eeprom-write"}) << path("flash.bin") << L({"--chip", "13"})));
        QCOMPARE(tooBig.exitCode, 1);
    }

    void configBytes() {
        const Run r = run(L({"config", "--chip", "0", "--profile"}) << path("Parameters.ini"));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.lines, (L({"CFG_0 = 0x0f", "CFG_1 = 0x87", "CFG_2 = 0x07", "bytes=0f 87 07"})));
    }

    // The EEPROM write compares everything it reads back: 2048 bytes on the chips that keep
    // 2 KiB (an upper half other than the image's 0xFF is a failure), 1024 on the others.
    void eepromVerifyCoversTheWholeEeprom_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("count");
        QTest::newRow("KR4116 upper half")
            << 7 << ",flip-eeprom=1038" << 2048 << 1 << S("共发现    1个单元不对!");
        QTest::newRow("KR4115 last byte")
            << 5 << ",flip-eeprom=2047" << 2048 << 1 << S("共发现    1个单元不对!");
        QTest::newRow("KR4115 lower half")
            << 5 << ",flip-eeprom=3" << 2048 << 1 << S("共发现    1个单元不对!");
        QTest::newRow("KR4116 intact") << 7 << "" << 2048 << 0 << S("共发现    0个单元不对!");
        QTest::newRow("VE5812DUZI last byte")
            << 13 << ",flip-eeprom=1023" << 1024 << 1 << S("共发现    1个单元不对!");
        QTest::newRow("VE5812DUZI has no byte 1038")
            << 13 << ",flip-eeprom=1038" << 1024 << 0 << S("共发现    0个单元不对!");
        QTest::newRow("KR5815 last byte")
            << 10 << ",flip-eeprom=1023" << 1024 << 1 << S("共发现    1个单元不对!");
        QTest::newRow("KR5814 intact") << 11 << "" << 1024 << 0 << S("共发现    0个单元不对!");
        QTest::newRow("KR5813 first byte")
            << 12 << ",flip-eeprom=0" << 1024 << 1 << S("共发现    1个单元不对!");
    }
    void eepromVerifyCoversTheWholeEeprom() {
        QFETCH(int, chip);
        QFETCH(QString, fault);
        QFETCH(int, size);
        QFETCH(int, code);
        QFETCH(QString, count);
        QByteArray data(1024, '\0');
        for (int i = 0; i < 1024; ++i)
            data[i] = char(i * 7);
        QVERIFY(writeBytes(path("eeprom.bin"), data));
        const QStringList sim = {S("--simulate=latency=0") + fault, S("--chip"),
                                 QString::number(chip)};
        const Run w = run(board(L({"eeprom-write"}) << path("eeprom.bin") << sim));
        QCOMPARE(w.exitCode, code);
        QVERIFY2(w.lines.contains(count), qPrintable(w.lines.join(QLatin1Char('|'))));
        QCOMPARE(w.lines.contains(S("写EEPROM成功")), code == 0);
        QCOMPARE(w.lines.contains(S("写EEPROM失败")), code != 0);
        // The read fetches the same size.
        QFile::remove(path("back.bin"));
        const Run r = run(board(L({"eeprom-read", "-o"}) << path("back.bin") << sim));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QFileInfo(path("back.bin")).size(), qint64(size));
    }

    // A profile named on the command line that cannot be read is an error before anything
    // reaches the board, never a silent set of defaults.
    void unreadableProfileIsRefused_data() {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QStringList>("command");
        QTest::newRow("missing") << "/nonexistent/typo.ini" << L({"write-config", "--chip", "7"});
        QTest::newRow("directory") << "." << L({"trim-write", "--chip", "8"});
        QTest::newRow("device") << "/dev/zero" << L({"program", "x.hex", "--chip", "1"});
        QTest::newRow("too large") << "big.ini" << L({"read-config", "--chip", "3"});
        QTest::newRow("config") << "/nonexistent/typo.ini" << L({"config", "--chip", "3"});
        QTest::newRow("trim") << "/nonexistent/typo.ini" << L({"trim", "--chip", "8"});
        QTest::newRow("too large, no board") << "big.ini" << L({"trim", "--chip", "2"});
    }
    void unreadableProfileIsRefused() {
        QFETCH(QString, profile);
        QFETCH(QStringList, command);
        QVERIFY(writeBytes(path("big.ini"), QByteArray((1 << 20) + 1, ' ')));
        if (!profile.startsWith(QLatin1Char('/')))
            profile = dir_.filePath(profile);
        const QString trace = path("refused.trace");
        QFile::remove(trace);
        // The board commands take a simulated board and a trace; config and trim need none.
        const bool boardCommand = command[0] != S("config") && command[0] != S("trim");
        QStringList args{S("--profile"), profile};
        if (boardCommand)
            args << S("--simulate=latency=0") << S("--trace") << trace;
        const Run r = run(args << command);
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.lines.isEmpty());
        QVERIFY(!QFile::exists(trace));
        QVERIFY(r.errors.value(0).startsWith(S("tessel-cli: --profile ") + profile));
    }

    // Values outside their field's range are taken as the page takes them, with one warning
    // per key on standard error.
    void profileValuesOutOfRangeAreWarned() {
        QVERIFY(writeBytes(path("odd.ini"),
                           "[KR5712AXCFGS]\r\n"
                           "m_com_RO5812DA_ADJIREF=99\r\n"
                           "m_n_RO5812DA_CFG4=300\r\n"
                           "m_n_RO5812DA_CFG5=7\r\n"));
        const QString trace = path("odd.trace");
        const Run r =
            run(L({"--simulate=latency=0", "--profile"})
                << path("odd.ini") << S("--trace") << trace << L({"write-config", "--chip", "8"}));
        QCOMPARE(r.exitCode, 0);
        const QString prefix =
            S("tessel-cli: warning: ") + path("odd.ini") + S(": [KR5712AXCFGS] ");
        QCOMPARE(r.errors, (QStringList{prefix + S("m_com_RO5812DA_ADJIREF=99 is outside 0..15"),
                                        prefix + S("m_n_RO5812DA_CFG4=300 is outside 0..255")}));
        // CFG4 keeps its low eight bits (300 = 0x12c): CFG0, then the words with inverses.
        QList<QByteArray> lines;
        const QList<QByteArray> codes = traceCodes(trace, &lines);
        const QByteArray write = lines.value(int(codes.indexOf("89")));
        QCOMPARE(write.mid(3 * 9, 3 * 4), QByteArray("2c d3 07 f8 "));
        const Run trim = run(L({"--profile"}) << path("odd.ini") << L({"trim", "--chip", "8"}));
        QCOMPARE(trim.errors.size(), 2);
    }
};

QTEST_GUILESS_MAIN(BoardCliTest)
#include "tst_boardcli.moc"
