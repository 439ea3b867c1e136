// The KR4121 configuration page: defaults, the coding of every field, the lock, the
// profile keys and their order.
#include "pages/chip/configpages.h"
#include "pages/chip/kr41xx/kr41xxconfg.h"
#include "pagetest.h"

#include <QTest>

using namespace tessel;
using namespace chiptest;

namespace {

// Applies "caption:index" steps; fails the test when a step is refused.
bool applySteps(chip::PageModel& m, const QStringList& steps) {
    for (const QString& step : steps) {
        const int colon = step.lastIndexOf(QLatin1Char(':'));
        if (!m.choose(step.left(colon), step.mid(colon + 1).toInt()))
            return false;
    }
    return true;
}

}  // namespace

class KR4121ConfgTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void defaultsWithoutProfile() {
        ProfileFile file;
        CKR4121Confg page(file.profile());
        page.initialise(0);
        QCOMPARE(hex(page.cfgBytes()), QStringLiteral("0f 87 07"));
        QCOMPARE(page.labels(),
                 QStringList({QStringLiteral("CFG_0 = 0x0f"), QStringLiteral("CFG_1 = 0x87"),
                              QStringLiteral("CFG_2 = 0x07")}));
        const char* captions[] = {"LDO输出电压",    "OSC时钟", "读保护0", "锁相环微调", "写保护",
                                  "锁相环时钟频率", "读保护1", "CSD时钟", "掉电复位",   "MCU时钟"};
        const char* expected[] = {"2.496 V", "501.4 KHz", "关",      "0",  "关",
                                  "12 MHz",  "关",        "f/2 MHz", "关", "f/1 MHz"};
        for (int i = 0; i < 10; ++i) {
            QCOMPARE(shown(page, captions[i]), QString::fromUtf8(expected[i]));
            QCOMPARE(page.fieldEnabled(fieldOf(page, captions[i])), i >= 6);
        }
        QCOMPARE(page.lockCfg01(), 1);
        QVERIFY(!QFile::exists(file.path()));
    }

    void restrictedViewShowsOnlyCfg0() {
        ProfileFile file;
        CKR4121Confg page(file.profile());
        page.initialise(0);
        QVERIFY(page.wordVisible(0));
        QVERIFY(!page.wordVisible(1));
        QVERIFY(!page.wordVisible(2));
        QVERIFY(page.fieldVisible(fieldOf(page, "OSC时钟")));
        QVERIFY(!page.fieldVisible(fieldOf(page, "锁定配置字0和1")));
        QVERIFY(!page.saveVisible());
        page.setFullView(true);
        QVERIFY(page.wordVisible(2));
        QVERIFY(page.saveVisible());
    }

    void coding_data() {
        QTest::addColumn<QByteArray>("bytes");  // CFG0, CFG1, CFG2 in the profile
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ldo 2.240")
            << QByteArray("0 0 0") << QStringList{QStringLiteral("LDO输出电压:0")}
            << QStringLiteral("03 00 00");
        QTest::newRow("ldo then osc top")
            << QByteArray("0 64 0")
            << QStringList{QStringLiteral("LDO输出电压:0"), QStringLiteral("OSC时钟:31")}
            << QStringLiteral("e3 00 00");
        QTest::newRow("osc top then 508.9")
            << QByteArray("0 0 0")
            << QStringList{QStringLiteral("LDO输出电压:0"), QStringLiteral("OSC时钟:31"),
                           QStringLiteral("OSC时钟:15")}
            << QStringLiteral("e3 40 00");
        QTest::newRow("ldo keeps osc bits")
            << QByteArray("240 0 0") << QStringList{QStringLiteral("LDO输出电压:15")}
            << QStringLiteral("fc 00 00");
        QTest::newRow("pll trim 6")
            << QByteArray("0 0 0") << QStringList{QStringLiteral("锁相环微调:1")}
            << QStringLiteral("00 10 00");
        QTest::newRow("pll trim 9")
            << QByteArray("0 0 0") << QStringList{QStringLiteral("锁相环微调:2")}
            << QStringLiteral("00 08 00");
        QTest::newRow("24 MHz with upper osc")
            << QByteArray("0 0 0")
            << QStringList{QStringLiteral("OSC时钟:20"), QStringLiteral("锁相环时钟频率:2")}
            << QStringLiteral("50 40 00");
        QTest::newRow("then 16 MHz keeps bit 6")
            << QByteArray("0 0 0")
            << QStringList{QStringLiteral("OSC时钟:20"), QStringLiteral("锁相环时钟频率:2"),
                           QStringLiteral("锁相环时钟频率:1")}
            << QStringLiteral("50 60 00");
        QTest::newRow("12 MHz leaves bit 6")
            << QByteArray("0 64 0") << QStringList{QStringLiteral("锁相环时钟频率:0")}
            << QStringLiteral("00 40 00");
        QTest::newRow("protections off")
            << QByteArray("0 0 0")
            << QStringList{QStringLiteral("读保护0:1"), QStringLiteral("写保护:1"),
                           QStringLiteral("读保护1:1"), QStringLiteral("掉电复位:1")}
            << QStringLiteral("00 03 03");
        QTest::newRow("csd mcu f/18")
            << QByteArray("0 0 3")
            << QStringList{QStringLiteral("CSD时钟:7"), QStringLiteral("MCU时钟:7")}
            << QStringLiteral("00 00 ff");
        QTest::newRow("protection on keeps others")
            << QByteArray("255 255 255") << QStringList{QStringLiteral("读保护1:0")}
            << QStringLiteral("ff ff fe");
    }
    void coding() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, steps);
        QFETCH(QString, expected);
        ProfileFile file;
        const QList<QByteArray> b = bytes.split(' ');
        file.write("[KR4121CFGS]\r\nm_check_lock=0\r\nm_n_KR4121_CFG0=" + b[0] +
                   "\r\nm_n_KR4121_CFG1=" + b[1] + "\r\nm_n_KR4121_CFG2=" + b[2] + "\r\n");
        CKR4121Confg page(file.profile());
        page.initialise(0);
        page.setFullView(true);
        QVERIFY(applySteps(page, steps));
        QCOMPARE(hex(page.cfgBytes()), expected);
    }

    void labelsFollowTheTouchedWords() {
        ProfileFile file;
        file.write("[KR4121CFGS]\r\nm_check_lock=0\r\n");
        CKR4121Confg page(file.profile());
        page.initialise(0);
        page.setFullView(true);
        QVERIFY(choose(page, "OSC时钟", 31));
        QCOMPARE(page.labels(),
                 QStringList({QStringLiteral("CFG_0 = 0xef"), QStringLiteral("CFG_1 = 0x87"),
                              QStringLiteral("CFG_2 = 0x07")}));
    }

    void lockDisablesCfg0AndCfg1Lists() {
        ProfileFile file;
        CKR4121Confg page(file.profile());
        page.initialise(0);
        page.setFullView(true);
        QVERIFY(!choose(page, "LDO输出电压", 0));  // disabled while locked
        QCOMPARE(hex(page.cfgBytes()), QStringLiteral("0f 87 07"));
        QVERIFY(choose(page, "锁定配置字0和1", 0));
        QCOMPARE(page.lockCfg01(), 0);
        QCOMPARE(hex(page.cfgBytes()), QStringLiteral("0f 87 07"));
        QVERIFY(page.fieldEnabled(fieldOf(page, "写保护")));
        QVERIFY(choose(page, "LDO输出电压", 0));
        QCOMPARE(page.word(0), uint8_t(0x03));
    }

    void savesKeysInOrderAndReloadsUnlocked() {
        ProfileFile file;
        CKR4121Confg page(file.profile());
        page.initialise(0);
        page.setFullView(true);
        QVERIFY(choose(page, "锁定配置字0和1", 0));
        QVERIFY(choose(page, "MCU时钟", 7));
        QVERIFY(page.saveToProfile());
        QCOMPARE(file.text(), QByteArray("[KR4121CFGS]\r\nm_com_vddctrl=8\r\nm_com_osc=14\r\n"
                                         "m_com_rprotect0=1\r\nm_com_mod=0\r\nm_com_wprotect=1\r\n"
                                         "m_com_div=0\r\nm_com_rprotect1=1\r\nm_com_csd=1\r\n"
                                         "m_com_rstdt=1\r\nm_com_mcu=7\r\nm_check_lock=0\r\n"
                                         "m_n_KR4121_CFG0=15\r\nm_n_KR4121_CFG1=135\r\n"
                                         "m_n_KR4121_CFG2=231\r\n"));
        CKR4121Confg again(file.profile());
        again.initialise(0);
        QCOMPARE(again.lockCfg01(), 0);
        QVERIFY(again.fieldEnabled(fieldOf(again, "LDO输出电压")));
        QCOMPARE(again.word(2), uint8_t(0xE7));
    }

    void indicesAndBytesLoadIndependently_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("ldo");
        QTest::addColumn<QString>("osc");
        QTest::addColumn<QString>("bytes");
        QTest::newRow("indices only")
            << QByteArray("[KR4121CFGS]\nm_com_vddctrl=15\nm_com_osc=31\n")
            << QStringLiteral("2.850 V") << QStringLiteral("678.7 KHz")
            << QStringLiteral("0f 87 07");
        QTest::newRow("bytes only")
            << QByteArray("[kr4121cfgs]\nM_N_KR4121_CFG0=0\nm_n_KR4121_CFG2=511\n")
            << QStringLiteral("2.496 V") << QStringLiteral("501.4 KHz")
            << QStringLiteral("00 87 ff");
        QTest::newRow("index beyond list")
            << QByteArray("[KR4121CFGS]\nm_com_vddctrl=16\nm_com_osc=-1\n") << QString()
            << QString() << QStringLiteral("0f 87 07");
        QTest::newRow("other section ignored")
            << QByteArray("[KR4111CFGS]\nm_n_KR4121_CFG0=1\n") << QStringLiteral("2.496 V")
            << QStringLiteral("501.4 KHz") << QStringLiteral("0f 87 07");
    }
    void indicesAndBytesLoadIndependently() {
        QFETCH(QByteArray, file);
        QFETCH(QString, ldo);
        QFETCH(QString, osc);
        QFETCH(QString, bytes);
        ProfileFile f;
        f.write(file);
        CKR4121Confg page(f.profile());
        page.initialise(0);
        QCOMPARE(shown(page, "LDO输出电压"), ldo);
        QCOMPARE(shown(page, "OSC时钟"), osc);
        QCOMPARE(hex(page.cfgBytes()), bytes);
    }

    void saveWritesMinusOneForNoSelection() {
        ProfileFile f;
        f.write("[KR4121CFGS]\r\nm_com_mod=9\r\n");
        CKR4121Confg page(f.profile());
        page.initialise(0);
        QVERIFY(page.saveToProfile());
        QCOMPARE(f.value(QStringLiteral("KR4121CFGS"), "m_com_mod"), -1);
    }

    void oscDecodesBothWords_data() {
        QTest::addColumn<int>("index");
        for (int i : {0, 1, 14, 15, 16, 30, 31})
            QTest::newRow(qPrintable(QString::number(i))) << i;
    }
    void oscDecodesBothWords() {
        QFETCH(int, index);
        ProfileFile f;
        f.write("[KR4121CFGS]\r\nm_check_lock=0\r\n");
        CKR4121Confg page(f.profile());
        page.initialise(0);
        QVERIFY(choose(page, "OSC时钟", index));
        const int osc = fieldOf(page, "OSC时钟");
        page.setSelection(osc, -1);
        page.decodeField(osc);
        QCOMPARE(page.selection(osc), index);
    }

    void reportLinesForTheCli() {
        ProfileFile f;
        f.write("[KR4121CFGS]\r\nm_n_KR4121_CFG0=18\r\n");
        QCOMPARE(chip::configReport(0, f.profile()),
                 QStringList({QStringLiteral("CFG_0 = 0x12"), QStringLiteral("CFG_1 = 0x87"),
                              QStringLiteral("CFG_2 = 0x07"), QStringLiteral("bytes=12 87 07")}));
    }
};

QTEST_GUILESS_MAIN(KR4121ConfgTest)
#include "tst_kr4121confg.moc"
