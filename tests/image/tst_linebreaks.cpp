// Line-end translation before the HEX reader: CR LF becomes LF, every other byte stays.
#include "image/imageformat.h"

#include <QTest>

using tessel::crlfToLf;

class TestLineBreaks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void translate_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("no line ends") << QByteArray(":00000001FF") << QByteArray(":00000001FF");
        QTest::newRow("lone CR kept") << QByteArray("a\rb") << QByteArray("a\rb");
        QTest::newRow("CR at the very end kept") << QByteArray("ab\r") << QByteArray("ab\r");
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\nb") << QByteArray("a\r\nb");
        QTest::newRow("LF CR") << QByteArray("a\n\rb") << QByteArray("a\n\rb");
        QTest::newRow("only CR LF") << QByteArray("\r\n\r\n") << QByteArray("\n\n");
        QTest::newRow("NUL bytes kept") << QByteArray("a\0\r\nb", 5) << QByteArray("a\0\nb", 4);
    }
    void translate() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, expected);
        QCOMPARE(crlfToLf(text), expected);
    }
};

QTEST_APPLESS_MAIN(TestLineBreaks)
#include "tst_linebreaks.moc"
