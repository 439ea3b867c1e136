// The generated views of the chip pages: controls, captions, visibility, enabled state,
// and the user's actions reaching the model.
#include "pages/chip/configpages.h"
#include "pages/chip/engine/pageview.h"
#include "pagetest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace tessel;
using namespace chiptest;

namespace {

template <typename T>
T* control(chip::ChipPageView& view, const char* name) {
    T* w = view.findChild<T*>(QString::fromUtf8(name));
    if (!w)
        qWarning() << "no control" << name;
    return w;
}

QString labelText(chip::ChipPageView& view, int number) {
    return control<QLabel>(view, qPrintable(QStringLiteral("label_CFG%1").arg(number)))->text();
}

}  // namespace

class ChipPageViewTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void generatesTheControlsOfEveryPage_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<int>("combos");
        QTest::addColumn<int>("checks");
        QTest::addColumn<int>("edits");
        QTest::newRow("KR4121") << 0 << 10 << 1 << 0;
        QTest::newRow("KR4111") << 1 << 8 << 0 << 3;
        QTest::newRow("KR4112") << 2 << 7 << 2 << 3;
        QTest::newRow("KR4113") << 4 << 6 << 4 << 3;
        QTest::newRow("KR4116") << 7 << 5 << 4 << 3;
        QTest::newRow("MCU01") << 9 << 9 << 3 << 0;
        QTest::newRow("MCU02") << 10 << 19 << 14 << 2;
        QTest::newRow("MCU04") << 13 << 24 << 9 << 8;
    }
    void generatesTheControlsOfEveryPage() {
        QFETCH(int, chipIndex);
        QFETCH(int, combos);
        QFETCH(int, checks);
        QFETCH(int, edits);
        ProfileFile file;
        auto page = chip::makeConfigPage(chip::configPageOf(chipIndex), file.profile());
        page->initialise(chipIndex);
        chip::ChipPageView view(*page);
        QCOMPARE(view.findChildren<QComboBox*>().size(), combos);
        QCOMPARE(view.findChildren<QCheckBox*>().size(), checks);
        QCOMPARE(view.findChildren<QLineEdit*>().size(), edits);
        QCOMPARE(labelText(view, 0), page->labels().first());
    }

    void trimPagesShowTheirTitles_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("title");
        QTest::newRow("KR4111 numbers from 0") << 1 << "KR4111修调界面"
                                               << "group_CFG1"
                                               << "CFG0";
        QTest::newRow("KR4116 own numbers") << 5 << "KR4115修调界面"
                                            << "group_CFG1"
                                            << "CFG1";
        QTest::newRow("MCU02 OSC REG") << 12 << "KR5813/5713修调界面"
                                       << "group_CFG100"
                                       << "OSC REG";
        QTest::newRow("MCU04 flag in title") << 13 << "VE5812DUZI修调界面"
                                             << "group_CFG30"
                                             << "";
    }
    void trimPagesShowTheirTitles() {
        QFETCH(int, chipIndex);
        QFETCH(QString, frame);
        QFETCH(QString, group);
        QFETCH(QString, title);
        ProfileFile file;
        auto page = chip::makeTrimPage(chip::configPageOf(chipIndex), file.profile());
        page->initialise(chipIndex);
        chip::ChipPageView view(*page);
        QCOMPARE(view.findChild<QGroupBox*>()->title(), frame);
        QCOMPARE(control<QGroupBox>(view, qPrintable(group))->title(), title);
        auto* save = control<QPushButton>(view, "save");
        QCOMPARE(save->text(), QString::fromUtf8("保存到配置字"));
        QVERIFY(!save->isHidden());
        if (chipIndex == 13) {
            auto* flag = control<QCheckBox>(view, "PASSWD");
            QVERIFY(!flag->isChecked());
            flag->click();
            QCOMPARE(int(page->trimBytes().back()), 1);
        }
    }

    void kr4121ViewFollowsTheLock() {
        ProfileFile file;
        auto page = chip::makeConfigPage(chip::ConfigPage::KR4121, file.profile());
        page->initialise(0);
        chip::ChipPageView view(*page);
        view.show();
        QCOMPARE(view.findChild<QGroupBox*>()->title(), QString::fromUtf8("KR4121配置字界面"));
        QVERIFY(!control<QGroupBox>(view, "group_CFG0")->isHidden());
        QVERIFY(control<QGroupBox>(view, "group_CFG1")->isHidden());
        QVERIFY(control<QPushButton>(view, "save")->isHidden());
        auto* ldo = control<QComboBox>(view, "LDO输出电压");
        QCOMPARE(ldo->currentText(), QStringLiteral("2.496 V"));
        QVERIFY(!ldo->isEnabled());

        page->setFullView(true);
        QVERIFY(!control<QGroupBox>(view, "group_CFG2")->isHidden());
        auto* lock = control<QCheckBox>(view, "锁定配置字0和1");
        QVERIFY(lock->isChecked());
        lock->click();
        QCOMPARE(page->checked(page->fieldIndex(QString::fromUtf8("锁定配置字0和1"))), false);
        QVERIFY(ldo->isEnabled());
        Q_EMIT ldo->activated(0);
        QCOMPARE(labelText(view, 0), QStringLiteral("CFG_0 = 0x03"));
        QCOMPARE(labelText(view, 1), QStringLiteral("CFG_1 = 0x87"));
    }

    void kr4111RbRebuildsTheCsdList() {
        ProfileFile file;
        auto page = chip::makeConfigPage(chip::ConfigPage::KR4111, file.profile());
        page->initialise(1);
        page->setFullView(true);
        chip::ChipPageView view(*page);
        auto* csd = control<QComboBox>(view, "CSD电阻值");
        QCOMPARE(csd->itemText(0), QStringLiteral("4716"));
        Q_EMIT control<QComboBox>(view, "Rb阻值")->activated(1);
        QCOMPARE(csd->itemText(0), QStringLiteral("9432"));
        QCOMPARE(csd->currentIndex(), 0);
        QVERIFY(!control<QComboBox>(view, "测试Rb电阻")->isEnabled());
        QCOMPARE(control<QComboBox>(view, "OSC时钟")->itemText(3), QStringLiteral("#60"));
    }

    void mcu02EditsUpdateTheirLabels() {
        ProfileFile file;
        auto page = chip::makeConfigPage(chip::ConfigPage::MCU02, file.profile());
        page->initialise(11);
        page->setFullView(true);
        chip::ChipPageView view(*page);
        QCOMPARE(view.findChild<QGroupBox*>()->title(), QString::fromUtf8("KR5814配置字界面"));
        QCOMPARE(labelText(view, 11), QStringLiteral("CFG_11 =  0x1f"));
        auto* eep = control<QLineEdit>(view, "EEP_SEL  0x");
        QCOMPARE(eep->text(), QStringLiteral("ff"));
        eep->clear();
        QTest::keyClicks(eep, QStringLiteral("1a"));
        QCOMPARE(labelText(view, 11), QStringLiteral("CFG_11 = 0x1a"));
        QCOMPARE(page->word(11), uint8_t(0x1A));
        auto* csd = control<QCheckBox>(view, "CSD_EN");
        csd->click();
        QCOMPARE(labelText(view, 8), QStringLiteral("CFG_8 = 0x7f"));
    }

    void mcu01CaptionsFollowTheLanguage() {
        ProfileFile file;
        auto page = chip::makeConfigPage(chip::ConfigPage::MCU01, file.profile());
        page->initialise(8);
        chip::ChipPageView view(*page);
        auto* inf = control<QCheckBox>(view, "INF写擦除保护");
        QVERIFY(!inf->isEnabled());
        QVERIFY(control<QCheckBox>(view, "PD_VTH_EN")->isHidden());
        page->applyLanguage(1);
        QCOMPARE(inf->text(), QStringLiteral("InfWriteProtection"));
        QCOMPARE(view.findChild<QGroupBox*>()->title(), QStringLiteral("RO5812DA CONFIGS"));
        QCOMPARE(control<QCheckBox>(view, "MAIN读保护")->text(),
                 QStringLiteral("MainReadProtection"));
    }

    void saveButtonWritesTheProfile() {
        ProfileFile file;
        auto page = chip::makeConfigPage(chip::ConfigPage::KR4112, file.profile());
        page->initialise(2);
        page->setFullView(true);
        chip::ChipPageView view(*page);
        control<QPushButton>(view, "save")->click();
        QCOMPARE(file.value(QStringLiteral("KR4112CFGS"), "m_com_KR4112_Bor"), -1);
        QCOMPARE(file.value(QStringLiteral("KR4112CFGS"), "m_n_KR4112_CFG4"), 255);
    }
};

QTEST_MAIN(ChipPageViewTest)
#include "tst_chippageview.moc"
