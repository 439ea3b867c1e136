#include "app/chipcatalogue.h"
#include "app/prompts.h"
#include "app/sharedstate.h"
#include "image/imageloader.h"
#include "image/imagestate.h"
#include "imagetestutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

#include <sys/stat.h>

using namespace tessel;
using namespace tessel::test;

namespace {

// The Chinese size message of each chip after the open dialog.
const char* const kSizeMessages[kChipCount] = {
    "KR4121A不支持超过16k的文件!",      "KR4111A不支持超过8k的文件!",
    "KR4112A不支持超过32k的文件!",      "KR4152不支持超过16k的文件!",
    "KR4161不支持超过32k的文件!",       "KR4115/56/17不支持超过16k的文件!",
    "KR4115W/4113不支持超过16k的文件!", "KR4116不支持超过30k的文件!",
    "RO5812DA不支持超过16k的文件!",     "ZU5712Ra16不支持超过16k的文件!",
    "KR5815不支持超过63k的文件!",       "KR5814不支持超过48k的文件!",
    "KR5813不支持超过32k的文件!",       "MCU04不支持超过15k的文件!",
};

QString u(const char* s) {
    return QString::fromUtf8(s);
}

// One programming page's worth of image state around a loader.
struct Fixture {
    SharedState shared;
    ImageState image;
    RecordingLog log;
    ScriptedPrompts prompts;
    RecordingEffects effects;
    ImageLoader loader{shared, image, log, prompts, effects};

    bool open(const QString& path) {
        prompts.openAnswers = QStringList{path};
        loader.openImage();
        return image.imageLoaded;
    }
};

}  // namespace

class TestImageLoader : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // Every chip: the exact bound is accepted, one more byte refused, an erased image and
    // one whose only programmed byte is at offset 0 refused.
    void bounds_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<uint>("length");
        for (const ChipInfo& c : kChipCatalogue) {
            const int bound = int(c.maxImageLength);
            const QByteArray name = QByteArray::number(c.index) + ' ';
            QTest::newRow(name + "bound") << c.index << patternImage(bound) << true << uint(bound);
            QTest::newRow(name + "bound+1")
                << c.index << patternImage(bound + 1) << false << uint(bound + 1);
            QTest::newRow(name + "erased") << c.index << QByteArray(100, '\xFF') << false << 0u;
            QTest::newRow(name + "offset 0 only")
                << c.index << QByteArray(1, '\0') + QByteArray(100, '\xFF') << false << 0u;
            QTest::newRow(name + "FF tail trimmed")
                << c.index << patternImage(bound) + QByteArray(64, '\xFF') << true << uint(bound);
        }
    }
    void bounds() {
        QFETCH(int, chip);
        QFETCH(QByteArray, content);
        QFETCH(bool, accepted);
        QFETCH(uint, length);
        Fixture f;
        f.shared.chipIndex = uint32_t(chip);
        const QString file = path(QStringLiteral("bound.bin"));
        QVERIFY(writeFile(file, content));
        QCOMPARE(f.open(file), accepted);
        QCOMPARE(f.image.imageLength, length);
        QCOMPARE(f.image.freshlyOpened, true);
        if (accepted) {
            QVERIFY(f.prompts.messages.isEmpty());
            QCOMPARE(f.log.lines.size(), 1);
            QVERIFY(f.log.lines[0].contains(u("CheckSum")));
            QVERIFY(f.image.writeBufferDump.startsWith(QStringLiteral("0x00000: ")));
        } else {
            QCOMPARE(f.prompts.messages, QStringList{u(kSizeMessages[chip])});
            QCOMPARE(f.image.imageChecksum, 0u);
        }
    }

    void checksumLine_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("line");
        const int open = int(CheckKind::Open);
        const int reload = int(CheckKind::Reload);
        // The image "\0abc" has the checksum ~(0x61 + 0xC4 + 0x129) = 0xFFFFFDB1.
        QTest::newRow("0 open") << 0 << open << u("CheckSum Value：0xFFFFFDB1");
        QTest::newRow("1 open") << 1 << open << u("打开文件的CheckSum值为：0xfffffdb1");
        QTest::newRow("7 open") << 7 << open << u("打开文件的CheckSum值为：0xfffffdb1");
        QTest::newRow("8 open") << 8 << open << u("CheckSum Value：0xfffffdb1");
        QTest::newRow("10 open") << 10 << open << u("打开文件的CheckSum值为：0xFFFFFDB1");
        QTest::newRow("13 open") << 13 << open << u("打开文件的CheckSum值为：0xFFFFFDB1");
        QTest::newRow("0 reload") << 0 << reload << u("打开文件的CheckSum值为：0xfffffdb1");
        QTest::newRow("9 reload") << 9 << reload << u("CheckSum Value：0xfffffdb1");
        QTest::newRow("12 reload") << 12 << reload << u("打开文件的CheckSum值为：0xfffffdb1");
        QTest::newRow("13 reload") << 13 << reload << u("打开文件的CheckSum值为：0xFFFFFDB1");
    }
    void checksumLine() {
        QFETCH(int, chip);
        QFETCH(int, kind);
        QFETCH(QString, line);
        Fixture f;
        f.shared.chipIndex = uint32_t(chip);
        const QString file = path(QStringLiteral("abc.bin"));
        QVERIFY(writeFile(file, QByteArray("\0abc", 4)));
        f.image.lastImagePath = file;
        f.image.lastImageExtension = QStringLiteral("bin");
        if (kind == int(CheckKind::Open)) {
            QVERIFY(f.open(file));
        } else {
            QVERIFY(f.loader.reloadBeforeFlashWrite());
            QVERIFY(f.image.imageLoaded);
        }
        QCOMPARE(f.log.lines, QStringList{line});
        QCOMPARE(f.image.imageChecksum, 0xFFFFFDB1u);
    }

    void sizeMessageLanguage_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("message");
        const int open = int(CheckKind::Open);
        const int reload = int(CheckKind::Reload);
        QTest::newRow("0 en open")
            << 0 << 1 << open << u("Error!The size of the file exceeds 16k!");
        QTest::newRow("0 en reload") << 0 << 1 << reload << u("KR4121A不支持超过16k的文件!");
        QTest::newRow("1 en open") << 1 << 1 << open << u("KR4111A不支持超过8k的文件!");
        QTest::newRow("8 en reload")
            << 8 << 1 << reload << u("RO5812DA Error!The size of the file exceeds 16k!");
        QTest::newRow("9 zh open") << 9 << 0 << open << u("ZU5712Ra16不支持超过16k的文件!");
        QTest::newRow("9 zh reload") << 9 << 0 << reload << u("ZU5712RA16不支持超过16k的文件!");
        QTest::newRow("9 en reload")
            << 9 << 1 << reload << u("ZU5712Ra16 Error!The size of the file exceeds 16k!");
        QTest::newRow("13 en reload") << 13 << 1 << reload << u("MCU04不支持超过15k的文件!");
    }
    void sizeMessageLanguage() {
        QFETCH(int, chip);
        QFETCH(int, language);
        QFETCH(int, kind);
        QFETCH(QString, message);
        Fixture f;
        f.shared.chipIndex = uint32_t(chip);
        f.shared.language = uint8_t(language);
        const QString file = path(QStringLiteral("big.bin"));
        QVERIFY(writeFile(file, patternImage(int(chipInfo(chip).maxImageLength) + 1)));
        f.image.lastImagePath = file;
        f.image.lastImageExtension = QStringLiteral("bin");
        if (kind == int(CheckKind::Open)) {
            QVERIFY(!f.open(file));
        } else {
            QVERIFY(f.loader.reloadBeforeFlashWrite());
            QVERIFY(!f.image.imageLoaded);
        }
        QCOMPARE(f.prompts.messages, QStringList{message});
    }

    // The reload of chips 0 to 7 checks only the upper bound.
    void reloadEmptyImage_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("3") << 3 << true;
        QTest::newRow("7") << 7 << true;
        QTest::newRow("8") << 8 << false;
        QTest::newRow("13") << 13 << false;
    }
    void reloadEmptyImage() {
        QFETCH(int, chip);
        QFETCH(bool, accepted);
        Fixture f;
        f.shared.chipIndex = uint32_t(chip);
        const QString file = path(QStringLiteral("erased.bin"));
        QVERIFY(writeFile(file, QByteArray(32, '\xFF')));
        f.image.lastImagePath = file;
        f.image.lastImageExtension = QStringLiteral("bin");
        QVERIFY(f.loader.reloadBeforeFlashWrite());
        QCOMPARE(f.image.imageLoaded, accepted);
        QCOMPARE(f.image.imageLength, 0u);
    }

    void reloadReadsFileAsItNowStands() {
        Fixture f;
        f.shared.chipIndex = 1;
        const QString file = path(QStringLiteral("edited.hex"));
        QVERIFY(
            writeFile(file, hexRecord(0, QByteArray("\x01\x02", 2)) + '\n' + kEndRecord + '\n'));
        QVERIFY(f.open(file));
        QCOMPARE(f.image.imageLength, 2u);
        // Freshly opened: no reload.
        QVERIFY(!f.loader.reloadBeforeFlashWrite());
        f.image.freshlyOpened = false;
        QVERIFY(writeFile(file,
                          hexRecord(0, QByteArray("\x01\x02\x03", 3)) + '\n' + kEndRecord + '\n'));
        QVERIFY(f.loader.reloadBeforeFlashWrite());
        QCOMPARE(f.image.imageLength, 3u);
        QCOMPARE(f.image.writeBuffer[2], uint8_t(3));
        // A file that disappeared leaves the image as it is.
        QVERIFY(QFile::remove(file));
        QVERIFY(!f.loader.reloadBeforeFlashWrite());
        QCOMPARE(f.image.imageLength, 3u);
    }

    // Reader messages come first, then the chip's size message; the buffer ends up erased.
    void refusals_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("messages");
        const QByteArray r0 = hexRecord(0, patternImage(16));
        const QString size0 = u(kSizeMessages[0]);
        QTest::newRow("not hex") << QStringLiteral("a.hex") << r0 + "\n:00000001ff\n"
                                 << QStringList{u("文件不是HEX文件！"), size0};
        QTest::newRow("type 04") << QStringLiteral("b.hex")
                                 << hexRecord(0, QByteArray(2, '\0'), 4) + '\n' + r0 + '\n' +
                                        kEndRecord + '\n'
                                 << QStringList{u("不支持超过64K的文件!"), size0};
        QByteArray bad = r0;
        bad.chop(2);
        bad += "00";
        QTest::newRow("record checksum")
            << QStringLiteral("c.hex") << r0 + '\n' + bad + '\n' + kEndRecord + '\n'
            << QStringList{u("打开的文件校验有错误！"), size0};
        QTest::newRow("missing hex") << QStringLiteral("missing.hex") << QByteArray()
                                     << QStringList{u("文件打开错误！"), size0};
        QTest::newRow("missing bin") << QStringLiteral("missing.bin") << QByteArray()
                                     << QStringList{u("Bin文件打开错误!"), size0};
        QTest::newRow("missing tk") << QStringLiteral("missing.tk") << QByteArray()
                                    << QStringList{u("tk文件打开错误!"), size0};
        QTest::newRow("unknown extension")
            << QStringLiteral("image.s19") << patternImage(16) << QStringList{size0};
        QTest::newRow("no extension")
            << QStringLiteral("image") << patternImage(16) << QStringList{size0};
        QTest::newRow("bin 65536")
            << QStringLiteral("big.bin") << patternImage(65536) << QStringList{size0};
    }
    void refusals() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QStringList, messages);
        Fixture f;
        const QString file = path(name);
        if (!name.startsWith(QLatin1String("missing")))
            QVERIFY(writeFile(file, content));
        std::fill(f.image.writeBuffer.begin(), f.image.writeBuffer.end(), uint8_t(0x5A));
        QVERIFY(!f.open(file));
        QCOMPARE(f.prompts.messages, messages);
        QCOMPARE(f.image.imageChecksum, 0u);
        QVERIFY(std::all_of(f.image.writeBuffer.begin(), f.image.writeBuffer.end(),
                            [](uint8_t b) { return b == 0xFF; }));
    }

    // Only regular files are read: a device, a FIFO without a writer, a directory, or a link
    // to /dev/zero is refused at once with the reader's open-error message.
    void specialFiles_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QString>("message");
        const QString hex = u("文件打开错误！"), bin = u("Bin文件打开错误!"),
                      tk = u("tk文件打开错误!");
        const QStringList kinds{QStringLiteral("link to /dev/zero"), QStringLiteral("fifo"),
                                QStringLiteral("directory")};
        for (const QString& kind : kinds) {
            QTest::newRow(qPrintable(kind + QLatin1String(" hex"))) << kind << "hex" << hex;
            QTest::newRow(qPrintable(kind + QLatin1String(" bin"))) << kind << "bin" << bin;
            QTest::newRow(qPrintable(kind + QLatin1String(" tk"))) << kind << "tk" << tk;
            QTest::newRow(qPrintable(kind + QLatin1String(" ntk"))) << kind << "ntk" << tk;
        }
    }
    void specialFiles() {
        QFETCH(QString, kind);
        QFETCH(QString, extension);
        QFETCH(QString, message);
        const QString file = path(QStringLiteral("special.") + extension);
        QFile::remove(file);
        QDir(file).removeRecursively();
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        } else if (kind == QLatin1String("directory")) {
            QVERIFY(QDir().mkdir(file));
        } else {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), file));
        }
        Fixture f;
        QVERIFY(!f.open(file));
        QCOMPARE(f.prompts.messages, (QStringList{message, u(kSizeMessages[0])}));
        QCOMPARE(f.image.imageLength, 0u);
        QVERIFY(std::all_of(f.image.writeBuffer.begin(), f.image.writeBuffer.end(),
                            [](uint8_t b) { return b == 0xFF; }));
    }

    // HEX text is bounded too: far more text than a 64 KiB image needs is not read.
    void hugeHexText() {
        Fixture f;
        const QString file = path(QStringLiteral("huge.hex"));
        QByteArray text = hexRecord(0, patternImage(16)) + '\n' + kEndRecord + '\n';
        text += QByteArray(4 * 1024 * 1024, ' ');
        QVERIFY(writeFile(file, text));
        QVERIFY(!f.open(file));
        QCOMPARE(f.prompts.messages, (QStringList{u("不支持超过64K的文件!"), u(kSizeMessages[0])}));
    }

    void binSizes_data() {
        QTest::addColumn<int>("size");
        QTest::addColumn<uint>("raw");
        QTest::newRow("65535 read") << 65535 << 65535u;
        QTest::newRow("65536 not read") << 65536 << 65536u;
        QTest::newRow("70000 not read") << 70000 << 70000u;
    }
    void binSizes() {
        QFETCH(int, size);
        QFETCH(uint, raw);
        Fixture f;
        const QString file = path(QStringLiteral("size.bin"));
        QVERIFY(writeFile(file, patternImage(size)));
        QCOMPARE(f.loader.loadImageFile(file, QStringLiteral("bin")), raw);
        const bool read = size <= 65535;
        QCOMPARE(f.image.writeBuffer[1] != 0xFF, read);
        // Too long to read: the length stays above every bound, also for the reload check.
        QCOMPARE(f.loader.trimmedLength(raw), read ? 65535u : raw);
        f.image.imageLength = f.loader.trimmedLength(raw);
        f.shared.chipIndex = 10;
        QVERIFY(!f.loader.checkImageSize(CheckKind::Reload));
        f.shared.chipIndex = 3;
        QVERIFY(!f.loader.checkImageSize(CheckKind::Reload));
    }

    void upperCaseExtensions_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("extension");
        QTest::newRow("HEX") << QStringLiteral("IMAGE.HEX") << QStringLiteral("hex");
        QTest::newRow("Hex") << QStringLiteral("image.v2.Hex") << QStringLiteral("hex");
        QTest::newRow("BIN") << QStringLiteral("IMAGE.BIN") << QStringLiteral("bin");
    }
    void upperCaseExtensions() {
        QFETCH(QString, name);
        QFETCH(QString, extension);
        Fixture f;
        const QByteArray image = patternImage(40);
        const QString file = path(name);
        QVERIFY(writeFile(file, extension == QLatin1String("hex")
                                    ? hexRecord(0, image) + '\n' + kEndRecord + '\n'
                                    : image));
        QVERIFY(f.open(file));
        QCOMPARE(f.image.lastImageExtension, extension);
        QCOMPARE(f.image.lastImagePath, file);
        QCOMPARE(f.image.imageLength, 40u);
        QCOMPARE(f.effects.calls.contains(QStringLiteral("hexLoaded")),
                 extension == QLatin1String("hex"));
        QVERIFY(f.prompts.lastFilter.contains(QStringLiteral("*.HEX")));
        QVERIFY(f.prompts.lastFilter.contains(QStringLiteral("*.mtk")));
    }

    // For chips 5 and 7 the EEPROM image at 0x9000 is erased by every load.
    void eepromAreaReset_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("name");
        QTest::newRow("5 hex") << 5 << QStringLiteral("e.hex");
        QTest::newRow("7 bin") << 7 << QStringLiteral("e.bin");
        QTest::newRow("7 refused hex") << 7 << QStringLiteral("e.hex");
    }
    void eepromAreaReset() {
        QFETCH(int, chip);
        QFETCH(QString, name);
        Fixture f;
        f.shared.chipIndex = uint32_t(chip);
        const bool refused = QByteArray(QTest::currentDataTag()).contains("refused");
        const QByteArray image = patternImage(32);
        const QString file = path(name);
        const QByteArray hex =
            hexRecord(0, image) + '\n' + (refused ? QByteArray(":00000001ff") : kEndRecord) + '\n';
        QVERIFY(writeFile(file, name.endsWith(QLatin1String("hex")) ? hex : image));
        std::fill(f.image.writeBuffer.begin() + 0x9000, f.image.writeBuffer.begin() + 0x9800,
                  uint8_t(0x33));
        QCOMPARE(f.open(file), !refused);
        QVERIFY(std::all_of(f.image.writeBuffer.begin() + 0x9000,
                            f.image.writeBuffer.begin() + 0x9800,
                            [](uint8_t b) { return b == 0xFF; }));
    }

    void cancelChangesNothing() {
        Fixture f;
        const QString file = path(QStringLiteral("keep.bin"));
        QVERIFY(writeFile(file, patternImage(20)));
        QVERIFY(f.open(file));
        f.image.freshlyOpened = false;
        f.effects.calls.clear();
        f.prompts.openAnswers.clear();
        f.loader.openImage();
        QCOMPARE(f.image.freshlyOpened, false);
        QCOMPARE(f.image.lastImagePath, file);
        QCOMPARE(f.image.imageLength, 20u);
        QVERIFY(f.image.imageLoaded);
        QCOMPARE(f.effects.calls,
                 (QStringList{QStringLiteral("openStarted"), QStringLiteral("openFinished")}));
    }
};

QTEST_GUILESS_MAIN(TestImageLoader)
#include "tst_imageloader.moc"
