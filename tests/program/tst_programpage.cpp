// The programming page in the main window on the simulated board: its buttons, views and
// grids, and what a mass-production file does to the chip selection and pages.
#include "app/tesseldlg.h"
#include "link/cmusbhid.h"
#include "pages/chip/configpages.h"
#include "pages/program/cmlistctrl.h"
#include "pages/program/cprogrammedlg.h"
#include "sim/simboard.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tessel;
using Control = ProgramView::Control;

class ProgramPageTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SharedState state_;
    std::unique_ptr<SimBackend> backend_;
    ScriptedPrompts prompts_;
    std::unique_ptr<CTesselDlg> window_;

    CProgrammeDlg& page() { return window_->programPage(); }
    QPushButton* button(Control c) { return page().button(c); }

    void start(int chip) {
        state_.chipIndex = chip;
        SimOptions o;
        o.latencyMs = 0;
        backend_ = std::make_unique<SimBackend>(o);
        window_ = std::make_unique<CTesselDlg>(state_, *backend_, prompts_, true);
        window_->show();
        QTRY_VERIFY(page().logLines().contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        backend_->board().clearTrace();
    }

    void choose(int chip) {
        window_->chipCombo().setCurrentIndex(chip);
        Q_EMIT window_->chipCombo().activated(chip);
    }

private Q_SLOTS:
    void init() {
        state_.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        QFile::remove(state_.profilePath);  // opening a file records it there
        state_.language = 0;
        prompts_ = ScriptedPrompts();
    }

    void cleanup() {
        window_.reset();
        backend_.reset();
    }

    void readFlashThroughTheButton() {
        start(13);
        button(Control::ReadFlash)->click();
        QVERIFY(!button(Control::WriteFlash)->isEnabled());
        QVERIFY(!window_->chipCombo().isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(button(Control::ReadFlash)->isEnabled(), 10000);
        QVERIFY(window_->chipCombo().isEnabled());
        QVERIFY(page().readDumpText().startsWith(QStringLiteral("0x00000: FF FF")));
        QVERIFY(page().readDumpText().contains(QStringLiteral("0x03FF0: ")));
        QVERIFY(!page().readDumpText().contains(QStringLiteral("0x04000: ")));
        const auto trace = backend_->board().trace();
        QCOMPARE(int(trace[2][1]), 0x86);
        QCOMPARE(trace[2][3] << 8 | trace[2][4], 16384);
    }

    void supplyButtons_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<bool>("eeprom");
        QTest::newRow("KR4111") << 1 << false;
        QTest::newRow("KR5814") << 11 << true;
    }

    void supplyButtons() {
        QFETCH(int, chip);
        QFETCH(bool, eeprom);
        start(chip);
        button(Control::Power3V)->click();
        QTRY_VERIFY(page().logLines().last().startsWith(QStringLiteral("3V 上电成功!")));
        QVERIFY(!button(Control::WriteFlash)->isEnabled());
        QVERIFY(!button(Control::ReadEeprom)->isEnabled());
        button(Control::PowerOff)->click();
        QTRY_COMPARE(page().logLines().last(), QStringLiteral("掉电成功!"));
        QVERIFY(button(Control::WriteFlash)->isEnabled());
        QCOMPARE(button(Control::WriteEeprom)->isEnabled(), eeprom);
        QCOMPARE(button(Control::ReadEeprom)->isEnabled(), eeprom);
    }

    void massProductionFileSwitchesTheChip() {
        start(0);
        const QString file = dir_.filePath(QStringLiteral("kr4152.tk"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(40, '\x11') + QByteArray("\x03\x5a\x03", 3));
        f.close();
        chip::PageModel& shared = page().configPages().forChip(3);
        QList<int> lockable;  // the option controls a mass-production file locks
        for (int f = 0; f < shared.fieldCount(); ++f) {
            if (shared.field(f).flags & chip::kCfg0Control)
                lockable << f;
        }
        QCOMPARE(lockable.size(), 2);
        shared.enableCfg0Controls(true);
        for (int f : lockable)
            QVERIFY(shared.fieldEnabled(f));
        prompts_.openAnswers << file;
        button(Control::OpenFile)->click();
        for (int f : lockable)
            QVERIFY(!shared.fieldEnabled(f));
        QCOMPARE(int(state_.chipIndex), 3);
        QCOMPARE(window_->chipCombo().currentIndex(), 3);
        QCOMPARE(page().image().imageLength, 40u);
        QVERIFY(page().image().imageLoaded);
        chip::PageModel& kr4113 = page().configPages().forChip(3);
        QCOMPARE(int(kr4113.word(0)), 0x5A);
        QVERIFY(page().logLines().contains(QStringLiteral("IC_type = 3，芯片为KR4152系列")));
        QVERIFY(page().logLines().contains(QStringLiteral("CFG0 = 0x5a")));
        QVERIFY(page().writeDumpText().startsWith(QStringLiteral("0x00000: 11 11")));
    }

    void languageSwitchReplacesDumps() {
        start(2);
        const QString file = dir_.filePath(QStringLiteral("a.bin"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(20, '\x22'));
        f.close();
        prompts_.openAnswers << file;
        button(Control::OpenFile)->click();
        QVERIFY(page().writeDumpText().startsWith(QStringLiteral("0x00000: 22")));
        Q_EMIT window_->languageCombo().activated(1);
        QCOMPARE(page().writeDumpText(), QStringLiteral("NULL\n"));
        QCOMPARE(page().readDumpText(), QStringLiteral("NULL\n"));
        QCOMPARE(button(Control::WriteFlash)->text(), QStringLiteral("Download"));
        QCOMPARE(page().views().tabText(1), QStringLiteral("Write Buf"));
        Q_EMIT window_->languageCombo().activated(0);
        QCOMPARE(page().writeDumpText(), QStringLiteral("还未打开文件,写缓冲为空.\n"));
        QCOMPARE(page().readDumpText(), QStringLiteral("还未读取芯片,读缓冲为空.\n"));
        QCOMPARE(button(Control::WriteFlash)->text(), QStringLiteral("一键写Flash"));
    }

    void gridEditsLandInTheWriteImage_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<int>("rows");
        QTest::newRow("KR5813") << 12 << 128;
        QTest::newRow("KR4116") << 7 << 256;
        QTest::newRow("KR4111") << 1 << 128;
    }

    void gridEditsLandInTheWriteImage() {
        QFETCH(int, chip);
        QFETCH(int, rows);
        start(0);
        choose(chip);
        CMListCtrl& grid = page().readGrid();
        QCOMPARE(grid.rowCount(), rows);
        QCOMPARE(page().writeGrid().rowCount(), rows);
        QVERIFY(grid.startEdit(rows - 1, 8));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5a"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        const int index = (rows - 1) * 8 + 7;
        const ImageState& image = page().image();
        if (chip == 7) {
            QCOMPARE(int(image.writeBuffer[0x9000 + index]), 0x5A);
        } else if (chip == 12) {
            QCOMPARE(int(image.eepromWriteBuffer[index]), 0x5A);
            QCOMPARE(int(image.eepromReadBuffer[index]), 0xFF);
        } else {
            QCOMPARE(int(image.eepromWriteBuffer[index]), 0xFF);
        }
    }

    void oneKeyWriteFromTheButton() {
        start(6);
        const QString file = dir_.filePath(QStringLiteral("b.hex"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(":0400000001020304F2\n:00000001FF\n");
        f.close();
        prompts_.openAnswers << file;
        button(Control::OpenFile)->click();
        QVERIFY(page().image().imageLoaded);
        button(Control::WriteFlash)->click();
        QCOMPARE(page().result(), ProgramView::Result::Busy);
        QTRY_COMPARE_WITH_TIMEOUT(page().logLines().last(), QStringLiteral("芯片烧录成功!"), 10000);
        QCOMPARE(page().result(), ProgramView::Result::Ok);
        // A second write reloads the file as it now stands.
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(":00000001FF\n");
        f.close();
        button(Control::WriteFlash)->click();
        QCOMPARE(prompts_.messages.last(), QStringLiteral("KR4115W/4113不支持超过16k的文件!"));
        QVERIFY(button(Control::WriteFlash)->isEnabled());
    }
};

QTEST_MAIN(ProgramPageTest)
#include "tst_programpage.moc"
