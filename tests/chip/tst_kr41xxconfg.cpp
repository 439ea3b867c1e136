// The KR4111, KR4112, KR4113 and KR4116 configuration pages: defaults, coding rules, the
// rebuilt lists, applyCfg0, auto-save and the shared pages' sections.
#include "pages/chip/configpages.h"
#include "pagetest.h"

#include <QRegularExpression>
#include <QTest>

using namespace tessel;
using namespace chiptest;

namespace {

std::unique_ptr<chip::PageModel> openPage(int chipIndex, const ProfileFile& file) {
    auto page = chip::makeConfigPage(chip::configPageOf(chipIndex), file.profile());
    page->initialise(chipIndex);
    page->setFullView(true);
    return page;
}

bool applySteps(chip::PageModel& m, const QStringList& steps) {
    for (const QString& step : steps) {
        const int colon = step.lastIndexOf(QLatin1Char(':'));
        const int f = m.fieldIndex(step.left(colon));
        const QString arg = step.mid(colon + 1);
        const bool ok = m.field(f).kind == chip::ControlKind::HexEdit ? m.setEditText(f, arg)
                                                                      : m.choose(f, arg.toInt());
        if (!ok) {
            qWarning() << "refused:" << step;
            return false;
        }
    }
    return true;
}

QStringList steps(std::initializer_list<const char*> s) {
    return chip::texts(s);
}

}  // namespace

class KR41xxConfgTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultsWithoutProfile_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("written");
        QTest::newRow("KR4111") << 1 << QStringLiteral("ea ef bf f7 00 00 00")
                                << QStringLiteral("ea ef bf f7 00 00 00");
        QTest::newRow("KR4112") << 2 << QStringLiteral("3f 3f 1f 1f ff ff 00 00 00")
                                << QStringLiteral("3f 3f 1f 1f ff ff 00 00 00");
        QTest::newRow("KR4152") << 3 << QStringLiteral("03 3f 1f 1f fe 05 ff ff ff ff")
                                << QStringLiteral("03 3f 1f 1f fe 05 ff ff ff ff");
        QTest::newRow("KR4161") << 4 << QStringLiteral("03 3f 1f 1f fe 07 ff ff ff ff")
                                << QStringLiteral("03 3f 1f 1f fe 07 ff ff ff ff");
        QTest::newRow("KR4115W") << 6 << QStringLiteral("03 3f 1f 1f fe 05 ff ff ff ff")
                                 << QStringLiteral("03 3f 1f 1f fe 05 ff ff ff ff");
        QTest::newRow("KR4115") << 5 << QStringLiteral("03 1f 1f 3f ff 06 ff ff ff ff")
                                << QStringLiteral("03 1f 1f 3f ff 06 ff ff ff ff");
        QTest::newRow("KR4116") << 7 << QStringLiteral("03 1f 1f 3f ff 07 ff ff ff ff")
                                << QStringLiteral("03 1f 1f 3f ff 07 ff ff ff ff");
    }
    void defaultsWithoutProfile() {
        QFETCH(int, chipIndex);
        QFETCH(QString, bytes);
        QFETCH(QString, written);
        ProfileFile file;
        auto page = openPage(chipIndex, file);
        QCOMPARE(hex(page->cfgBytes()), bytes);
        QCOMPARE(hex(page->writeWords()), written);
        QCOMPARE(page->labels().first(), QStringLiteral("CFG_0 = 0x") + bytes.left(2));
        QVERIFY(!QFile::exists(file.path()));
    }

    void defaultSelections_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("4111 reset") << 1 << QStringLiteral("掉电复位") << QStringLiteral("2.5");
        QTest::newRow("4111 csd") << 1 << QStringLiteral("CSD电阻值") << QStringLiteral("4716");
        QTest::newRow("4111 osc") << 1 << QStringLiteral("OSC时钟") << QStringLiteral("570.0");
        QTest::newRow("4112 bor none") << 2 << QStringLiteral("BOR复位电压") << QString();
        QTest::newRow("4112 adjrb") << 2 << QStringLiteral("下拉电阻修调") << QStringLiteral("#31");
        QTest::newRow("4112 osc") << 2 << QStringLiteral("OSC输出频率")
                                  << QStringLiteral("1.00569");
        QTest::newRow("4113 osc 254")
            << 3 << QStringLiteral("ADJ_OSC(MHz)") << QStringLiteral("1.15040");
        QTest::newRow("4161 flash")
            << 4 << QStringLiteral("Flash容量") << QStringLiteral("32kByte");
        QTest::newRow("4152 flash")
            << 3 << QStringLiteral("Flash容量") << QStringLiteral("16kByte");
        QTest::newRow("4116 flash")
            << 7 << QStringLiteral("Flash容量") << QStringLiteral("32kByte");
        QTest::newRow("4115 adjosc")
            << 5 << QStringLiteral("ADJ_OSC(MHz)") << QStringLiteral("0.999488");
    }
    void defaultSelections() {
        QFETCH(int, chipIndex);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        ProfileFile file;
        auto page = openPage(chipIndex, file);
        QCOMPARE(shown(*page, caption.toUtf8().constData()), text);
    }

    void coding_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("4111 rb 20K")
            << 1 << QByteArray() << steps({"Rb阻值:3"}) << QStringLiteral("da ef bf f7 00 00 00");
        QTest::newRow("4111 reset pull down")
            << 1 << QByteArray("[KR4111CFGS]\nm_n_KR4111_CFG0=255\n") << steps({"掉电复位:1"})
            << QStringLiteral("fc ef bf f7 00 00 00");
        QTest::newRow("4111 bandgap 1")
            << 1 << QByteArray("[KR4111CFGS]\nm_n_KR4111_CFG1=0\n") << steps({"BandGap阻值:1"})
            << QStringLiteral("ea 0a bf f7 00 00 00");
        QTest::newRow("4111 bandgap 16")
            << 1 << QByteArray("[KR4111CFGS]\nm_n_KR4111_CFG1=224\n") << steps({"BandGap阻值:16"})
            << QStringLiteral("ea fb bf f7 00 00 00");
        QTest::newRow("4111 osc 0")
            << 1 << QByteArray("[KR4111CFGS]\nm_n_KR4111_CFG2=0\n") << steps({"OSC时钟:0"})
            << QStringLiteral("ea ef 3f f7 00 00 00");
        QTest::newRow("4111 osc 18 keeps bit 7")
            << 1 << QByteArray() << steps({"OSC时钟:18"}) << QStringLiteral("ea ef ad f7 00 00 00");
        QTest::newRow("4111 osc 63")
            << 1 << QByteArray("[KR4111CFGS]\nm_n_KR4111_CFG2=0\n") << steps({"OSC时钟:63"})
            << QStringLiteral("ea ef 00 f7 00 00 00");
        QTest::newRow("4111 osc 64")
            << 1 << QByteArray("[KR4111CFGS]\nm_n_KR4111_CFG2=0\n") << steps({"OSC时钟:64"})
            << QStringLiteral("ea ef 7f f7 00 00 00");
        QTest::newRow("4111 csd 0")
            << 1 << QByteArray("[KR4111CFGS]\nm_n_KR4111_CFG3=0\n") << steps({"CSD电阻值:0"})
            << QStringLiteral("ea ef bf 17 00 00 00");
        QTest::newRow("4111 adc") << 1 << QByteArray()
                                  << steps({"ADC_AH      0x:1A3", "ADC_AL     0x:zz",
                                            "ADC_B       0x:7f"})
                                  << QStringLiteral("ea ef bf f7 a3 00 7f");
        QTest::newRow("4112 osc100k 0") << 2 << QByteArray() << steps({"OSC100k:0"})
                                        << QStringLiteral("3f 3f 1f 0f ff ff 00 00 00");
        QTest::newRow("4112 inf clears 7..6")
            << 2 << QByteArray("[KR4112CFGS]\nm_n_KR4112_CFG0=253\n") << steps({"inf写擦除保护:1"})
            << QStringLiteral("3f 3f 1f 1f ff ff 00 00 00");
        QTest::newRow("4112 main ticked")
            << 2 << QByteArray("[KR4112CFGS]\nm_n_KR4112_CFG0=255\n") << steps({"main读保护:1"})
            << QStringLiteral("3e 3f 1f 1f ff ff 00 00 00");
        QTest::newRow("4112 bor") << 2 << QByteArray("[KR4112CFGS]\nm_n_KR4112_CFG0=0\n")
                                  << steps({"BOR复位电压:1"})
                                  << QStringLiteral("30 3f 1f 1f ff ff 00 00 00");
        QTest::newRow("4112 rb 5K")
            << 2 << QByteArray("[KR4112CFGS]\nm_n_KR4112_CFG0=0\n") << steps({"下拉电阻:0"})
            << QStringLiteral("08 3f 1f 1f ff ff 00 00 00");
        QTest::newRow("4112 adjrb keeps bit 5")
            << 2 << QByteArray("[KR4112CFGS]\nm_n_KR4112_CFG1=255\n") << steps({"下拉电阻修调:0"})
            << QStringLiteral("3f 37 1f 1f ff ff 00 00 00");
        QTest::newRow("4112 bandgap osc")
            << 2 << QByteArray() << steps({"BandGap:5", "OSC输出频率:128"})
            << QStringLiteral("3f 3f 05 1f 80 ff 00 00 00");
        QTest::newRow("4113 inf")
            << 3 << QByteArray("[KR4152CFGS]\nm_n_KR4113_CFG0=255\nm_check_KR4113_inf=0\n")
            << steps({"inf写擦除保护:1"}) << QStringLiteral("03 3f 1f 1f fe 05 ff ff ff ff");
        QTest::newRow("4113 osc 127")
            << 3 << QByteArray("[KR4152CFGS]\nm_n_KR4113_CFG4=0\n") << steps({"ADJ_OSC(MHz):127"})
            << QStringLiteral("03 3f 1f 1f fe 05 ff ff ff ff");
        QTest::newRow("4113 osc 1") << 3 << QByteArray() << steps({"ADJ_OSC(MHz):1"})
                                    << QStringLiteral("03 3f 1f 1f 02 05 ff ff ff ff");
        QTest::newRow("4113 bg 0") << 3 << QByteArray() << steps({"ADJ_BG:0"})
                                   << QStringLiteral("03 3f 0b 1f fe 05 ff ff ff ff");
        QTest::newRow("4113 rbtest keeps 4..0")
            << 4 << QByteArray("[KR4113/4161CFGS]\nm_n_KR4113_CFG1=255\n")
            << steps({"CSD_RB_TEST:0"}) << QStringLiteral("03 1f 1f 1f fe 07 ff ff ff ff");
        QTest::newRow("4113 low power off")
            << 6 << QByteArray("[KR4115CFGS]\nm_n_KR4113_CFG5=255\n") << steps({"开启低功耗:0"})
            << QStringLiteral("03 3f 1f 1f fe 03 ff ff ff ff");
        QTest::newRow("4113 ad off")
            << 6 << QByteArray("[KR4115CFGS]\nm_n_KR4113_CFG5=255\n") << steps({"开启AD功能:0"})
            << QStringLiteral("03 3f 1f 1f fe 06 ff ff ff ff");
        QTest::newRow("4116 led off")
            << 5 << QByteArray("[KR4116CFGS]\nm_n_KR4116_CFG5=255\n") << steps({"LED_SEL:0"})
            << QStringLiteral("03 1f 1f 3f ff 03 ff ff ff ff");
        QTest::newRow("4116 eeprom off")
            << 7 << QByteArray("[KR4117CFGS]\nm_n_KR4116_CFG5=255\n") << steps({"EEPROM_SEL:0"})
            << QStringLiteral("03 1f 1f 3f ff 05 ff ff ff ff");
        QTest::newRow("4116 whole bytes") << 7 << QByteArray()
                                          << steps({"ADJ_RB:1", "ADJ_BG:2", "ADJ_32k(kHz):40",
                                                    "ADJ_OSC(MHz):200", "ADC_B       0x:5"})
                                          << QStringLiteral("03 01 02 28 c8 07 ff ff ff 05");
    }
    void coding() {
        QFETCH(int, chipIndex);
        QFETCH(QByteArray, profile);
        QFETCH(QStringList, steps);
        QFETCH(QString, bytes);
        ProfileFile file;
        if (!profile.isEmpty())
            file.write(profile);
        auto page = openPage(chipIndex, file);
        QVERIFY(applySteps(*page, steps));
        QCOMPARE(hex(page->cfgBytes()), bytes);
    }

    void kr4111CsdListFollowsRb() {
        ProfileFile file;
        file.write("[KR4111CFGS]\nm_com_KR4111_Csd=5\n");
        auto page = openPage(1, file);
        const int csd = fieldOf(*page, "CSD电阻值");
        QCOMPARE(page->items(csd).first(), QStringLiteral("4716"));
        QVERIFY(choose(*page, "Rb阻值", 3));
        QCOMPARE(page->items(csd).size(), 32);
        QCOMPARE(page->items(csd).first(), QStringLiteral("18864"));
        QCOMPARE(page->items(csd).last(), QStringLiteral("30348"));
        QCOMPARE(page->selection(csd), 5);
        QCOMPARE(page->word(0) & 0x30, 0x10);
    }

    void kr4111CsdEmptyWithoutRb() {
        ProfileFile file;
        file.write("[KR4111CFGS]\nm_com_KR4111_Rb=7\nm_com_KR4111_Csd=5\n");
        auto page = openPage(1, file);
        const int csd = fieldOf(*page, "CSD电阻值");
        QVERIFY(page->items(csd).isEmpty());
        QCOMPARE(page->selection(csd), -1);
        QVERIFY(!page->choose(csd, 0));
        QCOMPARE(page->word(3), uint8_t(0xF7));
    }

    void kr4112TrimListFollowsPullDown() {
        ProfileFile file;
        auto page = openPage(2, file);
        const int trim = fieldOf(*page, "下拉电阻修调");
        QVERIFY(choose(*page, "下拉电阻", 2));
        QCOMPARE(page->items(trim).first(), QStringLiteral("13113.9"));
        QCOMPARE(page->items(trim).last(), QStringLiteral("22087.2"));
        QCOMPARE(page->selection(trim), 8);

        ProfileFile none;
        none.write("[KR4112CFGS]\nm_com_KR4112_Rb=-1\n");
        auto empty = openPage(2, none);
        QVERIFY(empty->items(trim).isEmpty());
        QCOMPARE(empty->selection(trim), -1);
    }

    void applyCfg0Decodes_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<int>("value");
        QTest::addColumn<QStringList>("shownTexts");  // "caption=text" ("" for none)
        QTest::newRow("4111 ea") << 1 << 0xEA
                                 << steps({"掉电复位=2.5", "Rb阻值=5K", "MCU时钟频率=24 MHz",
                                           "ADC使能=不使能"});
        QTest::newRow("4111 04") << 1 << 0x04
                                 << steps({"掉电复位=pull down", "Rb阻值=15K", "MCU时钟频率=12 MHz",
                                           "ADC使能=使能"});
        QTest::newRow("4111 03") << 1 << 0x03 << steps({"掉电复位=", "Rb阻值=15K"});
        QTest::newRow("4111 11 and 01") << 1 << 0x13 << steps({"掉电复位=", "Rb阻值=20K"});
        QTest::newRow("4111 11") << 1 << 0x30 << steps({"掉电复位=", "Rb阻值=10K"});
        QTest::newRow("4112 30") << 2 << 0x30 << steps({"BOR复位电压=pull dowm", "下拉电阻=15K"});
        QTest::newRow("4112 10") << 2 << 0x1C << steps({"BOR复位电压=", "下拉电阻=10K"});
        QTest::newRow("4112 01") << 2 << 0x24 << steps({"BOR复位电压=", "下拉电阻=20K"});
        QTest::newRow("4112 00") << 2 << 0x08 << steps({"BOR复位电压=2.5", "下拉电阻=5K"});
    }
    void applyCfg0Decodes() {
        QFETCH(int, chipIndex);
        QFETCH(int, value);
        QFETCH(QStringList, shownTexts);
        ProfileFile file;
        auto page = openPage(chipIndex, file);
        page->applyCfg0(static_cast<uint8_t>(value));
        page->enableCfg0Controls(false);
        QCOMPARE(int(page->word(0)), value);
        QCOMPARE(page->labels().first(), QString::asprintf("CFG_0 = 0x%02x", value));
        for (const QString& s : shownTexts) {
            const QString caption = s.section(QLatin1Char('='), 0, 0);
            QCOMPARE(shown(*page, caption.toUtf8().constData()), s.section(QLatin1Char('='), 1));
            QVERIFY(!page->fieldEnabled(page->fieldIndex(caption)));
        }
    }

    void applyCfg0SetsCheckBoxes_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("inf");
        QTest::addColumn<bool>("main");
        QTest::newRow("4112 02") << 2 << 0x02 << true << true;
        QTest::newRow("4112 01") << 2 << 0x01 << false << false;
        QTest::newRow("4113 03") << 4 << 0x03 << true << false;
        QTest::newRow("4116 00") << 7 << 0x00 << false << true;
    }
    void applyCfg0SetsCheckBoxes() {
        QFETCH(int, chipIndex);
        QFETCH(int, value);
        QFETCH(bool, inf);
        QFETCH(bool, main);
        ProfileFile file;
        auto page = openPage(chipIndex, file);
        page->applyCfg0(static_cast<uint8_t>(value));
        page->enableCfg0Controls(false);
        QCOMPARE(page->checked(fieldOf(*page, "inf写擦除保护")), inf);
        const int mainField = chipIndex >= 5 && chipIndex != 6 ? fieldOf(*page, "Main读保护")
                                                               : fieldOf(*page, "main读保护");
        QCOMPARE(page->checked(mainField), main);
        QVERIFY(!page->fieldEnabled(mainField));
        QVERIFY(!page->choose(mainField, 0));
        QCOMPARE(int(page->word(0)), value);
        QVERIFY(!QFile::exists(file.path()));
    }

    void checkBoxesSaveAtOnce_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("4161") << 4 << QStringLiteral("KR4113/4161CFGS")
                              << QStringLiteral("main读保护")
                              << steps({"m_check_KR4113_inf", "m_check_KR4113_main",
                                        "m_com_KR4113_Rbtest", "m_com_KR4113_Rb", "m_com_KR4113_Bg",
                                        "m_com_KR4113_Trim", "m_com_KR4113_Osc",
                                        "m_check_KR4113_Lp", "m_check_KR4113_Ad", "m_n_KR4113_CFG0",
                                        "m_n_KR4113_CFG1", "m_n_KR4113_CFG2", "m_n_KR4113_CFG3",
                                        "m_n_KR4113_CFG4", "m_n_KR4113_CFG5", "m_n_KR4113_CFG6",
                                        "m_n_KR4113_CFG7", "m_n_KR4113_CFG8", "m_n_KR4113_CFG9"});
        QTest::newRow("4115") << 5 << QStringLiteral("KR4116CFGS") << QStringLiteral("Main读保护")
                              << steps({"m_check_KR4116_inf", "m_check_KR4116_main",
                                        "m_com_KR4116_adjrb", "m_com_KR4116_adjbg",
                                        "m_com_KR4116_adj32k", "m_com_KR4116_adjosc",
                                        "m_check_KR4116_led", "m_check_KR4116_eeprom",
                                        "m_n_KR4116_CFG0", "m_n_KR4116_CFG1", "m_n_KR4116_CFG2",
                                        "m_n_KR4116_CFG3", "m_n_KR4116_CFG4", "m_n_KR4116_CFG5",
                                        "m_n_KR4116_CFG6", "m_n_KR4116_CFG7", "m_n_KR4116_CFG8",
                                        "m_n_KR4116_CFG9"});
    }
    void checkBoxesSaveAtOnce() {
        QFETCH(int, chipIndex);
        QFETCH(QString, section);
        QFETCH(QString, caption);
        QFETCH(QStringList, keys);
        ProfileFile file;
        auto page = openPage(chipIndex, file);
        QVERIFY(!QFile::exists(file.path()));
        QVERIFY(page->choose(caption, 1));
        QCOMPARE(file.keys(section), keys);
        QCOMPARE(file.value(section, keys[1].toUtf8().constData()), 1);
        const int cfg0Key = keys.indexOf(QRegularExpression(QStringLiteral(".*_CFG0")));
        QCOMPARE(file.value(section, keys[cfg0Key].toUtf8().constData()), 0x02);
        // Lists do not save by themselves.
        QVERIFY(page->choose(QStringLiteral("ADJ_BG"), 3));
        const int bgKey = keys.indexOf(QRegularExpression(QStringLiteral("(?i).*bg")));
        QCOMPARE(file.value(section, keys[bgKey].toUtf8().constData()), chipIndex == 4 ? 20 : 31);
    }

    void sharedPagesSwitchSections() {
        ProfileFile file;
        file.write(
            "[KR4152CFGS]\nm_n_KR4113_CFG1=1\n[KR4113/4161CFGS]\nm_n_KR4113_CFG1=2\n"
            "[KR4115CFGS]\nm_n_KR4113_CFG1=3\n[KR4116CFGS]\nm_n_KR4116_CFG1=4\n"
            "[KR4117CFGS]\nm_n_KR4116_CFG1=5\n");
        chip::ConfigPages pages(file.profile());
        QCOMPARE(&pages.forChip(3), &pages.forChip(6));
        QCOMPARE(&pages.forChip(5), &pages.forChip(7));
        const int chips[] = {3, 4, 6, 5, 7, 4};
        const int cfg1[] = {1, 2, 3, 4, 5, 2};
        const char* captions[] = {"KR4152配置字界面",       "KR4161配置字界面",
                                  "KR4115W/4113配置字界面", "KR4115/4156/4117配置字界面",
                                  "KR4116配置字界面",       "KR4161配置字界面"};
        for (int i = 0; i < 6; ++i) {
            chip::PageModel& page = pages.forChip(chips[i]);
            page.loadFromProfile(chips[i]);
            QCOMPARE(int(page.word(1)), cfg1[i]);
            QCOMPARE(page.caption(), QString::fromUtf8(captions[i]));
        }
    }

    void sharedPagesIgnoreOtherChips_data() {
        QTest::addColumn<int>("served");
        QTest::addColumn<int>("other");
        QTest::newRow("4113 page with chip 5") << 3 << 5;
        QTest::newRow("4113 page with chip 0") << 4 << 0;
        QTest::newRow("4116 page with chip 6") << 7 << 6;
    }
    void sharedPagesIgnoreOtherChips() {
        QFETCH(int, served);
        QFETCH(int, other);
        ProfileFile file;
        auto page = openPage(served, file);
        QVERIFY(page->choose(QStringLiteral("ADJ_BG"), 1));
        const QString before = hex(page->cfgBytes());
        file.write("[KR4152CFGS]\nm_n_KR4113_CFG0=9\n[KR4116CFGS]\nm_n_KR4116_CFG0=9\n");
        page->loadFromProfile(other);
        QCOMPARE(hex(page->cfgBytes()), before);
        QVERIFY(!page->saveToProfile());
        page->choose(QStringLiteral("inf写擦除保护"), 0);  // the auto-save path writes nothing
        QCOMPARE(file.text(),
                 QByteArray("[KR4152CFGS]\nm_n_KR4113_CFG0=9\n[KR4116CFGS]\nm_n_KR4116_CFG0=9\n"));
    }

    void kr4113OscKeyHoldsTheCode_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("text");
        QTest::newRow("254") << 254 << QStringLiteral("1.15040");
        QTest::newRow("255") << 255 << QStringLiteral("1.15040");
        QTest::newRow("2") << 2 << QStringLiteral("1.13617");
        QTest::newRow("negative") << -2 << QString();
        QTest::newRow("beyond") << 256 << QString();
    }
    void kr4113OscKeyHoldsTheCode() {
        QFETCH(int, stored);
        QFETCH(QString, text);
        ProfileFile file;
        file.write("[KR4115CFGS]\nm_com_KR4113_Osc=" + QByteArray::number(stored) + "\n");
        auto page = openPage(6, file);
        QCOMPARE(shown(*page, "ADJ_OSC(MHz)"), text);
        QCOMPARE(int(page->word(4)), 0xFE);  // the byte comes from its own key
    }

    void kr4113SavesOscCode() {
        ProfileFile file;
        auto page = openPage(3, file);
        QVERIFY(choose(*page, "ADJ_OSC(MHz)", 127));
        QVERIFY(page->saveToProfile());
        QCOMPARE(file.value(QStringLiteral("KR4152CFGS"), "m_com_KR4113_Osc"), 254);
        QCOMPARE(file.value(QStringLiteral("KR4152CFGS"), "m_n_KR4113_CFG4"), 254);
    }

    void kr4111SavesKeysInOrder() {
        ProfileFile file;
        file.write("; kept\r\n[KR4111CFGS]\r\nm_com_KR4111_Rb=9\r\n");
        auto page = openPage(1, file);
        QVERIFY(choose(*page, "OSC时钟", 64));
        QVERIFY(page->saveToProfile());
        QCOMPARE(file.text(),
                 QByteArray("; kept\r\n[KR4111CFGS]\r\nm_com_KR4111_Rb=-1\r\n"
                            "m_com_KR4111_Reset=0\r\nm_com_KR4111_Mcu=1\r\nm_com_KR4111_Adc=1\r\n"
                            "m_com_KR4111_Bg=21\r\nm_com_KR4111_Osc=64\r\nm_com_KR4111_Csd=-1\r\n"
                            "m_com_KR4111_TestRb=1\r\nm_n_KR4111_CFG0=234\r\n"
                            "m_n_KR4111_CFG1=239\r\nm_n_KR4111_CFG2=255\r\n"
                            "m_n_KR4111_CFG3=247\r\nm_n_KR4111_CFG4=0\r\nm_n_KR4111_CFG5=0\r\n"
                            "m_n_KR4111_CFG6=0\r\n"));
    }

    void adcFieldsShowTheirBytes() {
        ProfileFile file;
        file.write("[KR4112CFGS]\nm_n_KR4112_CFG6=10\nm_n_KR4112_CFG7=300\n");
        auto page = openPage(2, file);
        QCOMPARE(page->editText(fieldOf(*page, "ADC_AL    0x")), QStringLiteral("0a"));
        QCOMPARE(page->editText(fieldOf(*page, "ADC_AH      0x")), QStringLiteral("2c"));
        QCOMPARE(page->labels().at(7), QStringLiteral("CFG_7 = 0x2c"));
    }

    void reportSwapsKr4111Words() {
        ProfileFile file;
        file.write("[KR4111CFGS]\nm_n_KR4111_CFG4=1\nm_n_KR4111_CFG5=2\n");
        const QStringList lines = chip::configReport(1, file.profile());
        QCOMPARE(lines.size(), 8);
        QCOMPARE(lines.at(4), QStringLiteral("CFG_4 = 0x01"));
        QCOMPARE(lines.last(), QStringLiteral("bytes=ea ef bf f7 02 01 00"));
        QCOMPARE(chip::configReport(4, file.profile()).last(),
                 QStringLiteral("bytes=03 3f 1f 1f fe 07 ff ff ff ff"));
    }
};

QTEST_GUILESS_MAIN(KR41xxConfgTest)
#include "tst_kr41xxconfg.moc"
