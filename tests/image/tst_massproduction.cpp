#include "app/chipcatalogue.h"
#include "app/prompts.h"
#include "app/sharedstate.h"
#include "image/imageloader.h"
#include "image/imagestate.h"
#include "image/massproduction.h"
#include "image/massproductionwriter.h"
#include "imagetestutil.h"

#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <algorithm>

using namespace tessel;
using namespace tessel::test;

namespace {

QString u(const char* s) {
    return QString::fromUtf8(s);
}

const QDateTime kClock(QDate(2019, 8, 20), QTime(1, 5, 7), QTimeZone::utc());

struct Fixture {
    SharedState shared;
    ImageState image;
    RecordingLog log;
    ScriptedPrompts prompts;
    RecordingEffects effects;
    ImageLoader loader{shared, image, log, prompts, effects};
    MassProductionWriter writer{shared, image, log, prompts, [] { return kClock; }};

    bool open(const QString& path) {
        prompts.openAnswers = QStringList{path};
        loader.openImage();
        return image.imageLoaded;
    }
};

QByteArray bytes(std::initializer_list<char> list) {
    return QByteArray(list.begin(), qsizetype(list.size()));
}

QByteArray eepromPattern() {
    QByteArray e(int(kFlashEepromImageSize), '\0');
    for (int i = 0; i < e.size(); ++i)
        e[i] = char(0xA0 ^ (i & 0x3F));
    return e;
}

}  // namespace

class TestMassProduction : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // Write a file for every chip, check its bytes, read it back with another chip selected.
    void roundTrip_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<QByteArray>("trailer");  // after the image, pad and EEPROM image
        QTest::addColumn<int>("pad");
        for (int chip = 0; chip < kChipCount; ++chip) {
            QByteArray trailer;
            const char ic = char(chip);
            if (chip == 0) {
                trailer = bytes({ic, '\xC3', '\x5A', ic});
            } else if (chip == 5 || chip == 7) {
                continue;  // rows of their own below
            } else if (chip >= 10 && chip <= 12) {
                trailer = bytes({ic, '\x00', ic});
            } else {
                trailer = bytes({ic, '\x5A', ic});
            }
            QTest::newRow(qPrintable(QStringLiteral("chip %1").arg(chip)))
                << chip << 0x321 << 2 << QStringLiteral(".tk") << trailer << 0;
        }
        QTest::newRow("chip 7 0x1230") << 7 << 0x1230 << 2 << QStringLiteral(".tk")
                                       << QByteArray("\x07\x5A\x12\x30\x07", 5) << 16;
        QTest::newRow("chip 5 0x1231") << 5 << 0x1231 << 2 << QStringLiteral(".tk")
                                       << QByteArray("\x05\x5A\x12\x31\x05", 5) << 15;
        QTest::newRow("chip 5 0x3FC0") << 5 << 0x3FC0 << 2 << QStringLiteral(".tk")
                                       << QByteArray("\x05\x5A\x3F\xC0\x05", 5) << 16;
        QTest::newRow("chip 7 0x77C0") << 7 << 0x77C0 << 2 << QStringLiteral(".tk")
                                       << QByteArray("\x07\x5A\x77\xC0\x07", 5) << 16;
        QTest::newRow("chip 10 mtk")
            << 10 << 0x100 << 0 << QStringLiteral(".mtk") << QByteArray("\x0A\x01\x0A", 3) << 0;
        QTest::newRow("chip 11 ntk")
            << 11 << 0x100 << 1 << QStringLiteral(".ntk") << QByteArray("\x0B\x10\x0B", 3) << 0;
        QTest::newRow("chip 12 largest")
            << 12 << 0x8000 << 2 << QStringLiteral(".tk") << QByteArray("\x0C\x00\x0C", 3) << 0;
        QTest::newRow("chip 10 largest")
            << 10 << 0xFC00 << 1 << QStringLiteral(".ntk") << QByteArray("\x0A\x10\x0A", 3) << 0;
    }
    void roundTrip() {
        QFETCH(int, chip);
        QFETCH(int, length);
        QFETCH(int, mode);
        QFETCH(QString, extension);
        QFETCH(QByteArray, trailer);
        QFETCH(int, pad);
        const bool withEeprom = chip == 5 || chip == 7;

        Fixture f;
        f.shared.chipIndex = uint32_t(chip);
        const QByteArray image = patternImage(length, chip);
        const QString source = path(QStringLiteral("src.bin"));
        QVERIFY(writeFile(source, image));
        QVERIFY(f.open(source));
        const QByteArray eeprom = eepromPattern();
        if (withEeprom)
            std::copy(eeprom.begin(), eeprom.end(), f.image.writeBuffer.begin() + 0x9000);
        const std::vector<uint8_t> bufferBefore = f.image.writeBuffer;

        const QString base = path(QStringLiteral("out%1").arg(chip));
        f.prompts.saveAnswers = QStringList{base};
        QVERIFY(f.writer.createMassProductionFile(0x5A, 0xC3, mode));
        QCOMPARE(f.writer.writtenPath(), base + extension);
        QCOMPARE(f.prompts.lastFilter, QStringLiteral("Save Files (*%1)").arg(extension));
        // The image itself is untouched; only imageLoaded is cleared.
        QVERIFY(!f.image.imageLoaded);
        QCOMPARE(f.image.imageLength, uint32_t(length));
        QVERIFY(f.image.writeBuffer == bufferBefore);

        const QByteArray file = readFile(base + extension);
        QByteArray expected = image;
        if (withEeprom)
            expected += QByteArray(pad, '\xFF') + eeprom;
        expected += trailer;
        QCOMPARE(file.size(), expected.size());
        QVERIFY(file == expected);

        // Read it back under another chip name, as ".tk" whatever it was written as.
        Fixture g;
        g.shared.chipIndex = chip == 3 ? 0 : 3;
        std::fill(g.image.writeBuffer.begin() + 0x9000, g.image.writeBuffer.end(), uint8_t(0));
        const QString renamed = path(QStringLiteral("renamed.tk"));
        QVERIFY(writeFile(renamed, file));
        QVERIFY(g.open(renamed));
        QCOMPARE(int(g.shared.chipIndex.load()), chip);
        QCOMPARE(g.image.imageLength, uint32_t(length));
        QVERIFY(QByteArray(reinterpret_cast<const char*>(g.image.writeBuffer.data()), length) ==
                image);
        // Pad, EEPROM copy and trailer do not stay behind the image.
        for (uint32_t i = uint32_t(length); i < kFlashBufferSize; ++i) {
            if (withEeprom && i >= 0x9000 && i < 0x9800)
                continue;
            if (g.image.writeBuffer[i] != 0xFF)
                QFAIL(qPrintable(QString::number(i, 16)));
        }
        if (withEeprom) {
            QVERIFY(QByteArray(reinterpret_cast<const char*>(g.image.writeBuffer.data()) + 0x9000,
                               eeprom.size()) == eeprom);
        } else {
            QCOMPARE(g.image.writeBuffer[0x9000],
                     length > 0x9000 ? uint8_t(image[0x9000]) : uint8_t(0xFF));
        }
        QCOMPARE(g.image.fileModeSelection, chip >= 10 && chip <= 12 ? mode : 2);

        QStringList calls{QStringLiteral("openStarted"),
                          QStringLiteral("chipSelected %1").arg(chip)};
        // The KR5815 family carries a mode instead of a configuration byte.
        if (chip >= 1 && chip <= 9)
            calls << QStringLiteral("config %1 0x5a").arg(chip);
        if (chip >= 10 && chip <= 12)
            calls << QStringLiteral("config %1 0x00").arg(chip);
        calls << QStringLiteral("combo %1").arg(chip);
        if (withEeprom)
            calls << QStringLiteral("eeprom");
        calls << QStringLiteral("openFinished");
        QCOMPARE(g.effects.calls, calls);

        QCOMPARE(g.log.lines.value(0), u("打开TK文件，信息如下："));
        QVERIFY(g.log.lines.value(1).startsWith(QStringLiteral("IC_type = %1，").arg(chip)));
        const bool cfgLine = chip != 0 && !(chip >= 10 && chip <= 12);
        QCOMPARE(g.log.lines.value(2) == QStringLiteral("CFG0 = 0x5a"), cfgLine);
        QCOMPARE(g.log.lines.size(), cfgLine ? 4 : 3);  // the checksum line ends it
    }

    void defaultNames_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QDateTime>("utc");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0 << 2 << kClock << u("KR4121量产_0x1a2b3c4d_2019_08_20_09_05_07");
        QTest::newRow("1") << 1 << 2 << kClock
                           << u("KR4111量产_0x1a2b3c4d_0x5f_2019_08_20_09_05_07");
        QTest::newRow("5") << 5 << 2 << kClock
                           << u("KR4115_4156_4117量产_0x1a2b3c4d_0x5f_2019_08_20_09_05_07");
        QTest::newRow("9") << 9 << 2 << kClock
                           << u("ZU5712RA16 MP_0x1a2b3c4d_0x5f_2019_08_20_09_05_07");
        QTest::newRow("11") << 11 << 0 << kClock
                            << u("Velkor_KR5815_0x1A2B3C4D_2019_08_20_09_05_07");
        QTest::newRow("13") << 13 << 2 << kClock
                            << u("Velkor_VE5812DUZI MP_0x1A2B3C4D_0x5F_2019_08_20_09_05_07");
        QTest::newRow("new year in UTC+8")
            << 6 << 2 << QDateTime(QDate(2019, 12, 31), QTime(20, 0, 0), QTimeZone::utc())
            << u("KR4115W_4113量产_0x1a2b3c4d_0x5f_2020_01_01_04_00_00");
        QTest::newRow("local time given")
            << 2 << 2 << QDateTime(QDate(2019, 8, 20), QTime(3, 5, 7), QTimeZone(7200))
            << u("KR4112量产_0x1a2b3c4d_0x5f_2019_08_20_09_05_07");
    }
    void defaultNames() {
        QFETCH(int, chip);
        QFETCH(int, mode);
        QFETCH(QDateTime, utc);
        QFETCH(QString, name);
        ImageState image;
        image.imageLength = 0x10;
        image.imageChecksum = 0x1a2b3c4d;
        const TkBuild b = buildMassProductionFile(image, chip, 0x5F, 0, mode, utc);
        QCOMPARE(b.defaultName, name);
    }

    // Every file written stays short enough to be read back.
    void largestFile_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<uint>("length");
        QTest::addColumn<bool>("fits");
        QTest::newRow("1 65535 bytes") << 1 << 65532u << true;
        QTest::newRow("1 65536 bytes") << 1 << 65533u << false;
        QTest::newRow("0 65535 bytes") << 0 << 65531u << true;
        QTest::newRow("7 65525 bytes") << 7 << 63471u << true;   // pad 1
        QTest::newRow("7 65541 bytes") << 7 << 63472u << false;  // pad 16
    }
    void largestFile() {
        QFETCH(int, chip);
        QFETCH(uint, length);
        QFETCH(bool, fits);
        ImageState image;
        image.imageLength = length;
        const TkBuild b = buildMassProductionFile(image, chip, 0, 0, 2, kClock);
        QCOMPARE(b.fits, fits);
        if (fits) {
            QCOMPARE(b.content.size(), chip == 7 ? 65525 : 65535);
        }
    }

    void messages_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QString>("box");
        QTest::newRow("zh") << 0
                            << QStringList{u("正在生成TK文件，命名如下："),
                                           QStringLiteral("@PATH@.tk"), u("TK文件已生成！")}
                            << u("TK文件已生成！");
        QTest::newRow("en") << 1
                            << QStringList{QStringLiteral("creating *.tk:"),
                                           QStringLiteral("named.tk"), u("TK file is created！")}
                            << u("TK file is created！");
    }
    void messages() {
        QFETCH(int, language);
        QFETCH(QStringList, log);
        QFETCH(QString, box);
        Fixture f;
        f.shared.language = uint8_t(language);
        f.shared.chipIndex = 1;
        const QString src = path(QStringLiteral("m.bin"));
        QVERIFY(writeFile(src, patternImage(8)));
        QVERIFY(f.open(src));
        f.log.lines.clear();
        const QString chosen = path(QStringLiteral("named"));
        f.prompts.saveAnswers = QStringList{chosen};
        QVERIFY(f.writer.createMassProductionFile(1, 0, 2));
        log.replaceInStrings(QStringLiteral("@PATH@"), chosen);  // the file written
        QCOMPARE(f.log.lines, log);
        QCOMPARE(f.prompts.messages, QStringList{box});
        QCOMPARE(f.prompts.lastSaveDefaultName,
                 u("KR4111量产_0x%1_0x01_2019_08_20_09_05_07")
                     .arg(f.image.imageChecksum, 8, 16, QLatin1Char('0')));
    }

    // A name typed with its extension is not given it twice; the log names the file written.
    void typedExtension_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("without") << 1 << 2 << QStringLiteral("line3") << QStringLiteral("line3.tk");
        QTest::newRow("with .tk") << 1 << 2 << QStringLiteral("line3.tk")
                                  << QStringLiteral("line3.tk");
        QTest::newRow("upper case")
            << 1 << 2 << QStringLiteral("line3.TK") << QStringLiteral("line3.TK");
        QTest::newRow("other kind")
            << 1 << 2 << QStringLiteral("line3.ntk") << QStringLiteral("line3.ntk.tk");
        QTest::newRow("mtk mode") << 10 << 0 << QStringLiteral("a.mtk") << QStringLiteral("a.mtk");
        QTest::newRow("ntk mode") << 11 << 1 << QStringLiteral("b.tk")
                                  << QStringLiteral("b.tk.ntk");
    }
    void typedExtension() {
        QFETCH(int, chip);
        QFETCH(int, mode);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        Fixture f;
        f.shared.chipIndex = uint32_t(chip);
        const QString src = path(QStringLiteral("t.bin"));
        QVERIFY(writeFile(src, patternImage(16)));
        QVERIFY(f.open(src));
        f.log.lines.clear();
        f.prompts.saveAnswers = QStringList{path(typed)};
        QVERIFY(f.writer.createMassProductionFile(1, 0, mode));
        QCOMPARE(f.writer.writtenPath(), path(written));
        QVERIFY(QFile::exists(path(written)));
        QVERIFY(written == typed || !QFile::exists(path(typed)));
        QCOMPARE(f.log.lines.value(1), path(written));
        QFile::remove(path(written));
    }

    void createRefusals_data() {
        QTest::addColumn<int>("what");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("loadedAfter");
        QTest::newRow("not loaded zh") << 0 << 0 << u("请先打开待转换的Hex文件！") << false;
        QTest::newRow("not loaded en")
            << 0 << 1 << u("Please open the file to be converted!") << false;
        QTest::newRow("cancel zh") << 1 << 0 << u("请选择保存路径！") << false;
        QTest::newRow("cancel en") << 1 << 1 << u("Please choose the file path!") << false;
        QTest::newRow("cannot create zh") << 2 << 0 << u("未能创建TK文件！") << false;
        QTest::newRow("cannot create en") << 2 << 1 << u("Create *.tk failed !") << false;
        QTest::newRow("past 64K zh") << 3 << 0 << u("生成的TK文件将超过64K，未能生成！") << false;
        QTest::newRow("past 64K") << 3 << 1 << u("The *.tk file would exceed 64K, not created!")
                                  << false;
    }
    void createRefusals() {
        QFETCH(int, what);
        QFETCH(int, language);
        QFETCH(QString, message);
        QFETCH(bool, loadedAfter);
        Fixture f;
        f.shared.language = uint8_t(language);
        f.shared.chipIndex = 10;
        f.image.imageLoaded = what != 0;
        f.image.imageLength = what == 3 ? 0xFC00 : 0x20;
        if (what == 3)
            f.shared.chipIndex = 7;  // chip changed after a large image was loaded
        if (what == 2)
            f.prompts.saveAnswers = QStringList{path(QStringLiteral("no/such/dir/x"))};
        if (what == 3)
            f.prompts.saveAnswers = QStringList{path(QStringLiteral("never"))};
        QVERIFY(!f.writer.createMassProductionFile(0, 0, 2));
        QCOMPARE(f.prompts.messages, QStringList{message});
        QCOMPARE(f.image.imageLoaded, loadedAfter);
        QVERIFY(f.log.lines.isEmpty());
        QVERIFY(!QFile::exists(path(QStringLiteral("never.tk"))));
    }

    void readRefusals_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        const QString notTk = u("文件不是TK文件！");
        const QString broken = u("TK文件内容错误，请重新生成！");
        const QByteArray img = patternImage(64);
        QTest::newRow("empty") << QByteArray() << notTk;
        QTest::newRow("three bytes") << QByteArray("\x01\x22\x01", 3) << notTk;
        QTest::newRow("last byte 14") << img + QByteArray("\x0E\x00\x0E", 3) << notTk;
        QTest::newRow("last byte 255") << img + QByteArray("\x01\x00\xFF", 3) << notTk;
        QTest::newRow("3 with third-last 4") << img + QByteArray("\x04\x00\x03", 3) << broken;
        QTest::newRow("0 with fourth-last 1") << img + QByteArray("\x01\x00\x00\x00", 4) << broken;
        QTest::newRow("7 with fifth-last 5")
            << img + QByteArray("\x05\x00\x00\x40\x07", 5) << broken;
        QTest::newRow("5 with L0 0")
            << img + QByteArray(2048, '\1') + QByteArray("\x05\x00\x00\x00\x05", 5) << broken;
        QTest::newRow("7 EEPROM past trailer")
            << img + QByteArray(2048, '\1') + QByteArray("\x07\x00\x00\x41\x07", 5) << broken;
        QTest::newRow("7 L0 far out")
            << img + QByteArray(2048, '\1') + QByteArray("\x07\x00\xFF\xF0\x07", 5) << broken;
    }
    void readRefusals() {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        Fixture f;
        f.shared.chipIndex = 2;
        const QString file = path(QStringLiteral("bad.tk"));
        QVERIFY(writeFile(file, content));
        QVERIFY(!f.open(file));
        QCOMPARE(f.prompts.messages, (QStringList{message, u("KR4112A不支持超过32k的文件!")}));
        QCOMPARE(f.log.lines, QStringList{u("打开TK文件，信息如下：")});
        QCOMPARE(int(f.shared.chipIndex.load()), 2);
        QCOMPARE(f.effects.calls,
                 (QStringList{QStringLiteral("openStarted"), QStringLiteral("openFinished")}));
        QVERIFY(std::all_of(f.image.writeBuffer.begin(), f.image.writeBuffer.end(),
                            [](uint8_t b) { return b == 0xFF; }));
    }

    void oversizeFileNotRead() {
        Fixture f;
        const QString file = path(QStringLiteral("huge.mtk"));
        QVERIFY(writeFile(file, patternImage(65536)));
        QVERIFY(!f.open(file));
        QCOMPARE(f.prompts.messages, QStringList{u("KR4121A不支持超过16k的文件!")});
        QVERIFY(f.log.lines.isEmpty());
        QCOMPARE(f.image.writeBuffer[0], uint8_t(0xFF));
    }

    // The smallest well-formed EEPROM file: image, pad, EEPROM image, trailer, nothing else.
    void eepromFileExactFit() {
        Fixture f;
        QByteArray content = patternImage(0x20) + QByteArray(16, '\xFF') + eepromPattern();
        content += QByteArray("\x05\x11\x00\x20\x05", 5);
        const QString file = path(QStringLiteral("fit.ntk"));
        QVERIFY(writeFile(file, content));
        QVERIFY(f.open(file));
        QCOMPARE(f.image.imageLength, 0x20u);
        QCOMPARE(int(f.shared.chipIndex.load()), 5);
        QCOMPARE(f.log.lines.mid(1, 2), (QStringList{u("IC_type = 5，芯片为KR4115/56/17系列"),
                                                     QStringLiteral("CFG0 = 0x11")}));
    }

    // An existing file is replaced only when the user agrees; declining returns to the dialog.
    void overwritePrompt_data() {
        QTest::addColumn<bool>("agree");
        QTest::addColumn<QString>("written");
        QTest::newRow("replace") << true << "keep.tk";
        QTest::newRow("decline, other name") << false << "other.tk";
    }
    void overwritePrompt() {
        QFETCH(bool, agree);
        QFETCH(QString, written);
        Fixture f;
        f.shared.chipIndex = 1;
        QVERIFY(writeFile(path(QStringLiteral("o.bin")), patternImage(8)));
        QVERIFY(writeFile(path(QStringLiteral("keep.tk")), QByteArray("old")));
        QFile::remove(path(QStringLiteral("other.tk")));
        QVERIFY(f.open(path(QStringLiteral("o.bin"))));
        f.prompts.overwriteAnswer = agree;
        f.prompts.saveAnswers =
            QStringList{path(QStringLiteral("keep")), path(QStringLiteral("other"))};
        QVERIFY(f.writer.createMassProductionFile(1, 0, 2));
        QCOMPARE(f.prompts.overwriteQuestions,
                 QStringList{u("%1 已存在。\n要替换它吗？").arg(path(QStringLiteral("keep.tk")))});
        QCOMPARE(readFile(path(written)).size(), 8 + 3);
        QCOMPARE(readFile(path(QStringLiteral("keep.tk"))).size(), agree ? 11 : 3);
    }

    // A created file can be read and immediately written again, here with another mode.
    void rewriteWithOtherMode() {
        Fixture f;
        f.shared.chipIndex = 11;
        QVERIFY(writeFile(path(QStringLiteral("r.bin")), patternImage(300)));
        QVERIFY(f.open(path(QStringLiteral("r.bin"))));
        f.prompts.saveAnswers = QStringList{path(QStringLiteral("first"))};
        QVERIFY(f.writer.createMassProductionFile(0, 0, 1));
        QVERIFY(f.open(path(QStringLiteral("first.ntk"))));
        QCOMPARE(f.image.fileModeSelection, 1);
        f.prompts.saveAnswers = QStringList{path(QStringLiteral("second"))};
        QVERIFY(f.writer.createMassProductionFile(0, 0, 0));
        const QByteArray second = readFile(path(QStringLiteral("second.mtk")));
        QCOMPARE(second.size(), 303);
        QCOMPARE(second.right(3), QByteArray("\x0B\x01\x0B", 3));
        QVERIFY(second.left(300) == patternImage(300));
    }
};

QTEST_GUILESS_MAIN(TestMassProduction)
#include "tst_massproduction.moc"
