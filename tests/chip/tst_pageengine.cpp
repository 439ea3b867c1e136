// The page engine on a small page of its own: masking, set and clear bits, keys in two
// sections, variants, entry fields and the restricted view.
#include "pagetest.h"

#include <QTest>

using namespace tessel;
using namespace tessel::chip;
using namespace chiptest;

namespace {

const PageDesc& samplePage() {
    static const PageDesc d = [] {
        PageDesc p;
        p.className = QStringLiteral("Sample");
        p.caption = QStringLiteral("sample");
        p.section = QStringLiteral("SAMPLECFGS");
        p.section2 = QStringLiteral("SAMPLEADTS");
        p.words = {word(0, "W0", "m_n_W0", 0x0F, kRestrictedVisible), word(1, "W1", "m_n_W1", 0)};
        p.words[1].sectionSlot = 1;
        p.fields = {
            listField("low", 0, 2, 1, texts({"a", "b", "c", "d"}), "m_low", 1)
                .clearing(0x80)
                .setting(0x01),
            listField("table", 1, 5, 4, texts({"x", "y"}), "m_table", 0).with(tableCodec({1, 2})),
            hexField("edit", 1, 3, 0),
        };
        p.fields[1].sectionSlot = 1;
        p.keyOrder = texts({"m_table", "m_n_W1", "m_low", "m_n_W0"});
        Variant v;
        v.chip = 5;
        v.section = QStringLiteral("FIVECFGS");
        v.section2 = QStringLiteral("FIVEADTS");
        v.defaults = {{QStringLiteral("m_n_W0"), 0x33}};
        p.variants = {v};
        p.writeOrder = {1, 0};
        return p;
    }();
    return d;
}

}  // namespace

class PageEngineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesAreMaskedToTheField_data() {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expected");
        QTest::newRow("keeps others") << 0x7F << 0 << 0x79;
        QTest::newRow("clears 7 sets 0") << 0x80 << 3 << 0x07;
        QTest::newRow("zero") << 0x00 << 2 << 0x05;
    }
    void writesAreMaskedToTheField() {
        QFETCH(int, start);
        QFETCH(int, index);
        QFETCH(int, expected);
        ProfileFile file;
        file.write("[SAMPLECFGS]\nm_n_W0=" + QByteArray::number(start) + "\n");
        PageModel page(samplePage(), file.profile());
        page.initialise(0);
        QVERIFY(page.choose(QStringLiteral("low"), index));
        QCOMPARE(int(page.word(0)), expected);
    }

    void restrictedViewAndOrders() {
        ProfileFile file;
        PageModel page(samplePage(), file.profile());
        page.initialise(0);
        QVERIFY(!page.choose(QStringLiteral("table"), 1));  // hidden
        page.setFullView(true);
        QVERIFY(page.choose(QStringLiteral("table"), 1));
        QVERIFY(page.setEditText(page.fieldIndex(QStringLiteral("edit")), QStringLiteral("1f")));
        QCOMPARE(hex(page.cfgBytes()), QStringLiteral("0f 2f"));
        QCOMPARE(hex(page.writeWords()), QStringLiteral("2f 0f"));
    }

    void keysLiveInTwoSections() {
        ProfileFile file;
        PageModel page(samplePage(), file.profile());
        page.initialise(5);
        QCOMPARE(int(page.word(0)), 0x33);  // the variant's default
        page.setFullView(true);
        QVERIFY(page.choose(QStringLiteral("table"), 0));
        QVERIFY(page.saveToProfile());
        QCOMPARE(file.keys(QStringLiteral("FIVEADTS")), texts({"m_table", "m_n_W1"}));
        QCOMPARE(file.keys(QStringLiteral("FIVECFGS")), texts({"m_low", "m_n_W0"}));
        QCOMPARE(file.value(QStringLiteral("FIVEADTS"), "m_n_W1"), 0x10);

        file.write("[SAMPLEADTS]\nm_table=1\nm_n_W1=32\n[SAMPLECFGS]\nm_table=0\n");
        page.loadFromProfile(0);
        QCOMPARE(page.selection(page.fieldIndex(QStringLiteral("table"))), 1);
        QCOMPARE(int(page.word(1)), 32);
        QCOMPARE(page.editText(page.fieldIndex(QStringLiteral("edit"))), QStringLiteral("20"));
    }

    void tableDecodesOnlyItsCodes_data() {
        QTest::addColumn<int>("byte");
        QTest::addColumn<int>("selection");
        QTest::newRow("01") << 0x10 << 0;
        QTest::newRow("10") << 0x20 << 1;
        QTest::newRow("00") << 0x00 << -1;
        QTest::newRow("11") << 0x30 << -1;
    }
    void tableDecodesOnlyItsCodes() {
        QFETCH(int, byte);
        QFETCH(int, selection);
        ProfileFile file;
        PageModel page(samplePage(), file.profile());
        page.initialise(0);
        const int f = page.fieldIndex(QStringLiteral("table"));
        page.setWord(1, static_cast<uint8_t>(byte));
        page.decodeField(f);
        QCOMPARE(page.selection(f), selection);
    }
};

QTEST_GUILESS_MAIN(PageEngineTest)
#include "tst_pageengine.moc"
