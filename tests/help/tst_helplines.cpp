// The wiring-help window: its fixed tree, the picture each entry shows, and how the main
// window's button shows it.
#include "app/tesseldlg.h"
#include "pages/help/chelplines.h"
#include "sim/simboard.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

using namespace tessel;

namespace {

QTreeWidgetItem* findItem(QTreeWidget& tree, const QString& text) {
    const QList<QTreeWidgetItem*> found =
        tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.size() == 1 ? found.first() : nullptr;
}

void select(CHelpLines& w, const QString& text) {
    QTreeWidgetItem* item = findItem(w.tree(), text);
    QVERIFY2(item, qPrintable(text));
    w.tree().setCurrentItem(item);
}

}  // namespace

class HelpLinesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void treeTextsAndOrder_data() {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QStringList>("leaves");
        auto row = [](const char* group, QStringList leaves) {
            QTest::newRow(group) << QString::fromUtf8(group) << leaves;
        };
        row("KR4121", {QStringLiteral("21烧录"), QStringLiteral("21调试")});
        row("KR4111", {QStringLiteral("11烧录"), QStringLiteral("11调试")});
        row("KR4112", {QStringLiteral("12烧录"), QStringLiteral("12调试")});
        row("KR4152", {QStringLiteral("52烧录"), QStringLiteral("52调试")});
        row("KR4113/4161/4115W",
            {QStringLiteral("13/61/15W烧录"), QStringLiteral("13/61/15W调试")});
        row("KR4115/56/17", {QStringLiteral("15/56/17烧录"), QStringLiteral("15/56/17调试")});
        row("KR4116", {QStringLiteral("16烧录"), QStringLiteral("16调试")});
        row("KR5815", {QStringLiteral("5815烧录"), QStringLiteral("5815调试")});
        row("KR5812/5712", {QStringLiteral("5812/5712烧录调试")});
    }

    void treeTextsAndOrder() {
        QFETCH(QString, group);
        QFETCH(QStringList, leaves);
        static const QStringList kGroups{QStringLiteral("KR4121"),
                                         QStringLiteral("KR4111"),
                                         QStringLiteral("KR4112"),
                                         QStringLiteral("KR4152"),
                                         QStringLiteral("KR4113/4161/4115W"),
                                         QStringLiteral("KR4115/56/17"),
                                         QStringLiteral("KR4116"),
                                         QStringLiteral("KR5815"),
                                         QStringLiteral("KR5812/5712")};
        CHelpLines w;
        QCOMPARE(w.tree().topLevelItemCount(), 1);
        QTreeWidgetItem* root = w.tree().topLevelItem(0);
        QCOMPARE(root->text(0), QStringLiteral("VU-RA"));
        QCOMPARE(root->childCount(), 9);
        QTreeWidgetItem* node = root->child(kGroups.indexOf(group));
        QCOMPARE(node->text(0), group);
        QStringList texts;
        for (int i = 0; i < node->childCount(); ++i) {
            texts << node->child(i)->text(0);
            QCOMPARE(node->child(i)->childCount(), 0);
        }
        QCOMPARE(texts, leaves);
    }

    void pictureOfEachEntry_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("picture");
        const std::pair<const char*, int> rows[] = {
            {"VU-RA", 159},         {"21烧录", 150},        {"21调试", 157},
            {"11烧录", 152},        {"11调试", 151},        {"12烧录", 154},
            {"12调试", 153},        {"52烧录", 164},        {"52调试", 165},
            {"13/61/15W烧录", 156}, {"13/61/15W调试", 155}, {"15/56/17烧录", 167},
            {"15/56/17调试", 166},  {"16烧录", 179},        {"16调试", 178},
            {"5815烧录", 192},      {"5815调试", 190},      {"5812/5712烧录调试", 194},
        };
        for (const auto& [text, picture] : rows)
            QTest::newRow(text) << QString::fromUtf8(text) << picture;
    }

    void pictureOfEachEntry() {
        QFETCH(QString, text);
        QFETCH(int, picture);
        CHelpLines w;
        select(w, text);
        QCOMPARE(w.shownPicture(), picture);
        const QPixmap* pm = w.shownPixmap();
        QVERIFY(pm && !pm->isNull());
        QCOMPARE(pm->deviceIndependentSize().toSize(), QSize(484, 333));
        const QLabel* label = w.findChild<QLabel*>(QStringLiteral("wiringPicture"));
        QVERIFY(label);
        QCOMPARE(label->pixmap().cacheKey(), pm->cacheKey());
    }

    void chipGroupKeepsPicture_data() {
        QTest::addColumn<QString>("before");  // empty: nothing selected yet
        QTest::addColumn<QString>("group");
        QTest::addColumn<int>("picture");
        QTest::newRow("at start") << QString() << QStringLiteral("KR4116") << 0;
        QTest::newRow("after a leaf")
            << QStringLiteral("21烧录") << QStringLiteral("KR4116") << 150;
        QTest::newRow("other group")
            << QStringLiteral("5815调试") << QStringLiteral("KR4121") << 190;
        QTest::newRow("after root")
            << QStringLiteral("VU-RA") << QStringLiteral("KR5812/5712") << 159;
    }

    void chipGroupKeepsPicture() {
        QFETCH(QString, before);
        QFETCH(QString, group);
        QFETCH(int, picture);
        CHelpLines w;
        if (!before.isEmpty())
            select(w, before);
        select(w, group);
        QCOMPARE(w.shownPicture(), picture);
        const QLabel* label = w.findChild<QLabel*>(QStringLiteral("wiringPicture"));
        QCOMPARE(label->pixmap().isNull(), picture == 0);
    }

    void startsCollapsedAndUnselected() {
        CHelpLines w;
        w.show();
        w.tree().setFocus();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.tree().topLevelItem(0)->isExpanded(), false);
        QVERIFY(w.tree().selectedItems().isEmpty());
        QCOMPARE(w.shownPicture(), 0);
        QCOMPARE(w.windowTitle(), QStringLiteral("接线说明"));
    }

    void buttonShowsTheSameWindowTwice_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::newRow("Chinese") << 0 << QStringLiteral("接线说明") << QStringLiteral("接线说明");
        QTest::newRow("English") << 1 << QStringLiteral("connections")
                                 << QStringLiteral("Connections");
    }

    void buttonShowsTheSameWindowTwice() {
        QFETCH(int, language);
        QFETCH(QString, button);
        QFETCH(QString, title);
        QTemporaryDir dir;
        SharedState state;
        state.profilePath = dir.filePath(QStringLiteral("Parameters.ini"));
        SimOptions o;
        o.latencyMs = 0;
        SimBackend backend(o);
        ScriptedPrompts prompts;
        CTesselDlg main(state, backend, prompts, true);
        main.show();
        CHelpLines& help = main.helpLines();
        QVERIFY(!help.isVisible());
        if (language == 1) {
            main.languageCombo().setCurrentIndex(1);
            QMetaObject::invokeMethod(&main.languageCombo(), "activated", Q_ARG(int, 1));
        }
        QCOMPARE(main.helpButton().text(), button);
        QVERIFY(main.helpButton().isEnabled());

        QTest::mouseClick(&main.helpButton(), Qt::LeftButton);
        QVERIFY(help.isVisible());
        QCOMPARE(help.windowTitle(), title);
        select(help, QStringLiteral("5815调试"));
        help.close();
        QVERIFY(!help.isVisible());

        QTest::mouseClick(&main.helpButton(), Qt::LeftButton);
        QVERIFY(help.isVisible());
        QCOMPARE(&main.helpLines(), &help);
        QCOMPARE(help.shownPicture(), 190);
        QCOMPARE(help.tree().selectedItems().size(), 1);
        QCOMPARE(help.tree().selectedItems().first()->text(0), QStringLiteral("5815调试"));
        // A second press while it is shown keeps the one window.
        QTest::mouseClick(&main.helpButton(), Qt::LeftButton);
        QVERIFY(help.isVisible());
        QCOMPARE(main.findChildren<CHelpLines*>().size(), 1);
        main.close();
        QVERIFY(!help.isVisible());
    }
};

QTEST_MAIN(HelpLinesTest)
#include "tst_helplines.moc"
