// The MCU01, MCU02 and MCU04 configuration pages: defaults, field coding, entry fields,
// the MCU02 read-back, the MCU01 chip bit and auto-save, the MCU04 hidden groups.
#include "pages/chip/configpages.h"
#include "pages/chip/mcu/mcuconfg.h"
#include "pagetest.h"

#include <QTest>

using namespace tessel;
using namespace chiptest;

namespace {

QStringList list(std::initializer_list<const char*> s) {
    return chip::texts(s);
}

bool edit(chip::PageModel& m, const char* caption, const char* text) {
    return m.setEditText(fieldOf(m, caption), QString::fromUtf8(text));
}

}  // namespace

class McuConfgTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // ---------------------------------------------------------------- MCU02

    void mcu02Defaults() {
        ProfileFile file;
        CMCU02Confg page(file.profile());
        page.initialise(10);
        QCOMPARE(hex(page.cfgBytes()), QStringLiteral("ff 7f 7f ff 0d 4e ff ff ff ff ff 1f 64 ef"));
        QCOMPARE(hex(page.writeWords()), QStringLiteral("7f 7f ff 0d 4e ff ff ff ff 64 ef"));
        QCOMPARE(hex(page.wordZeroWords()), QStringLiteral("ff ff 1f"));
        for (const char* c : {"BOR_VTH", "OSC1M", "ADJ_IREF", "ADJ_VREF"}) {
            QCOMPARE(page.selection(fieldOf(page, c)), -1);
        }
        QCOMPARE(shown(page, "LDO"), QStringLiteral("7"));
        QVERIFY(page.checked(fieldOf(page, "inf写擦除保护")));
        QVERIFY(!page.checked(fieldOf(page, "PD_CP")));
        QCOMPARE(page.labels().at(11), QStringLiteral("CFG_11 =  0x1f"));
        QCOMPARE(page.editText(fieldOf(page, "EEP_SEL  0x")), QStringLiteral("ff"));
        QCOMPARE(page.caption(), QStringLiteral("KR5815/5715 CONFIGS"));
    }

    void mcu02Coding_data() {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("value");  // item index, check state or entry text
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("label");
        QTest::newRow("ldo 5") << QByteArray() << QStringLiteral("LDO") << QStringLiteral("5") << 1
                               << 0x5F << QStringLiteral("CFG_1 = 0x5f");
        QTest::newRow("bor 12") << QByteArray() << QStringLiteral("BOR_VTH") << QStringLiteral("12")
                                << 1 << 0x7C << QStringLiteral("CFG_1 = 0x7c");
        QTest::newRow("osc1m 3") << QByteArray() << QStringLiteral("OSC1M") << QStringLiteral("3")
                                 << 3 << 0x07 << QStringLiteral("CFG_3 = 0x07");
        QTest::newRow("vol sel") << QByteArray() << QStringLiteral("OSC32K_VOL_SEL")
                                 << QStringLiteral("0") << 2 << 0x3F
                                 << QStringLiteral("CFG_2 = 0x3f");
        QTest::newRow("iref whole")
            << QByteArray() << QStringLiteral("ADJ_IREF") << QStringLiteral("40") << 6 << 40
            << QStringLiteral("CFG_6 = 0x28");
        QTest::newRow("vd15 l") << QByteArray() << QStringLiteral("VD15_N_L")
                                << QStringLiteral("23") << 5 << 0xBE
                                << QStringLiteral("CFG_5 = 0xbe");
        QTest::newRow("pd cp") << QByteArray() << QStringLiteral("PD_CP") << QStringLiteral("1")
                               << 5 << 0x4F << QStringLiteral("CFG_5 = 0x4f");
        QTest::newRow("prs off") << QByteArray() << QStringLiteral("PRS_EN") << QStringLiteral("0")
                                 << 8 << 0xDF << QStringLiteral("CFG_8 = 0xdf");
        QTest::newRow("sram") << QByteArray() << QStringLiteral("SRAM_SEL") << QStringLiteral("2")
                              << 9 << 0xFE << QStringLiteral("CFG_9 = 0xfe");
        QTest::newRow("vd15 h_s 15")
            << QByteArray("[MCU02CFGS]\nm_n_MCU02_ADT_CFG12=0\n") << QStringLiteral("VD15_H_S")
            << QStringLiteral("15") << 12 << 0xF0 << QStringLiteral("CFG_12 = 0xf0");
        QTest::newRow("vref lp") << QByteArray() << QStringLiteral("VREF_LP") << QStringLiteral("0")
                                 << 13 << 0xE0 << QStringLiteral("CFG_13 = 0xe0");
        QTest::newRow("eep 1a") << QByteArray() << QStringLiteral("EEP_SEL  0x")
                                << QStringLiteral("1a") << 11 << 0x1A
                                << QStringLiteral("CFG_11 = 0x1a");
        QTest::newRow("eep 3f") << QByteArray() << QStringLiteral("EEP_SEL  0x")
                                << QStringLiteral("3f") << 11 << 0x1F
                                << QStringLiteral("CFG_11 = 0x1f");
        QTest::newRow("pw zz") << QByteArray() << QStringLiteral("main_pw   0x")
                               << QStringLiteral("zz") << 10 << 0x00
                               << QStringLiteral("CFG_10 = 0x00");
        QTest::newRow("pw 1a3") << QByteArray() << QStringLiteral("main_pw   0x")
                                << QStringLiteral("1a3") << 10 << 0xA3
                                << QStringLiteral("CFG_10 = 0xa3");
    }
    void mcu02Coding() {
        QFETCH(QByteArray, profile);
        QFETCH(QString, caption);
        QFETCH(QString, value);
        QFETCH(int, word);
        QFETCH(int, expected);
        QFETCH(QString, label);
        ProfileFile file;
        if (!profile.isEmpty())
            file.write(profile);
        CMCU02Confg page(file.profile());
        page.initialise(12);
        page.setFullView(true);
        const int f = page.fieldIndex(caption);
        QVERIFY(f >= 0);
        const bool ok = page.field(f).kind == chip::ControlKind::HexEdit
                            ? page.setEditText(f, value)
                            : page.choose(f, value.toInt());
        QVERIFY(ok);
        QCOMPARE(int(page.word(word)), expected);
        QCOMPARE(page.labels().at(page.position(word)), label);
    }

    void mcu02Vd15ListsHoldSixteen() {
        ProfileFile file;
        CMCU02Confg page(file.profile());
        page.initialise(10);
        page.setFullView(true);
        QCOMPARE(page.items(fieldOf(page, "VD15_H_S")).size(), 16);
        QVERIFY(!choose(page, "VD15_L_S", 16));
        QCOMPARE(page.word(12), uint8_t(0x64));
    }

    void mcu02RestrictedView() {
        ProfileFile file;
        CMCU02Confg page(file.profile());
        page.initialise(10);
        QVERIFY(page.wordVisible(page.position(0)));
        QVERIFY(page.wordVisible(page.position(10)));
        QVERIFY(!page.wordVisible(page.position(11)));
        QVERIFY(!page.saveVisible());
        QVERIFY(!edit(page, "EEP_SEL  0x", "1"));
        QVERIFY(edit(page, "main_pw   0x", "12"));
        QCOMPARE(page.word(10), uint8_t(0x12));
    }

    void mcu02ReadBack() {
        ProfileFile file;
        CMCU02Confg page(file.profile());
        page.initialise(10);
        page.setFullView(true);
        Report reply{};
        reply[1] = 0x82;
        reply[16] = 0x85;  // CFG8
        reply[2] = 0x25;   // CFG1
        reply[38] = 0x0A;  // CFG0
        reply[39] = 0x5A;  // CFG10
        reply[40] = 0xFF;  // CFG11
        reply[CMCU02Confg::kReadStatusByte] = 1;
        QVERIFY(page.showReadBack(11, reply));
        QCOMPARE(page.caption(), QString::fromUtf8("KR5814配置字界面"));
        QCOMPARE(int(page.word(8)), 0x85);
        QVERIFY(page.checked(fieldOf(page, "CSD_EN")));
        QVERIFY(page.checked(fieldOf(page, "CHIP_MODE")));
        QVERIFY(!page.checked(fieldOf(page, "spi1_freq_lock")));
        QVERIFY(!page.checked(fieldOf(page, "PRS_EN")));
        QVERIFY(!page.checked(fieldOf(page, "EEPROM_EN")));
        QCOMPARE(shown(page, "VTH_SEL"), QStringLiteral("1.81~2.825"));
        QCOMPARE(shown(page, "LDO"), QStringLiteral("2"));
        QCOMPARE(shown(page, "BOR_VTH"), QStringLiteral("2.574"));
        QVERIFY(page.checked(fieldOf(page, "inf写擦除保护")));
        QVERIFY(page.checked(fieldOf(page, "JTAG wdt关闭")));
        QVERIFY(!page.checked(fieldOf(page, "JTAG不关闭MCU时钟")));
        QCOMPARE(int(page.word(11)), 0x1F);
        QCOMPARE(page.editText(fieldOf(page, "main_pw   0x")), QStringLiteral("5a"));
        QCOMPARE(page.labels().at(8), QStringLiteral("CFG_8 = 0x85"));
        QCOMPARE(page.labels().at(11), QStringLiteral("CFG_11 =  0x1f"));
        QCOMPARE(hex(page.wordZeroWords()), QStringLiteral("0a 5a 1f"));
    }

    void mcu02FailedReadBackLeavesThePage_data() {
        QTest::addColumn<int>("status");
        QTest::newRow("crc or inverse") << 0;
        QTest::newRow("command crc") << 2;
        QTest::newRow("wrong ic") << 3;
    }
    void mcu02FailedReadBackLeavesThePage() {
        QFETCH(int, status);
        ProfileFile file;
        CMCU02Confg page(file.profile());
        page.initialise(10);
        Report reply{};
        reply[CMCU02Confg::kReadStatusByte] = static_cast<uint8_t>(status);
        QVERIFY(!page.showReadBack(11, reply));
        QCOMPARE(hex(page.cfgBytes()), QStringLiteral("ff 7f 7f ff 0d 4e ff ff ff ff ff 1f 64 ef"));
        QCOMPARE(page.caption(), QStringLiteral("KR5815/5715 CONFIGS"));
    }

    void mcu02Captions_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QString>("caption");
        QTest::newRow("10") << 10 << QStringLiteral("KR5815/5715 CONFIGS");
        QTest::newRow("11") << 11 << QString::fromUtf8("KR5814配置字界面");
        QTest::newRow("12") << 12 << QString::fromUtf8("KR5813/5713配置字界面");
        QTest::newRow("other keeps template") << 3 << QString::fromUtf8("MCU02配置字界面");
    }
    void mcu02Captions() {
        QFETCH(int, chipIndex);
        QFETCH(QString, caption);
        ProfileFile file;
        CMCU02Confg page(file.profile());
        page.loadFromProfile(chipIndex);
        QCOMPARE(page.caption(), caption);
    }

    void mcu02SavesKeysInOrder() {
        ProfileFile file;
        file.write("[MCU02CFGS]\r\nm_n_MCU02_ADT_CFG1=18\r\n");
        CMCU02Confg page(file.profile());
        page.initialise(12);
        page.setFullView(true);
        QVERIFY(edit(page, "EEP_SEL  0x", "7"));
        QVERIFY(page.saveToProfile());
        const QString s = QStringLiteral("MCU02CFGS");
        QCOMPARE(file.value(s, "m_n_MCU02_ADT_BORVTH"), -1);
        QCOMPARE(file.value(s, "m_n_MCU02_ADT_CFG1"), 18);
        QCOMPARE(file.value(s, "m_eeprom_sel"), 7);
        QCOMPARE(file.value(s, "m_main_password"), 255);
        QCOMPARE(file.value(s, "m_n_MCU02_ADT_CFG6"), 255);
        QCOMPARE(file.value(s, "m_n_MCU02_ADT_OSC1M"), -1);
        const QStringList keys = file.keys(s);
        QCOMPARE(keys.size(), 45);
        QCOMPARE(keys.first(), QStringLiteral("m_n_MCU02_ADT_CFG1"));  // kept in place
        QCOMPARE(keys.mid(1, 6),
                 list({"m_check_MCU02_inf", "m_check_MCU02_wdt", "m_check_MCU02_mcuClk",
                       "m_n_MCU02_ADT_CFG0", "m_n_MCU02_ADJLDO", "m_n_MCU02_ADT_BORVTH"}));
        QCOMPARE(keys.mid(34, 4), list({"m_n_MCU02_ADT_CFG9", "m_main_password", "m_eeprom_sel",
                                        "m_VD15_H_S_MCU02"}));
        QCOMPARE(keys.last(), QStringLiteral("m_n_MCU02_ADT_CFG13"));
    }

    void mcu02SavesNothingForOtherChips() {
        ProfileFile file;
        CMCU02Confg page(file.profile());
        page.initialise(13);
        page.setFullView(true);
        QVERIFY(!page.saveToProfile());
        QVERIFY(!QFile::exists(file.path()));
    }

    // ---------------------------------------------------------------- MCU04

    void mcu04Defaults() {
        ProfileFile file;
        CMCU04 page(file.profile());
        page.initialise(13);
        QCOMPARE(hex(page.cfgBytes()), QStringLiteral("ff ff 01 1f 3f c9 2d ff 3f 64 7f 0f ff 07 "
                                                      "03 ff ff ff 03 ff ff ff 22 6a 28 18 00"));
        QCOMPARE(hex(page.writeWords()), QStringLiteral("01 1f 3f c9 2d ff 3f 64 7f 0f ff 07 03 "
                                                        "ff ff ff 03 ff ff ff 22 6a 28 18 00"));
        QCOMPARE(hex(page.wordZeroWords()), QStringLiteral("ff ff"));
        QCOMPARE(page.selection(fieldOf(page, "LDO_DRV")), -1);
        QCOMPARE(page.selection(fieldOf(page, "LDO_VREF_S")), -1);
        QCOMPARE(shown(page, "VD15_L_N"), QStringLiteral("1.450"));
        QCOMPARE(page.labels().at(0), QStringLiteral("CFG_0 = 0xff"));
        QCOMPARE(page.labels().at(1), QStringLiteral("CFG_30 = 0xff"));
        QCOMPARE(page.labels().at(12), QStringLiteral("CFG_11 =  0xff"));
        QCOMPARE(page.editText(fieldOf(page, "TMODE2[5:0]")), QStringLiteral("2a"));
        QCOMPARE(page.caption(), QString::fromUtf8("VE5812DUZI配置字界面"));
    }

    void mcu04Edits_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("word");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("label");
        QTest::newRow("jtag wdt off") << QStringLiteral("jtag_pd_wdt") << QStringLiteral("0") << 0
                                      << 0xF7 << QStringLiteral("CFG0 = 0xf7");
        QTest::newRow("inf off") << QStringLiteral("inf_wr_protect") << QStringLiteral("0") << 0
                                 << 0xFD << QStringLiteral("CFG0 = 0xfd");
        QTest::newRow("pw 1ff") << QStringLiteral("main_password    0x") << QStringLiteral("1ff")
                                << 30 << 0xFF << QStringLiteral("PW_REG = 0xff");
        QTest::newRow("pw g") << QStringLiteral("main_password    0x") << QStringLiteral("g") << 30
                              << 0x00 << QStringLiteral("PW_REG = 0x00");
    }
    void mcu04Edits() {
        QFETCH(QString, caption);
        QFETCH(QString, value);
        QFETCH(int, word);
        QFETCH(int, expected);
        QFETCH(QString, label);
        ProfileFile file;
        CMCU04 page(file.profile());
        page.initialise(13);
        const int f = page.fieldIndex(caption);
        const bool ok = page.field(f).kind == chip::ControlKind::HexEdit
                            ? page.setEditText(f, value)
                            : page.choose(f, value.toInt());
        QVERIFY(ok);
        QCOMPARE(int(page.word(word)), expected);
        QCOMPARE(page.labels().at(page.position(word)), label);
    }

    void mcu04HiddenGroupsStayHiddenAndUnsaved() {
        ProfileFile file;
        CMCU04 page(file.profile());
        page.initialise(13);
        page.setFullView(true);
        for (int n = 1; n <= 25; ++n)
            QVERIFY(!page.wordVisible(page.position(n)));
        QVERIFY(page.wordVisible(page.position(30)));
        QVERIFY(!page.saveVisible());
        QVERIFY(!choose(page, "OSC1M", 3));
        QVERIFY(!page.saveToProfile());
        QVERIFY(choose(page, "wdtrst_idle", 0));
        QVERIFY(!QFile::exists(file.path()));
    }

    void mcu04ByteKeysWinOverEditKeys() {
        ProfileFile file;
        file.write(
            "[MCU04CFGS]\ndata0_cfg22_tmode2=63\nm_n_MCU04_CFG22=0\nm_n_MCU04_CFG30=18\n"
            "m_cfg4_ldodrv=2\nm_n_MCU04_CFG21=300\n");
        CMCU04 page(file.profile());
        page.initialise(13);
        QCOMPARE(int(page.word(22)), 0);
        QCOMPARE(page.editText(fieldOf(page, "TMODE2[5:0]")), QStringLiteral("3f"));
        QCOMPARE(page.editText(fieldOf(page, "main_password    0x")), QStringLiteral("12"));
        QCOMPARE(int(page.word(21)), 0x2C);
        QCOMPARE(shown(page, "LDO_DRV"), QStringLiteral("2uA"));
        QCOMPARE(int(page.word(4)), 0xC9);  // the list does not re-encode its byte
        QVERIFY(!page.fieldEnabled(fieldOf(page, "TMODE1[8]")));
    }

    // ---------------------------------------------------------------- MCU01

    void mcu01Defaults_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("RO5812DA") << 8 << QStringLiteral("0f 01 67 00 00 00 00 00");
        QTest::newRow("ZU5712RA16") << 9 << QStringLiteral("0f 00 66 00 00 00 00 00");
    }
    void mcu01Defaults() {
        QFETCH(int, chipIndex);
        QFETCH(QString, bytes);
        ProfileFile file;
        CMCU01Confg page(file.profile());
        page.initialise(chipIndex);
        QCOMPARE(hex(page.cfgBytes()), bytes);
        QCOMPARE(hex(page.writeWords()), bytes);
        QVERIFY(!QFile::exists(file.path()));
    }

    void mcu01Coding_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<QString>("label");
        QTest::newRow("pd vth off")
            << 8 << QByteArray("[KR5712AXCFGS]\nm_n_RO5812DA_CFG0=247\n")
            << QStringLiteral("PD_VTH_EN") << 0 << QStringLiteral("0f 01 67 00 00 00 00 00")
            << QStringLiteral("CFG_0 = 0x0f");
        QTest::newRow("pd vth on")
            << 9 << QByteArray() << QStringLiteral("PD_VTH_EN") << 1
            << QStringLiteral("07 00 66 00 00 00 00 00") << QStringLiteral("CFG_0 = 0x07");
        QTest::newRow("vth 8") << 8 << QByteArray("[KR5712AXCFGS]\nm_n_RO5812DA_CFG1=255\n")
                               << QStringLiteral("ADJ_VTH") << 5
                               << QStringLiteral("0f 0b 67 00 00 00 00 00")
                               << QStringLiteral("CFG_1 = 0x0b");
        QTest::newRow("vth 9") << 9 << QByteArray() << QStringLiteral("ADJ_VTH") << 5
                               << QStringLiteral("0f 0a 66 00 00 00 00 00")
                               << QStringLiteral("CFG_1 = 0x0a");
        QTest::newRow("bg lp") << 8 << QByteArray() << QStringLiteral("ADJ_BG_LP") << 7
                               << QStringLiteral("0f 01 e7 00 00 00 00 00")
                               << QStringLiteral("CFG_2 = 0xe7");
        QTest::newRow("iref") << 9 << QByteArray() << QStringLiteral("ADJ_IREF") << 15
                              << QStringLiteral("0f 00 7e 00 00 00 00 00")
                              << QStringLiteral("CFG_2 = 0x7e");
        QTest::newRow("ldo dri") << 8 << QByteArray() << QStringLiteral("ADJ_LDO_DRI") << 3
                                 << QStringLiteral("0f 01 67 30 00 00 00 00")
                                 << QStringLiteral("CFG_3 = 0x30");
        QTest::newRow("bor vth") << 8 << QByteArray("[KR5712AXCFGS]\nm_n_RO5812DA_ADJLDODRIVE=2\n")
                                 << QStringLiteral("ADJ_BOR_VTH") << 9
                                 << QStringLiteral("0f 01 67 29 00 00 00 00")
                                 << QStringLiteral("CFG_3 = 0x29");
        QTest::newRow("osc32k") << 8 << QByteArray() << QStringLiteral("ADJ_OSC32K") << 5
                                << QStringLiteral("0f 01 67 00 05 00 00 00")
                                << QStringLiteral("CFG_4= 0x05");
        QTest::newRow("vd l") << 9 << QByteArray() << QStringLiteral("ADJ_VD_L") << 63
                              << QStringLiteral("0f 00 66 00 00 00 00 3f")
                              << QStringLiteral("CFG_7= 0x3f");
    }
    void mcu01Coding() {
        QFETCH(int, chipIndex);
        QFETCH(QByteArray, profile);
        QFETCH(QString, caption);
        QFETCH(int, index);
        QFETCH(QString, bytes);
        QFETCH(QString, label);
        ProfileFile file;
        if (!profile.isEmpty())
            file.write(profile);
        CMCU01Confg page(file.profile());
        page.initialise(chipIndex);
        page.setFullView(true);
        const int f = page.fieldIndex(caption);
        QVERIFY(page.choose(f, index));
        QCOMPARE(hex(page.cfgBytes()), bytes);
        QCOMPARE(page.labels().at(page.position(page.field(f).word)), label);
    }

    void mcu01SavesEveryChangeUnderTheChipsKeys() {
        ProfileFile file;
        file.write("[KR5712AXCFGS]\r\nm_n_RO5812DA_CFG4=7\r\n");
        CMCU01Confg page(file.profile());
        page.initialise(9);
        page.setFullView(true);
        QVERIFY(choose(page, "ADJ_VD_H", 10));
        QCOMPARE(
            file.keys(QStringLiteral("KR5712AXCFGS")),
            list({"m_n_RO5812DA_CFG4", "m_check_ZU5712RA16_inf", "m_check_ZU5712RA16_main",
                  "m_check_ZU5712RA16_VTH_EN", "m_com_ZU5712RA16_ADJBGLP",
                  "m_com_ZU5712RA16_ADJIREF", "m_n_ZU5712RA16_CFG0", "m_n_ZU5712RA16_CFG1",
                  "m_n_ZU5712RA16_ADJLDODRIVE", "m_n_ZU5712RA16_ADJBORVTH", "m_n_ZU5712RA16_CFG4",
                  "m_n_ZU5712RA16_CFG5", "m_n_ZU5712RA16_CFG6", "m_n_ZU5712RA16_CFG7"}));
        QCOMPARE(file.value(QStringLiteral("KR5712AXCFGS"), "m_n_ZU5712RA16_CFG6"), 10);
        QCOMPARE(file.value(QStringLiteral("KR5712AXCFGS"), "m_n_RO5812DA_CFG4"), 7);

        // Chip 8 reads its own keys; the bytes of chip 9 are not kept.
        page.loadFromProfile(8);
        QCOMPARE(hex(page.cfgBytes()), QStringLiteral("0f 01 67 00 07 00 00 00"));
        page.loadFromProfile(9);
        QCOMPARE(int(page.word(6)), 10);
    }

    void mcu01ChipBitFollowsTheChipOnLoad() {
        ProfileFile file;
        file.write(
            "[KR5712AXCFGS]\nm_n_ZU5712RA16_CFG1=31\nm_n_RO5812DA_CFG1=30\n"
            "m_com_ZU5712RA16_ADJIREF=40\n");
        CMCU01Confg page(file.profile());
        page.initialise(9);
        QCOMPARE(int(page.word(1)), 0x1E);
        QCOMPARE(shown(page, "ADJ_VTH"), QStringLiteral("2.558"));
        QCOMPARE(page.selection(fieldOf(page, "ADJ_IREF")), -1);
        QCOMPARE(int(page.word(2)), 0x60);  // IREF without a selection contributes nothing
        page.loadFromProfile(8);
        QCOMPARE(int(page.word(1)), 0x1F);
    }

    void mcu01ViewsAndLanguage() {
        ProfileFile file;
        CMCU01Confg page(file.profile());
        page.initialise(8);
        const int inf = fieldOf(page, "INF写擦除保护");
        const int vth = fieldOf(page, "PD_VTH_EN");
        QVERIFY(page.fieldVisible(inf));
        QVERIFY(!page.fieldEnabled(inf));
        QVERIFY(!page.fieldVisible(vth));
        QVERIFY(!page.wordVisible(1));
        QVERIFY(!page.choose(vth, 1));
        QCOMPARE(page.caption(), QString::fromUtf8("RO5812DA配置字界面"));
        page.applyLanguage(1);
        QCOMPARE(page.caption(), QStringLiteral("RO5812DA CONFIGS"));
        QCOMPARE(page.fieldCaption(inf), QStringLiteral("InfWriteProtection"));
        QCOMPARE(page.fieldCaption(fieldOf(page, "MAIN读保护")),
                 QStringLiteral("MainReadProtection"));
        QCOMPARE(page.fieldCaption(vth), QStringLiteral("PD_VTH_EN"));
        page.loadFromProfile(9);
        QCOMPARE(page.caption(), QStringLiteral("ZU5712RA16 CONFIGS"));
        page.applyLanguage(0);
        QCOMPARE(page.caption(), QString::fromUtf8("ZU5712RA16配置字界面"));
        page.setFullView(true);
        QVERIFY(page.fieldVisible(vth));
        QVERIFY(page.saveVisible());
    }

    void mcu01OtherChipsLoadAndSaveNothing() {
        ProfileFile file;
        CMCU01Confg page(file.profile());
        page.initialise(8);
        page.setFullView(true);
        page.loadFromProfile(2);
        QCOMPARE(hex(page.cfgBytes()), QStringLiteral("0f 01 67 00 00 00 00 00"));
        QVERIFY(page.choose(fieldOf(page, "ADJ_VD_L"), 3));
        QVERIFY(!page.saveToProfile());
        QVERIFY(!QFile::exists(file.path()));
    }

    // ---------------------------------------------------------------- the CLI report

    void reports_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("MCU01") << 8 << 9 << QStringLiteral("bytes=0f 01 67 00 00 00 00 00");
        QTest::newRow("MCU02") << 11 << 15
                               << QStringLiteral("bytes=7f 7f ff 0d 4e ff ff ff ff 64 ef ff ff 1f");
        QTest::newRow("MCU04") << 13 << 28
                               << QStringLiteral(
                                      "bytes=01 1f 3f c9 2d ff 3f 64 7f 0f ff 07 03 ff "
                                      "ff ff 03 ff ff ff 22 6a 28 18 00 ff ff");
    }
    void reports() {
        QFETCH(int, chipIndex);
        QFETCH(int, lines);
        QFETCH(QString, bytes);
        ProfileFile file;
        const QStringList report = chip::configReport(chipIndex, file.profile());
        QCOMPARE(report.size(), lines);
        QCOMPARE(report.last(), bytes);
        QVERIFY(report.first().startsWith(QStringLiteral("CFG_0 = 0x")));
        QVERIFY(chip::configReport(14, file.profile()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(McuConfgTest)
#include "tst_mcuconfg.moc"
