// How long reading an image takes, as the "打开文件" button reads it: a 64 KiB Intel HEX file
// (16 data bytes a record) and a mass-production file holding the largest image (chip 10).
#include "app/prompts.h"
#include "app/sharedstate.h"
#include "image/imageformat.h"
#include "image/imageloadeffects.h"
#include "image/imageloader.h"
#include "image/imagestate.h"
#include "image/massproduction.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace tessel;

namespace {

QByteArray hexText(int length) {
    QByteArray text;
    for (int a = 0; a < length; a += 16) {
        uint8_t sum = 16 + (a >> 8) + (a & 0xFF);
        QByteArray line =
            QByteArray(":10") + QByteArray::number(a, 16).rightJustified(4, '0') + "00";
        for (int i = 0; i < 16; ++i) {
            const uint8_t b = static_cast<uint8_t>((a + i) * 7 + 3);
            sum += b;
            line += QByteArray::number(b, 16).rightJustified(2, '0');
        }
        line += QByteArray::number(static_cast<uint8_t>(-sum), 16).rightJustified(2, '0');
        text += line.toUpper() + "\r\n";
    }
    return text + ":00000001FF\r\n";
}

}  // namespace

class BenchImage : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private Q_SLOTS:
    void read_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("read 64 KiB image: Intel HEX")
            << QStringLiteral("image.hex") << hexText(0x10000);

        ImageState image;
        for (int i = 0; i < 0xFC00; ++i)
            image.writeBuffer[i] = static_cast<uint8_t>(i * 7 + 3);
        image.imageLength = 0xFC00;
        image.imageChecksum = computeChecksum(image.writeBuffer.data(), image.imageLength);
        image.imageLoaded = true;
        const TkBuild tk =
            buildMassProductionFile(image, 10, 0x00, 0x00, 0, QDateTime::currentDateTimeUtc());
        QVERIFY(tk.fits);
        QTest::newRow("read 64 KiB image: mass-production file, 64 512 bytes")
            << (QStringLiteral("image") + tk.extension) << tk.content;
    }

    void read() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        const QString path = dir_.filePath(name);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(content), content.size());
        f.close();

        SharedState shared;
        shared.chipIndex = 10;
        ImageState image;
        RecordingLog log;
        ScriptedPrompts prompts;
        ImageLoadEffects effects;
        ImageLoader loader(shared, image, log, prompts, effects);
        const QString extension = ImageLoader::extensionOf(path).toLower();
        uint32_t length = 0;
        QBENCHMARK {
            length = loader.loadImageFile(path, extension);
        }
        QVERIFY(length >= 0xFC00);
        QVERIFY(prompts.messages.isEmpty());
    }
};

QTEST_GUILESS_MAIN(BenchImage)
#include "bench_image.moc"
