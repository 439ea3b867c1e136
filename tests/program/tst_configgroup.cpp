// The programming page's configuration group in the main window on the simulated board: shown
// only in the engineering layout; the trim toggle swaps the pages and its caption.
#include "app/tesseldlg.h"
#include "pages/chip/configpages.h"
#include "pages/chip/engine/pageview.h"
#include "pages/program/cprogrammedlg.h"
#include "sim/simboard.h"

#include <QComboBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tessel;
using Control = ProgramView::Control;

class ConfigGroupTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SharedState state_;
    std::unique_ptr<SimBackend> backend_;
    ScriptedPrompts prompts_;
    std::unique_ptr<CTesselDlg> window_;

    CProgrammeDlg& page() { return window_->programPage(); }
    QPushButton* button(Control c) { return page().button(c); }

    void start(int chip, bool engineering) {
        state_.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        state_.chipIndex = chip;
        state_.engineeringLayout = engineering;
        SimOptions o;
        o.latencyMs = 0;
        backend_ = std::make_unique<SimBackend>(o);
        window_ = std::make_unique<CTesselDlg>(state_, *backend_, prompts_, true);
        window_->show();
        QTRY_VERIFY(page().logLines().contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        backend_->board().clearTrace();
    }
    QString trace() {
        QStringList out;
        for (const Report& r : backend_->board().trace())
            out << QString::asprintf("%02x", r[1]);
        return out.join(QLatin1Char(' '));
    }

private Q_SLOTS:
    void cleanup() {
        window_.reset();
        backend_.reset();
    }

    void groupFollowsTheLayout_data() {
        QTest::addColumn<bool>("engineering");
        QTest::newRow("client") << false;
        QTest::newRow("engineering") << true;
    }
    void groupFollowsTheLayout() {
        QFETCH(bool, engineering);
        start(11, engineering);
        for (Control c : {Control::WriteConfig, Control::TrimToggle, Control::WriteTrim})
            QCOMPARE(button(c)->isVisible(), engineering);
        QVERIFY(button(Control::ReadConfig)->isVisible());
    }

    void trimToggleSwapsThePages() {
        start(11, true);
        QCOMPARE(button(Control::TrimToggle)->text(), QStringLiteral("进入修调"));
        button(Control::TrimToggle)->click();
        QTRY_VERIFY(page().logLines().last() == QStringLiteral("进入烧录模式成功!"));
        QCOMPARE(button(Control::TrimToggle)->text(), QStringLiteral("退出修调"));
        QCOMPARE(page().currentPageView()->model().caption(), QStringLiteral("KR5814修调界面"));
        QVERIFY(button(Control::WriteTrim)->isEnabled());
        QVERIFY(!button(Control::WriteFlash)->isEnabled());
        button(Control::WriteTrim)->click();
        QTRY_COMPARE(page().logLines().last(), QStringLiteral("修调字写入正确!"));
        QCOMPARE(page().result(), ProgramView::Result::Ok);
        button(Control::TrimToggle)->click();
        QCOMPARE(page().logLines().last(), QStringLiteral("退出修调！"));
        QCOMPARE(button(Control::TrimToggle)->text(), QStringLiteral("进入修调"));
        QCOMPARE(page().currentPageView()->model().caption(), QStringLiteral("KR5814配置字界面"));
        QVERIFY(page().currentPageView()->model().fullView());
        QCOMPARE(trace(), QStringLiteral("80 81 8d 87"));
    }

    // An EEPROM operation in trim mode ends with leave programming mode (0x87): the target is
    // out of trim mode, and so is the page.
    void eepromOperationEndsTrimMode_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("control");
        QTest::addColumn<QString>("caption");
        QTest::newRow("KR5815/KR5715 read")
            << 10 << int(Control::ReadEeprom) << QStringLiteral("KR5815/5715 CONFIGS");
        QTest::newRow("KR5814 write")
            << 11 << int(Control::WriteEeprom) << QStringLiteral("KR5814配置字界面");
        QTest::newRow("VE5812DUZI read")
            << 13 << int(Control::ReadEeprom) << QStringLiteral("VE5812DUZI配置字界面");
    }
    void eepromOperationEndsTrimMode() {
        QFETCH(int, chip);
        QFETCH(int, control);
        QFETCH(QString, caption);
        start(chip, true);
        button(Control::TrimToggle)->click();
        QTRY_VERIFY(page().logLines().last() == QStringLiteral("进入烧录模式成功!"));
        QVERIFY(button(static_cast<Control>(control))->isEnabled());
        button(static_cast<Control>(control))->click();
        QTRY_VERIFY_WITH_TIMEOUT(!page().sequencer().busy(), 10000);
        QVERIFY(trace().endsWith(QStringLiteral(" 87")));
        QVERIFY(page().logLines().contains(QStringLiteral("退出修调！")));
        QCOMPARE(button(Control::TrimToggle)->text(), QStringLiteral("进入修调"));
        QVERIFY(!button(Control::WriteTrim)->isEnabled());
        QVERIFY(button(Control::WriteFlash)->isEnabled());
        QCOMPARE(page().currentPageView()->model().caption(), caption);
        // A trim write needs trim mode again, which brings the target back into programming
        // mode first.
        backend_->board().clearTrace();
        button(Control::TrimToggle)->click();
        QTRY_VERIFY(page().logLines().last() == QStringLiteral("进入烧录模式成功!"));
        QCOMPARE(trace(), QStringLiteral("80 81"));
    }

    void writeConfigFromTheButton() {
        start(5, true);
        button(Control::WriteConfig)->click();
        QTRY_VERIFY_WITH_TIMEOUT(button(Control::WriteConfig)->isEnabled(), 10000);
        QCOMPARE(trace(), QStringLiteral("80 81 88 89 87"));
        QCOMPARE(page().logLines().last(), QStringLiteral("配置字写入正确!"));
    }
};

QTEST_MAIN(ConfigGroupTest)
#include "tst_configgroup.moc"
