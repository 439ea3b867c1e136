// The program's drawn pictures: each one's size at normal and doubled pixel density, the
// wiring diagrams' opaque background, and the program icon's sizes and SVG.
#include "res/artwork.h"
#include "res/wiring.h"

#include <QTest>

using namespace tessel;

class ArtworkTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pictureSizes_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QSize>("size");
        const std::pair<int, QSize> rows[] = {
            {142, {20, 20}},   {143, {20, 20}},   {144, {20, 20}},   {150, {484, 333}},
            {151, {484, 333}}, {152, {484, 333}}, {153, {484, 333}}, {154, {484, 333}},
            {155, {484, 333}}, {156, {484, 333}}, {157, {484, 333}}, {159, {484, 333}},
            {162, {160, 48}},  {164, {484, 333}}, {165, {484, 333}}, {166, {484, 333}},
            {167, {484, 333}}, {168, {96, 48}},   {169, {96, 48}},   {171, {96, 48}},
            {178, {484, 333}}, {179, {484, 333}}, {182, {48, 24}},   {183, {48, 24}},
            {190, {484, 333}}, {192, {484, 333}}, {194, {484, 333}},
        };
        for (const auto& [id, size] : rows)
            QTest::newRow(QByteArray::number(id)) << id << size;
    }

    void pictureSizes() {
        QFETCH(int, id);
        QFETCH(QSize, size);
        QVERIFY(artwork::pictureIds().contains(id));
        for (qreal dpr : {1.0, 2.0}) {
            const QPixmap pm = artwork::picture(id, dpr);
            QVERIFY(!pm.isNull());
            QCOMPARE(pm.deviceIndependentSize().toSize(), size);
            QCOMPARE(pm.size(), size * dpr);
        }
    }

    void everyIdIsListed() {
        QCOMPARE(artwork::pictureIds().size(), 27);
        QVERIFY(artwork::picture(158, 1).isNull());
        QVERIFY(artwork::picture(0, 1).isNull());
        QVERIFY(artwork::wiringPicture(159, 1).isNull());
    }

    void diagramsAreOpaqueAndDiffer() {
        QSet<qint64> seen;
        for (const wiring::Diagram& d : wiring::kDiagrams) {
            const QImage img = artwork::wiringPicture(d.resourceId, 1).toImage();
            QVERIFY(!img.hasAlphaChannel());
            QCOMPARE(img.pixelColor(483, 332), QColor(Qt::white));
            // Each diagram is its own drawing, not a copy of another one.
            QByteArray bytes(reinterpret_cast<const char*>(img.constBits()), img.sizeInBytes());
            seen.insert(qHash(bytes));
        }
        QCOMPARE(seen.size(), 17);
    }

    void connectorPinOrder() {
        const QStringList pins{QStringLiteral("TXD"), QStringLiteral("GND"), QStringLiteral("RXD"),
                               QStringLiteral("VCC"), QStringLiteral("VPP"), QStringLiteral("PGC"),
                               QStringLiteral("GND"), QStringLiteral("PGD")};
        for (int i = 0; i < 8; ++i)
            QCOMPARE(QString::fromLatin1(wiring::kConnectorPins[i]), pins[i]);
    }

    void iconSizes_data() {
        QTest::addColumn<int>("size");
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
            QTest::newRow(QByteArray::number(size)) << size;
    }

    void iconSizes() {
        QFETCH(int, size);
        const QImage img = artwork::iconImage(size);
        QCOMPARE(img.size(), QSize(size, size));
        QCOMPARE(img.pixelColor(0, 0).alpha(), 0);                       // transparent corner
        QCOMPARE(img.pixelColor(size / 2, size / 2), QColor(0xffb020));  // the touched key
        QVERIFY(artwork::appIcon().availableSizes().contains(QSize(size, size)));
    }

    void iconSvg() {
        const QByteArray svg = artwork::iconSvg();
        QVERIFY(svg.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg "));
        QVERIFY(svg.contains("viewBox=\"0 0 64 64\""));
        QCOMPARE(svg.count("<rect "), 10);
        QVERIFY(svg.contains(
            "<rect x=\"4\" y=\"4\" width=\"56\" height=\"56\" rx=\"10\" fill=\"#1f6fb2\"/>"));
        QVERIFY(svg.endsWith("</svg>\n"));
    }
};

QTEST_MAIN(ArtworkTest)
#include "tst_artwork.moc"
