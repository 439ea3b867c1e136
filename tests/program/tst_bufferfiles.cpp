// The buffer views in files: Intel HEX written byte for byte, read back by the program's own
// reader and by objcopy, binary files, and EEPROM images loaded with their size checked.
#include "image/imageformat.h"
#include "image/imagestate.h"
#include "pages/program/bufferfiles.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

using namespace tessel;

namespace {

QByteArray counting(int n, int from = 0) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i)
        b[i] = char((from + i) & 0xFF);
    return b;
}

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

const uint8_t* bytesOf(const QByteArray& b) {
    return reinterpret_cast<const uint8_t*>(b.constData());
}

}  // namespace

class BufferFilesTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString path(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void intelHexText_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("four bytes") << QByteArray("\x01\x02\x03\x04", 4)
                                    << QByteArray(":0400000001020304F2\r\n:00000001FF\r\n");
        QTest::newRow("seventeen") << counting(17)
                                   << QByteArray(
                                          ":10000000000102030405060708090A0B0C0D0E0F78\r\n"
                                          ":0100100010DF\r\n:00000001FF\r\n");
        QTest::newRow("empty") << QByteArray() << QByteArray(":00000001FF\r\n");
        QTest::newRow("erased") << QByteArray(2, '\xFF')
                                << QByteArray(":02000000FFFF00\r\n:00000001FF\r\n");
    }

    void intelHexText() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, text);
        QCOMPARE(formatIntelHex(bytesOf(bytes), uint32_t(bytes.size())), text);
    }

    // Written by the program and read back by its own HEX reader, as a binary and by objcopy.
    void roundTrips_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("length");
        QTest::newRow("flash hex") << QStringLiteral("flash.hex") << 0xFC00;
        QTest::newRow("eeprom hex") << QStringLiteral("eeprom.HEX") << 1024;
        QTest::newRow("odd hex") << QStringLiteral("odd.hex") << 1001;
        QTest::newRow("whole 64K hex") << QStringLiteral("all.hex") << 0x10000;
        QTest::newRow("flash bin") << QStringLiteral("flash.bin") << 0x4000;
        QTest::newRow("no extension") << QStringLiteral("raw") << 2048;
    }

    void roundTrips() {
        QFETCH(QString, name);
        QFETCH(int, length);
        const QByteArray bytes = counting(length, 7);
        const QString file = path(name);
        QVERIFY(writeBufferFile(file, bytesOf(bytes), uint32_t(length)));
        const bool hex = name.endsWith(QStringLiteral(".hex"), Qt::CaseInsensitive);
        const QByteArray text = readAll(file);
        if (!hex) {
            QCOMPARE(text, bytes);
            return;
        }
        QVERIFY(text.startsWith(":10000000070809"));
        QVERIFY(text.endsWith(":00000001FF\r\n"));
        std::vector<uint8_t> buffer(0x10000, 0xFF);
        const HexParseResult parsed = parseIntelHexText(crlfToLf(text), buffer.data());
        QCOMPARE(int(parsed.status), int(HexStatus::Ok));
        QCOMPARE(parsed.length, uint32_t(length));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(buffer.data()), length), bytes);

        const QString objcopy = QStandardPaths::findExecutable(QStringLiteral("objcopy"));
        if (objcopy.isEmpty())
            QSKIP("objcopy is not installed");
        const QString out = path(name + QStringLiteral(".objcopy.bin"));
        QCOMPARE(
            QProcess::execute(objcopy, {QStringLiteral("-I"), QStringLiteral("ihex"),
                                        QStringLiteral("-O"), QStringLiteral("binary"), file, out}),
            0);
        QCOMPARE(readAll(out), bytes);
    }

    // EEPROM images from files: up to the chip's size; a larger one is refused with its size.
    void eepromFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("status");  // 0 ok, 1 unreadable, 2 too large
        QTest::addColumn<int>("size");
        QTest::addColumn<QByteArray>("loaded");
        QTest::newRow("bin exact")
            << QStringLiteral("e.bin") << counting(1024) << 1024 << 0 << 1024 << counting(1024);
        QTest::newRow("bin short") << QStringLiteral("e.bin") << QByteArray("\x11\x22", 2) << 1024
                                   << 0 << 2 << QByteArray("\x11\x22", 2);
        QTest::newRow("bin one over")
            << QStringLiteral("e.bin") << counting(1025) << 1024 << 2 << 1025 << QByteArray();
        QTest::newRow("bin 2 KiB chip")
            << QStringLiteral("e.eep") << counting(2048) << 2048 << 0 << 2048 << counting(2048);
        QTest::newRow("hex with a gap")
            << QStringLiteral("e.hex") << QByteArray(":0100020055A8\n:00000001FF\n") << 1024 << 0
            << 3 << QByteArray("\xFF\xFF\x55", 3);
        QTest::newRow("hex past the end")
            << QStringLiteral("e.hex") << QByteArray(":01040000AA51\n:00000001FF\n") << 1024 << 2
            << 1025 << QByteArray();
        QTest::newRow("not hex") << QStringLiteral("e.hex") << QByteArray("hello\n") << 1024 << 1
                                 << 0 << QByteArray();
        QTest::newRow("missing") << QStringLiteral("none.bin") << QByteArray() << 1024 << 1 << 0
                                 << QByteArray();
    }

    void eepromFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, capacity);
        QFETCH(int, status);
        QFETCH(int, size);
        QFETCH(QByteArray, loaded);
        const QString file = path(name);
        QFile::remove(file);
        if (name != QLatin1String("none.bin"))
            writeAll(file, content);
        const EepromFileRead r = readEepromImageFile(file, uint32_t(capacity));
        QCOMPARE(int(r.status), status);
        QCOMPARE(int(r.size), size);
        QCOMPARE(r.bytes, loaded);
    }

    // The page's load: the write image takes the file (0xFF after it); a refusal names sizes.
    void loadIntoTheWriteImage_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<QString>("logged");  // @ stands for the path
        QTest::newRow("KR5814 512")
            << 11 << 512 << QStringLiteral("已加载 EEPROM 映像 512 字节: @");
        QTest::newRow("KR5814 1025")
            << 11 << 1025
            << QStringLiteral("文件有 1025 字节，超过本芯片 EEPROM 的 1024 字节，未加载: @");
        QTest::newRow("KR4116 2048")
            << 7 << 2048 << QStringLiteral("已加载 EEPROM 映像 2048 字节: @");
        QTest::newRow("KR4116 4096")
            << 7 << 4096
            << QStringLiteral("文件有 4096 字节，超过本芯片 EEPROM 的 2048 字节，未加载: @");
        QTest::newRow("KR4121 none") << 0 << 16 << QString();
    }

    void loadIntoTheWriteImage() {
        QFETCH(int, chip);
        QFETCH(int, fileSize);
        QFETCH(QString, logged);
        SharedState state;
        state.chipIndex = chip;
        ImageState image;
        ScriptedPrompts prompts;
        RecordingLog log;
        BufferFiles files(state, image, prompts, log);
        const QString file = path(QStringLiteral("load.bin"));
        writeAll(file, counting(fileSize, 1));
        const bool ok = files.loadEepromImageFrom(file);
        const uint8_t* target = image.eepromWriteImage(chip);
        if (logged.isEmpty()) {
            QVERIFY(!ok);
            QCOMPARE(prompts.warnings, QStringList{QStringLiteral("当前芯片没有 EEPROM")});
            return;
        }
        QCOMPARE(log.lines, QStringList{QString(logged).replace(QLatin1Char('@'), file)});
        const int capacity = chip == 7 ? 2048 : 1024;
        QCOMPARE(ok, fileSize <= capacity);
        if (ok) {
            QCOMPARE(QByteArray(reinterpret_cast<const char*>(target), fileSize),
                     counting(fileSize, 1));
            QCOMPARE(int(target[capacity - 1]), fileSize == capacity ? (capacity & 0xFF) : 0xFF);
        } else {
            QCOMPARE(prompts.warnings, log.lines);
            QCOMPARE(int(target[0]), 0xFF);  // nothing loaded
        }
    }

    // Saving a read view: the file the dialog named, with the extension of the choice.
    void saveReadViews_data() {
        QTest::addColumn<int>("view");
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("flash as hex")
            << int(BufferFiles::View::ReadFlash) << true << QStringLiteral("f")
            << QStringLiteral("f.hex") << QByteArray(":1000000000010203");
        QTest::newRow("flash as bin, typed")
            << int(BufferFiles::View::ReadFlash) << false << QStringLiteral("g.bin")
            << QStringLiteral("g.bin") << QByteArray("\x00\x01\x02", 3);
        QTest::newRow("eeprom as hex")
            << int(BufferFiles::View::ReadEeprom) << true << QStringLiteral("e.hex")
            << QStringLiteral("e.hex") << QByteArray(":10000000A0A1A2A3");
    }

    void saveReadViews() {
        QFETCH(int, view);
        QFETCH(bool, hex);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QByteArray, start);
        SharedState state;
        state.chipIndex = 11;
        ImageState image;
        for (int i = 0; i < 100; ++i)
            image.readBuffer[size_t(i)] = uint8_t(i);
        for (int i = 0; i < 1024; ++i)
            image.eepromReadBuffer[size_t(i)] = uint8_t(0xA0 + i);
        ScriptedPrompts prompts;
        RecordingLog log;
        BufferFiles files(state, image, prompts, log);
        files.setReadLength(100);
        prompts.saveAnswers << path(typed);
        QVERIFY(files.save(BufferFiles::View(view), hex));
        const QByteArray content = readAll(path(written));
        QVERIFY(content.startsWith(start));
        const int length = view == int(BufferFiles::View::ReadEeprom) ? 1024 : 100;
        if (!hex)
            QCOMPARE(content.size(), length);
        QCOMPARE(log.lines,
                 QStringList{QStringLiteral("已保存 %1 字节到 %2").arg(length).arg(path(written))});
    }

    void nothingReadNothingSaved() {
        SharedState state;
        ImageState image;
        ScriptedPrompts prompts;
        RecordingLog log;
        BufferFiles files(state, image, prompts, log);
        prompts.saveAnswers << path(QStringLiteral("never"));
        QVERIFY(!files.save(BufferFiles::View::ReadFlash, true));
        QCOMPARE(prompts.messages, QStringList{QStringLiteral("缓冲为空，请先读取芯片")});
        QVERIFY(!QFile::exists(path(QStringLiteral("never.hex"))));
    }
};

QTEST_MAIN(BufferFilesTest)
#include "tst_bufferfiles.moc"
