// tessel-cli on a production line: several simulated boards, JSON results, exit codes,
// EEPROM images in mass-production files, no silent overwrite.
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList L(std::initializer_list<const char*> items) {
    QStringList out;
    for (const char* i : items)
        out << QString::fromUtf8(i);
    return out;
}

struct Run {
    int exitCode = -1;
    QByteArray out;
    QJsonObject json;
};

QProcess* start(const QStringList& args) {
    auto* p = new QProcess;
    p->start(QStringLiteral(TESSEL_CLI_PATH), args);
    return p;
}

Run finish(QProcess* p) {
    Run r;
    if (p->waitForFinished(60000) && p->exitStatus() == QProcess::NormalExit) {
        r.exitCode = p->exitCode();
        r.out = p->readAllStandardOutput();
        r.json = QJsonDocument::fromJson(r.out).object();
    }
    delete p;
    return r;
}

Run run(const QStringList& args) {
    return finish(start(args));
}

QByteArray eepromImage() {
    QByteArray data(2048, char(0xFF));
    for (int i = 0; i < 1024; ++i)
        data[i] = char((i * 7) & 0xFF);
    return data;
}

}  // namespace

class ProductionCliTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString path(const QString& name) { return dir_.filePath(name); }
    QStringList board(const QString& sim, const QStringList& args) {
        return QStringList{QStringLiteral("--simulate=") + sim, QStringLiteral("--profile"),
                           path(QStringLiteral("Parameters.ini")), QStringLiteral("--json")} +
               args;
    }
    QString hex() {
        const QString p = path(QStringLiteral("a.hex"));
        QFile f(p);
        f.open(QIODevice::WriteOnly);
        f.write(":0400000001020304F2\n:00000001FF\n");
        return p;
    }

private Q_SLOTS:
    // The profile every board command names: present, and empty (every key at its default).
    void init() {
        QFile f(path(QStringLiteral("Parameters.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    }

    void parallelBoards() {
        QList<QProcess*> running;
        for (int k = 1; k <= 3; ++k) {
            running << start(board(
                QStringLiteral("boards=3,latency=1"),
                {QStringLiteral("program"), hex(), QStringLiteral("--chip"), QString::number(9 + k),
                 QStringLiteral("--device"), QStringLiteral("sim:tessel-board-%1").arg(k),
                 QStringLiteral("--trace"), path(QStringLiteral("t%1").arg(k))}));
        }
        for (int k = 1; k <= 3; ++k) {
            const Run r = finish(running[k - 1]);
            QCOMPARE(r.exitCode, 0);
            QCOMPARE(r.json.value(QStringLiteral("device")).toString(),
                     QStringLiteral("sim:tessel-board-%1").arg(k));
            QCOMPARE(r.json.value(QStringLiteral("serial")).toString(),
                     QStringLiteral("SIM000%1").arg(k));
            QFile t(path(QStringLiteral("t%1").arg(k)));
            QVERIFY(t.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = t.readAll().split('\n');
            // Each board saw its own select chip with the chip of its own run.
            QCOMPARE(lines.value(1).left(8),
                     QByteArray("00 80 0") + QByteArray("abc").mid(k - 1, 1));
        }
    }

    void secondProgramOnOneBoardIsRefused() {
        // The first program holds the simulated board for a 14 KB write on a slow link.
        const QString big = path(QStringLiteral("big.bin"));
        {
            QFile f(big);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(14000, char(0x5A)));
        }
        QProcess* first = start(
            board(QStringLiteral("latency=3"),
                  {QStringLiteral("program"), big, QStringLiteral("--chip"), QStringLiteral("6")}));
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT(
            (said += first->readAllStandardError()).contains("与下位机USB通信建立成功!"), 20000);

        const Run second = run(
            board(QStringLiteral("latency=0"),
                  {QStringLiteral("read-config"), QStringLiteral("--chip"), QStringLiteral("6")}));
        const QString busy = QStringLiteral("编程器正被另一个程序使用（进程 %1），请先关闭该程序！")
                                 .arg(first->processId());
        QCOMPARE(second.exitCode, 3);
        QCOMPARE(second.json.value(QStringLiteral("reason")).toString(),
                 QStringLiteral("board-busy"));
        QCOMPARE(second.json.value(QStringLiteral("message")).toString(), busy);
        QCOMPARE(run({QStringLiteral("list"), QStringLiteral("--simulate")}).out,
                 (QStringLiteral("sim:tessel-board  serial=SIM0001  release=0x0200  busy: ") +
                  busy + QLatin1Char('\n'))
                     .toUtf8());

        QCOMPARE(finish(first).exitCode, 0);
        // The board is free again once the first program has ended.
        QCOMPARE(
            run(board(QStringLiteral("latency=0"), {QStringLiteral("read-config"),
                                                    QStringLiteral("--chip"), QStringLiteral("6")}))
                .exitCode,
            0);
    }

    void list() {
        const Run r = run({QStringLiteral("list"), QStringLiteral("--simulate=boards=2")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QByteArray("sim:tessel-board-1  serial=SIM0001  release=0x0200  ok\n"
                                   "sim:tessel-board-2  serial=SIM0002  release=0x0200  ok\n"));
    }

    void results_data() {
        QTest::addColumn<QString>("sim");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("device");
        QTest::newRow("ok by serial")
            << "boards=2,latency=0" << L({"--device", "sim0002"}) << 0 << "ok"
            << "ok"
            << "芯片烧录成功!"
            << "sim:tessel-board-2";
        QTest::newRow("ok by path")
            << "boards=2,latency=0" << L({"--device", "sim:tessel-board-1"}) << 0 << "ok"
            << "ok"
            << "芯片烧录成功!"
            << "sim:tessel-board-1";
        QTest::newRow("several boards") << "boards=2,latency=0" << QStringList() << 2 << "refused"
                                        << "several-boards"
                                        << ""
                                        << "";
        QTest::newRow("no such device")
            << "latency=0" << L({"--device", "SIM0009"}) << 3 << "refused"
            << "device-not-found"
            << ""
            << "";
        QTest::newRow("verify fails") << "latency=0,flip-flash=2" << QStringList() << 1 << "failed"
                                      << "verify-failed"
                                      << "编程器:读FLASH CHECK出错，请重新连接烧录！"
                                      << "sim:tessel-board";
        QTest::newRow("board pulled") << "latency=0,pull-after=6" << QStringList() << 3 << "failed"
                                      << "board-lost"
                                      << "设备被拔出"
                                      << "sim:tessel-board";
        QTest::newRow("flash write crc")
            << "latency=0,flash-crc=1" << QStringList() << 1 << "failed"
            << "flash-write-crc"
            << "编程器:写flash crc出错!"
            << "sim:tessel-board";
        QTest::newRow("flash read crc")
            << "latency=0,flash-read-crc" << QStringList() << 1 << "failed"
            << "flash-read-failed"
            << "编程器:读FLASH CRC 出错，请重新连接烧录！"
            << "sim:tessel-board";
        QTest::newRow("flash block fails")
            << "latency=0,flash-read-fail=1" << QStringList() << 1 << "failed"
            << "flash-read-failed"
            << "编程器:读FLASH CRC 出错，请重新连接烧录！"
            << "sim:tessel-board";
        QTest::newRow("version refused")
            << "latency=0,wrong-version" << QStringList() << 1 << "failed"
            << "version-refused"
            << "下位机版本错误，请使用正确的版本!"
            << "sim:tessel-board";
        QTest::newRow("wrong chip") << "latency=0,wrong-ictype" << QStringList() << 1 << "failed"
                                    << "wrong-chip-type"
                                    << "IC_TYPE芯片类型不对，请检查连接的芯片是否正确!"
                                    << "sim:tessel-board";
        QTest::newRow("erase fails") << "latency=0,erase-fail" << QStringList() << 1 << "failed"
                                     << "erase-failed"
                                     << "擦除Mainblock命令CRC出错!"
                                     << "sim:tessel-board";
        QTest::newRow("target silent") << "latency=0,target-fail" << QStringList() << 1 << "failed"
                                       << "enter-programming-failed"
                                       << "进入烧录模式失败!"
                                       << "sim:tessel-board";
        QTest::newRow("board silent")
            << "latency=0,silent-after=3" << QStringList() << 1 << "failed"
            << "timeout"
            << "等待数据超时!"
            << "sim:tessel-board";
        QTest::newRow("reply lost") << "latency=0,drop=4" << QStringList() << 1 << "failed"
                                    << "timeout"
                                    << "等待数据超时!"
                                    << "sim:tessel-board";
        QTest::newRow("pulled at once")
            << "latency=0,pull-after=1" << QStringList() << 3 << "failed"
            << "board-lost"
            << "设备被拔出"
            << "sim:tessel-board";
        QTest::newRow("config flipped") << "latency=0,flip-config=20" << QStringList() << 0 << "ok"
                                        << "ok"
                                        << "芯片烧录成功!"
                                        << "sim:tessel-board";
        QTest::newRow("usage") << "latency=0" << L({"--with-eeprom"}) << 2 << "refused"
                               << "usage"
                               << ""
                               << "";
    }

    void results() {
        QFETCH(QString, sim);
        QFETCH(QStringList, extra);
        QFETCH(int, code);
        const Run r = run(board(sim, QStringList{QStringLiteral("program"), hex(),
                                                 QStringLiteral("--chip"), QStringLiteral("11")} +
                                         extra));
        QCOMPARE(r.exitCode, code);
        const QJsonObject& j = r.json;
        QCOMPARE(j.value(QStringLiteral("command")).toString(), QStringLiteral("program"));
        QCOMPARE(j.value(QStringLiteral("chip")).toInt(), 11);
        QCOMPARE(j.value(QStringLiteral("chip_name")).toString(), QStringLiteral("KR5814"));
        QTEST(j.value(QStringLiteral("result")).toString(), "result");
        QTEST(j.value(QStringLiteral("reason")).toString(), "reason");
        QFETCH(QString, message);
        if (!message.isEmpty())
            QCOMPARE(j.value(QStringLiteral("message")).toString(), message);
        QFETCH(QString, device);
        QCOMPARE(j.value(QStringLiteral("device")).toString(), device);
        QCOMPARE(j.value(QStringLiteral("exit_code")).toInt(), code);
        QVERIFY(j.value(QStringLiteral("duration_ms")).isDouble());
        QVERIFY(j.contains(QStringLiteral("eeprom")) && j.contains(QStringLiteral("serial")));
        const bool ok = code == 0;
        QCOMPARE(j.value(QStringLiteral("checksum")).toString(),
                 device.isEmpty() ? QString() : QStringLiteral("0xFFFFFFEB"));
        QCOMPARE(j.value(QStringLiteral("length")).toInt(), device.isEmpty() ? 0 : 4);
        const QJsonObject verify = j.value(QStringLiteral("verify")).toObject();
        QCOMPARE(verify.value(QStringLiteral("errors")).toInt(-1), ok ? 0 : -1);
        QCOMPARE(verify.value(QStringLiteral("compared")).toInt(), ok ? 4 : 0);
    }

    void eepromInMassProductionFile() {
        const QString image = path(QStringLiteral("e.bin"));
        QFile f(image);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(eepromImage());
        f.close();
        const QString tk = path(QStringLiteral("line7"));
        const QStringList make = {QStringLiteral("make-tk"),  hex(),
                                  QStringLiteral("--chip"),   QStringLiteral("7"),
                                  QStringLiteral("--cfg0"),   QStringLiteral("0x12"),
                                  QStringLiteral("--eeprom"), image,
                                  QStringLiteral("-o"),       tk,
                                  QStringLiteral("--json")};
        Run r = run(make);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.json.value(QStringLiteral("length")).toInt(), 4 + 12 + 2048 + 5);
        QFile file(tk + QStringLiteral(".tk"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.mid(16, 2048), eepromImage());
        QCOMPARE(bytes.right(5), QByteArray::fromHex("0712000407"));
        // No silent overwrite.
        r = run(make);
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.json.value(QStringLiteral("reason")).toString(), QStringLiteral("file-exists"));
        QCOMPARE(run(make + QStringList{QStringLiteral("--force")}).exitCode, 0);
        // Wrong chip, wrong size.
        QCOMPARE(
            run({QStringLiteral("make-tk"), hex(), QStringLiteral("--chip"), QStringLiteral("3"),
                 QStringLiteral("--cfg0"), QStringLiteral("1"), QStringLiteral("--eeprom"), image})
                .exitCode,
            2);
        QCOMPARE(
            run({QStringLiteral("make-tk"), hex(), QStringLiteral("--chip"), QStringLiteral("5"),
                 QStringLiteral("--cfg0"), QStringLiteral("1"), QStringLiteral("--eeprom"), hex()})
                .exitCode,
            1);

        r = run(board(QStringLiteral("latency=0"),
                      {QStringLiteral("program"), tk + QStringLiteral(".tk"),
                       QStringLiteral("--with-eeprom")}));
        QCOMPARE(r.exitCode, 0);
        const QJsonObject e = r.json.value(QStringLiteral("eeprom")).toObject();
        QCOMPARE(e.value(QStringLiteral("result")).toString(), QStringLiteral("ok"));
        QCOMPARE(e.value(QStringLiteral("message")).toString(), QStringLiteral("写EEPROM成功"));
        // The whole 2 KiB EEPROM of chip 7 is read back and compared.
        QCOMPARE(
            e.value(QStringLiteral("verify")).toObject().value(QStringLiteral("compared")).toInt(),
            2048);
        QCOMPARE(r.json.value(QStringLiteral("chip")).toInt(), 7);
    }
};

QTEST_GUILESS_MAIN(ProductionCliTest)
#include "tst_production.moc"
