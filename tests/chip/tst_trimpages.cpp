// The trim pages: defaults, coding, the bytes of the write-trim command, what
// "保存到配置字" writes and what the configuration page then loads, the coupled MCU01 lists,
// the MCU04 write flags, and the key orders of every page.
#include "pages/chip/configpages.h"
#include "pagetest.h"

#include <QTest>

using namespace tessel;
using namespace chiptest;

namespace {

std::unique_ptr<chip::PageModel> trimPage(int chipIndex, const ProfileFile& file) {
    auto page = chip::makeTrimPage(chip::configPageOf(chipIndex), file.profile());
    page->initialise(chipIndex);
    page->loadFromProfile(chipIndex);
    return page;
}

bool applySteps(chip::PageModel& m, const QStringList& steps) {
    for (const QString& step : steps) {
        const int colon = step.lastIndexOf(QLatin1Char(':'));
        const int f = m.fieldIndex(step.left(colon));
        const QString arg = step.mid(colon + 1);
        const bool ok =
            f >= 0 && (m.field(f).kind == chip::ControlKind::HexEdit ? m.setEditText(f, arg)
                                                                     : m.choose(f, arg.toInt()));
        if (!ok) {
            qWarning() << "refused:" << step;
            return false;
        }
    }
    return true;
}

const char* const kMcu04Defaults =
    "ff 01 1f 3f c9 2d ff 3f 64 7f 60 6d 08 18 00 00 00 00 ff "
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";

}  // namespace

class TrimPagesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultsWithoutProfile_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("lastLabel");
        QTest::newRow("KR4121") << 0 << "KR4121修调界面"
                                << "0f 87 00"
                                << "OSC_REG = 0x00";
        QTest::newRow("KR4111") << 1 << "KR4111修调界面"
                                << "ef bf f7 fc"
                                << "OSC_REG = 0xfc";
        QTest::newRow("KR4112") << 2 << "KR4112修调界面"
                                << "3f 1f 1f ff 00"
                                << "OSC_REG = 0x00";
        QTest::newRow("KR4152") << 3 << "KR4152修调界面"
                                << "3f 1f 1f fe 00"
                                << "OSC_REG = 0x00";
        QTest::newRow("KR4161") << 4 << "KR4161修调界面"
                                << "3f 1f 1f fe 00"
                                << "OSC_REG = 0x00";
        QTest::newRow("KR4115") << 5 << "KR4115修调界面"
                                << "1f 1f 3f ff 18"
                                << "OSC_REG = 0x18";
        QTest::newRow("KR4115W") << 6 << "KR4115W/4113修调界面"
                                 << "3f 1f 1f fe 00"
                                 << "OSC_REG = 0x00";
        QTest::newRow("KR4116") << 7 << "KR4116修调界面"
                                << "1f 1f 3f ff 18"
                                << "OSC_REG = 0x18";
        QTest::newRow("RO5812DA") << 8 << "RO5812DA修调界面"
                                  << "1f 7f 3f 0b ff 2d 2a 18"
                                  << "OSC_REG = 0x18";
        QTest::newRow("ZU5712RA16") << 9 << "ZU5712RA16修调界面"
                                    << "1e 7e 3f 0b ff 2d 2a 18"
                                    << "OSC_REG = 0x18";
        QTest::newRow("KR5815") << 10 << "KR5815/5715修调界面"
                                << "7f 7f ff 0d 4e 3f 1f 18 64 ff ff"
                                << "CFG_PW = 0xff";
        QTest::newRow("KR5814") << 11 << "KR5814修调界面"
                                << "7f 7f ff 0d 4e 3f 1f 18 64 ff ff"
                                << "CFG_PW = 0xff";
        QTest::newRow("VE5812DUZI")
            << 13 << "VE5812DUZI修调界面" << kMcu04Defaults << "PASSWORD = 0xff";
    }
    void defaultsWithoutProfile() {
        QFETCH(int, chipIndex);
        QFETCH(QString, caption);
        QFETCH(QString, bytes);
        QFETCH(QString, lastLabel);
        ProfileFile file;
        auto page = trimPage(chipIndex, file);
        QCOMPARE(page->caption(), caption);
        QCOMPARE(hex(page->trimBytes()), bytes);
        QCOMPARE(page->labels().last(), lastLabel);
        QCOMPARE(chip::trimReport(chipIndex, file.profile()).last(),
                 QStringLiteral("bytes=") + bytes);
        QVERIFY(!QFile::exists(file.path()));
    }

    void defaultSelections_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("4121 ldo") << 0 << "LDO输出电压"
                                  << "2.496 V";
        QTest::newRow("4121 osc") << 0 << "OSC时钟"
                                  << "501.4 KHz";
        QTest::newRow("4121 pll") << 0 << "PLL时钟"
                                  << "内部时钟";
        QTest::newRow("4121 pwm") << 0 << "PWM或Test_clk"
                                  << "PWM_CLK";
        QTest::newRow("4111 csd base") << 1 << "CSD电阻值"
                                       << "4716";
        QTest::newRow("4112 10K list") << 2 << "下拉电阻修调"
                                       << "#31";
        QTest::newRow("4116 clk") << 7 << "CLK_SEL"
                                  << "OSC_1M";
        QTest::newRow("4116 i test") << 7 << "CSD_I_TEST"
                                     << "不测试";
        QTest::newRow("mcu02 iref by byte") << 10 << "ADJ_IREF"
                                            << "127.8";
        QTest::newRow("mcu02 vref by byte") << 10 << "ADJ_VREF"
                                            << "4.116";
        QTest::newRow("mcu02 bor none") << 10 << "BOR_VTH"
                                        << "";
        QTest::newRow("mcu02 vd test") << 10 << "VD测试使能"
                                       << "不测试";
        QTest::newRow("mcu02 rb test") << 10 << "CSD_RB_TEST"
                                       << "不测试";
        QTest::newRow("mcu01 vd_h") << 8 << "ADJ_VD_H"
                                    << "2.612";
        QTest::newRow("mcu04 ldo load1") << 13 << "PG_LDO_LOAD1"
                                         << "0";
    }
    void defaultSelections() {
        QFETCH(int, chipIndex);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        ProfileFile file;
        auto page = trimPage(chipIndex, file);
        QCOMPARE(shown(*page, caption.toUtf8().constData()), text);
    }

    void coding_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("4121 osc reg")
            << 0 << QByteArray()
            << chip::texts({"PLL时钟:1", "OSC时钟选择:1", "Test_clk输出:1", "PWM或Test_clk:1"})
            << "0f 87 0f";
        QTest::newRow("4121 osc high half")
            << 0 << QByteArray() << chip::texts({"OSC时钟:31"}) << "ef 87 00";
        QTest::newRow("4112 clock select")
            << 2 << QByteArray("[KR4112ADTS]\nm_n_KR4112_AdtCFG4=4\n")
            << chip::texts({"测试时钟选择:2", "测试时钟:0"}) << "3f 1f 1f ff 03";
        QTest::newRow("4113 rc clock")
            << 4 << QByteArray("[KR4113/4161ADTS]\nm_n_KR4113_ADTCFG4=255\n")
            << chip::texts({"CLK_SEL:1"}) << "3f 1f 1f fe 05";
        QTest::newRow("4116 external 32k")
            << 7 << QByteArray() << chip::texts({"CLK_SEL:3", "CSD_I_TEST:0"}) << "1f 1f 3f ff 0b";
        QTest::newRow("mcu02 tests")
            << 10 << QByteArray() << chip::texts({"CSD_I_TEST:0", "VD测试使能:1"})
            << "7f 7f ff 0d 4e 3f 1f 50 64 ff ff";
        QTest::newRow("mcu02 cfg1 from lists")
            << 12
            << QByteArray(
                   "[MCU02CFGS]\nm_n_MCU02_ADJLDO=2\nm_n_MCU02_ADT_BORVTH=5\nm_n_MCU02_ADT_CFG1="
                   "0\n")
            << QStringList() << "25 7f ff 0d 4e 3f 1f 18 64 ff ff";
        QTest::newRow("mcu02 password")
            << 10 << QByteArray() << chip::texts({"password    0x:1a3", "PD_CP:1"})
            << "7f 7f ff 0d 4f 3f 1f 18 64 ff a3";
        QTest::newRow("mcu01 vd coupled")
            << 8 << QByteArray() << chip::texts({"ADJ_VD_H:10"}) << "1f 7f 3f 0b ff 0a 07 18";
        QTest::newRow("mcu01 vd_h low end")
            << 8 << QByteArray() << chip::texts({"ADJ_VD_H:1"}) << "1f 7f 3f 0b ff 03 00 18";
        QTest::newRow("mcu01 vd_l high end")
            << 9 << QByteArray() << chip::texts({"ADJ_VD_L:62"}) << "1e 7e 3f 0b ff 3f 3c 18";
        QTest::newRow("mcu01 loaded apart")
            << 9 << QByteArray("[KR5712AXCFGS]\nm_n_ZU5712RA16_CFG6=50\nm_n_ZU5712RA16_CFG7=10\n")
            << QStringList() << "1e 7e 3f 0b ff 32 0a 18";
        QTest::newRow("mcu01 clk sel")
            << 8 << QByteArray() << chip::texts({"CLK_SEL:2", "BG_LP测试使能:1"})
            << "1f 7f 3f 0b ff 2d 2a 9a";
    }
    void coding() {
        QFETCH(int, chipIndex);
        QFETCH(QByteArray, profile);
        QFETCH(QStringList, steps);
        QFETCH(QString, bytes);
        ProfileFile file;
        if (!profile.isEmpty())
            file.write(profile);
        auto page = trimPage(chipIndex, file);
        QVERIFY(applySteps(*page, steps));
        QCOMPARE(hex(page->trimBytes()), bytes);
    }

    void mcu04Words_data() {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("value");
        QTest::newRow("test clock xtal 32k")
            << QByteArray() << chip::texts({"TEST_CLK_SEL:4"}) << 16 << "04";
        QTest::newRow("tmode1 bit 8") << QByteArray("[MCU04CFGS]\nm_n_MCU04_CFG22=0\n")
                                      << chip::texts({"TMODE1[8]:1"}) << 11 << "40";
        QTest::newRow("tmode2 keeps bit 6") << QByteArray("[MCU04CFGS]\nm_n_MCU04_CFG22=64\n")
                                            << chip::texts({"TMODE2[5:0]:3f"}) << 11 << "7f";
        QTest::newRow("pldo load bits")
            << QByteArray() << chip::texts({"PG_LDO_LOAD1:5", "PG_LDO_LOAD2:1", "PG_LDO_TIM:3"})
            << 17 << "d3";
        QTest::newRow("flags: CFG3 and password")
            << QByteArray() << chip::texts({"CFG3:1", "PASSWD:1"}) << -1
            << "00 00 00 01 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01";
    }
    void mcu04Words() {
        QFETCH(QByteArray, profile);
        QFETCH(QStringList, steps);
        QFETCH(int, position);
        QFETCH(QString, value);
        ProfileFile file;
        if (!profile.isEmpty())
            file.write(profile);
        auto page = trimPage(13, file);
        QVERIFY(applySteps(*page, steps));
        const std::vector<uint8_t> bytes = page->trimBytes();
        QCOMPARE(bytes.size(), size_t(38));
        if (position < 0) {
            QCOMPARE(hex({bytes.begin() + 19, bytes.end()}), value);
            QCOMPARE(hex({bytes.begin(), bytes.begin() + 19}),
                     QString::fromLatin1(kMcu04Defaults).left(56));
        } else {
            QCOMPARE(hex({bytes[position]}), value);
        }
    }

    void saveThenConfigurationPageLoads_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("sectionKeys");
        QTest::addColumn<QString>("configBytes");
        QTest::newRow("KR4121") << 0 << chip::texts({"OSC时钟:31", "PLL时钟:1"}) << "KR4121ADTS"
                                << "m_com_KR4121_AdtPll m_com_KR4121_AdtOsc1 m_com_KR4121_AdtClk "
                                   "m_com_KR4121_AdtPwm m_n_KR4121_AdtCFG2"
                                << "ef 87 07";
        QTest::newRow("KR4161") << 4 << chip::texts({"ADJ_BG:0"}) << "KR4113/4161ADTS"
                                << "m_com_KR4113_Adten m_com_KR4113_Adtclk m_n_KR4113_ADTCFG4"
                                << "03 3f 0b 1f fe 07 ff ff ff ff";
        QTest::newRow("KR4111") << 1 << chip::texts({"OSC时钟:18"}) << "KR4111CFGS"
                                << "m_com_KR4111_Bg m_com_KR4111_Osc m_com_KR4111_Csd "
                                   "m_com_KR4111_TestRb m_n_KR4111_CFG1 m_n_KR4111_CFG2 "
                                   "m_n_KR4111_CFG3"
                                << "ea ef ad f7 00 00 00";
        QTest::newRow("ZU5712RA16") << 9 << chip::texts({"ADJ_OSC(MHz):5"}) << "KR5712AXCFGS"
                                    << "m_com_ZU5712RA16_ADJBGLP m_com_ZU5712RA16_ADJIREF "
                                       "m_n_ZU5712RA16_CFG1 m_n_ZU5712RA16_ADJLDODRIVE "
                                       "m_n_ZU5712RA16_ADJBORVTH m_n_ZU5712RA16_CFG4 "
                                       "m_n_ZU5712RA16_CFG5 m_n_ZU5712RA16_CFG6 "
                                       "m_n_ZU5712RA16_CFG7 m_n_ZU5712RA16_OSC_REG"
                                    << "0f 1e 7e 3f 0b 05 2d 2a";
        QTest::newRow("KR5814") << 11 << chip::texts({"LDO:5"}) << "MCU02CFGS"
                                << ""
                                << "ff 5f 7f ff 0d 4e 3f 1f ff ff ff 1f 64 ff";
    }
    void saveThenConfigurationPageLoads() {
        QFETCH(int, chipIndex);
        QFETCH(QStringList, steps);
        QFETCH(QString, section);
        QFETCH(QString, sectionKeys);
        QFETCH(QString, configBytes);
        ProfileFile file;
        auto page = trimPage(chipIndex, file);
        QVERIFY(applySteps(*page, steps));
        QVERIFY(page->saveToProfile());
        if (!sectionKeys.isEmpty())
            QCOMPARE(file.keys(section).join(QLatin1Char(' ')), sectionKeys);
        auto config = chip::makeConfigPage(chip::configPageOf(chipIndex), file.profile());
        config->loadFromProfile(chipIndex);
        QCOMPARE(hex(config->cfgBytes()), configBytes);
        QVERIFY(!file.text().contains("RO5812DA"));
    }

    void mcu01LoadsOnlyWhenAsked() {
        ProfileFile file;
        auto page = chip::makeTrimPage(chip::ConfigPage::MCU01, file.profile());
        page->initialise(8);
        QCOMPARE(hex(page->trimBytes()), QStringLiteral("00 00 00 00 00 00 00 00"));
        page->loadFromProfile(8);
        QCOMPARE(hex(page->trimBytes()), QStringLiteral("1f 7f 3f 0b ff 2d 2a 18"));
        page->loadFromProfile(3);  // not an MCU01 chip: nothing is saved
        QVERIFY(!page->saveToProfile());
    }

    void everyKeyIsInItsPageOrder() {
        ProfileFile file;
        for (int p = 0; p < chip::kConfigPageCount; ++p) {
            const auto kind = static_cast<chip::ConfigPage>(p);
            QCOMPARE(chip::checkDescription(chip::makeConfigPage(kind, file.profile())->desc()),
                     QStringList());
            QCOMPARE(chip::checkDescription(chip::makeTrimPage(kind, file.profile())->desc()),
                     QStringList());
        }
        chip::PageDesc broken =
            chip::makeTrimPage(chip::ConfigPage::KR4121, file.profile())->desc();
        broken.keyOrder.removeAll(QStringLiteral("m_com_osc"));
        QCOMPARE(chip::checkDescription(broken),
                 QStringList{QStringLiteral("not in the key order: m_com_osc")});
    }
};

QTEST_GUILESS_MAIN(TrimPagesTest)
#include "tst_trimpages.moc"
