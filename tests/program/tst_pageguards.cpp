// The programming page in the main window while an operation runs and after it: what stays
// disabled, what closing and re-opening do to the target, whom the result picture belongs
// to, the messages list's times and menu, and Qt's own texts in Chinese.
#include "app/tesseldlg.h"
#include "debug/debugsession.h"
#include "link/cmusbhid.h"
#include "pages/chip/configpages.h"
#include "pages/chip/engine/pageview.h"
#include "pages/debug/cdebug.h"
#include "pages/program/cprogrammedlg.h"
#include "pages/program/messagelist.h"
#include "sim/simboard.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tessel;
using Control = ProgramView::Control;

class PageGuardsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SharedState state_;
    std::unique_ptr<SimBackend> backend_;
    ScriptedPrompts prompts_;
    std::unique_ptr<CTesselDlg> window_;

    CProgrammeDlg& page() { return window_->programPage(); }
    SimBoard& board() { return backend_->board(); }

    void start(int chip, const QString& options = QString()) {
        state_.chipIndex = chip;
        SimOptions o;
        QString error;
        QVERIFY2(SimOptions::parse(options, &o, &error), qPrintable(error));
        o.latencyMs = 0;
        backend_ = std::make_unique<SimBackend>(o);
        window_ = std::make_unique<CTesselDlg>(state_, *backend_, prompts_, true);
        window_->transport().setAnswerTimeoutMs(5000);  // a missed answer keeps it waiting
        window_->show();
        QTRY_VERIFY(page().logLines().contains(QStringLiteral("下位机版本:V1.0.1.1a")));
    }

    void loadImage(int length) {
        ImageState& image = page().image();
        for (int i = 0; i < length; ++i)
            image.writeBuffer[i] = static_cast<uint8_t>(i & 0x3F);
        image.imageLength = static_cast<uint32_t>(length);
        image.imageLoaded = true;
        image.freshlyOpened = true;
    }

    // KR4111 after the handshake (report 1): 0x80 0x81 0x82 0x83 0x84, the header (7) and
    // data from report 8 on. drop=9 leaves the write waiting in the middle of its data.
    void startHangingWrite() {
        start(1, QStringLiteral("drop=9"));
        loadImage(1000);
        page().button(Control::WriteFlash)->click();
        QTRY_COMPARE(board().received(), 9);
        QVERIFY(page().sequencer().busy());
        QVERIFY(board().programmingMode());
    }

    std::vector<int> codesAfter(int first) {
        std::vector<int> out;
        const auto t = board().trace();
        for (size_t i = first; i < t.size(); ++i)
            out.push_back(t[i][1]);
        return out;
    }

    void choose(int chip) {
        window_->chipCombo().setCurrentIndex(chip);
        Q_EMIT window_->chipCombo().activated(chip);
    }

private Q_SLOTS:
    void init() {
        state_.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        QFile::remove(state_.profilePath);  // the chip of start() holds, not the last one kept
        state_.language = 0;
        prompts_ = ScriptedPrompts();
    }

    void cleanup() {
        window_.reset();
        backend_.reset();
    }

    void nothingReopensOrSwitchesLanguageMidWrite() {
        startHangingWrite();
        QVERIFY(!window_->usbRadio().isEnabled());
        QVERIFY(!window_->languageCombo().isEnabled());
        QVERIFY(!window_->chipCombo().isEnabled());
        window_->usbRadio().click();  // disabled: nothing happens
        QTest::qWait(100);
        QCOMPARE(board().received(), 9);
        QVERIFY(page().sequencer().busy());

        // Any other request to open the board again ends the operation first.
        page().sequencer().reopenBoard();
        QTRY_COMPARE(page().logLines().count(QStringLiteral("与下位机USB通信建立成功!")), 2);
        QCOMPARE(codesAfter(9), (std::vector<int>{0x87, 0x7F}));
        QVERIFY(!board().programmingMode());
        QVERIFY(page().logLines().contains(QStringLiteral("操作已中止!")));
        QCOMPARE(page().result(), ProgramView::Result::Ng);
        QVERIFY(window_->usbRadio().isEnabled());
        QVERIFY(window_->languageCombo().isEnabled());
    }

    void closingMidWriteAsksFirst_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("question");
        QTest::newRow("Chinese") << 0 << "操作正在进行，确定要退出吗？";
        QTest::newRow("English") << 1 << "An operation is in progress. Quit anyway?";
    }

    void closingMidWriteAsksFirst() {
        QFETCH(int, language);
        QFETCH(QString, question);
        start(1, QStringLiteral("drop=9"));
        Q_EMIT window_->languageCombo().activated(language);
        loadImage(1000);
        page().button(Control::WriteFlash)->click();
        QTRY_COMPARE(board().received(), 9);

        prompts_.confirmAnswers = {false, true};
        QVERIFY(!window_->close());  // "no": the window and the write go on
        QVERIFY(window_->isVisible());
        QVERIFY(page().sequencer().busy());
        QCOMPARE(board().received(), 9);

        QVERIFY(window_->close());
        QCOMPARE(prompts_.questions, (QStringList{question, question}));
        QCOMPARE(codesAfter(9), (std::vector<int>{0x87, 0xB5}));
        QVERIFY(!board().programmingMode());
        QVERIFY(!window_->transport().isConnected());
    }

    void closeQuestionGoesWithItsOperation() {
        startHangingWrite();
        window_->transport().setAnswerTimeoutMs(300);  // the dropped report is sent again
        // The write ends while the question is shown: the question goes and the window
        // closes as an idle one, without stopping anything.
        prompts_.whileAsking = [this] {
            QTRY_VERIFY_WITH_TIMEOUT(!page().sequencer().busy(), 20000);
        };
        prompts_.confirmAnswers = {false};
        QVERIFY(window_->close());
        QCOMPARE(prompts_.questions, QStringList{QStringLiteral("操作正在进行，确定要退出吗？")});
        QCOMPARE(prompts_.confirmAnswers, QList<bool>{false});  // never answered
        QCOMPARE(page().result(), ProgramView::Result::Ok);
        QVERIFY(!page().logLines().contains(QStringLiteral("操作已中止!")));
        QVERIFY(!board().programmingMode());
    }

    void debugRunWaitsForTheOperation() {
        startHangingWrite();
        window_->transport().setAnswerTimeoutMs(300);
        CDebug& debug = window_->debugPage();
        QVERIFY(!debug.startButton().isEnabled());
        QVERIFY(!debug.modifyButton().isEnabled());
        // Even asked directly, the debug run does not take the board from the write.
        QVERIFY(!debug.session().start(DebugPageSettings()));
        QCOMPARE(prompts_.messages.last(),
                 QStringLiteral("编程器正在烧录，请等待烧录操作结束后再开始调试！"));
        QTRY_COMPARE_WITH_TIMEOUT(page().result(), ProgramView::Result::Ok, 20000);
        for (const Report& r : board().trace())
            QVERIFY2(r[1] < 0xB0 || r[1] > 0xB6, "a debug command reached the board");
        QVERIFY(debug.startButton().isEnabled());
    }

    void operationsWaitForTheDebugRun() {
        start(6);
        CDebug& debug = window_->debugPage();
        window_->tabs().setCurrentIndex(1);
        debug.startButton().click();
        QTRY_COMPARE_WITH_TIMEOUT(debug.session().state(), DebugSession::State::Streaming, 10000);
        for (Control c :
             {Control::WriteFlash, Control::ReadFlash, Control::ReadConfig, Control::WriteEeprom,
              Control::ReadEeprom, Control::Power3V, Control::Power5V, Control::PowerOff}) {
            QVERIFY2(!page().button(c)->isEnabled(), qPrintable(page().button(c)->text()));
        }
        QVERIFY(!window_->chipCombo().isEnabled());
        QVERIFY(page().button(Control::OpenFile)->isEnabled());  // no board needed
        const size_t before = board().trace().size();
        QVERIFY(!page().sequencer().startReadFlash());
        page().sequencer().switchSupply(OperationSequencer::Supply::V5);
        for (size_t i = before; i < board().trace().size(); ++i) {
            const int code = board().trace()[i][1];
            QVERIFY2(code >= 0xB0 && code <= 0xB6, qPrintable(QString::number(code, 16)));
        }
        // The run ends: the board is free for the programming page again.
        debug.stopRun();
        QTRY_COMPARE(debug.session().state(), DebugSession::State::Idle);
        QTRY_VERIFY(page().button(Control::ReadFlash)->isEnabled());
        QVERIFY(window_->chipCombo().isEnabled());
    }

    void closingWhenIdleAsksNothing() {
        start(3);
        QVERIFY(window_->close());
        QVERIFY(prompts_.questions.isEmpty());
    }

    void resultPictureBelongsToItsOperation_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("chip change") << "chip";
        QTest::newRow("clear") << "clear";
        QTest::newRow("open file") << "open";
    }

    void resultPictureBelongsToItsOperation() {
        QFETCH(QString, action);
        start(6);
        loadImage(100);
        page().button(Control::WriteFlash)->click();
        QTRY_COMPARE_WITH_TIMEOUT(page().result(), ProgramView::Result::Ok, 10000);
        choose(6);  // the same chip again keeps it
        QCOMPARE(page().result(), ProgramView::Result::Ok);
        if (action == QLatin1String("chip")) {
            choose(7);
        } else if (action == QLatin1String("clear")) {
            page().clearButton()->click();
            QCOMPARE(page().logLines(), QStringList());
        } else {
            page().button(Control::OpenFile)->click();  // cancelled
        }
        QCOMPARE(page().result(), ProgramView::Result::Hidden);
    }

    void refusedReloadIsLogged() {
        start(1);
        const QString file = dir_.filePath(QStringLiteral("big.bin"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, '\x01'));
        f.close();
        ImageState& image = page().image();
        image.lastImagePath = file;
        image.lastImageExtension = QStringLiteral("bin");
        image.freshlyOpened = false;
        const int before = board().received();
        page().button(Control::WriteFlash)->click();
        QCOMPARE(prompts_.warnings, QStringList{QStringLiteral("KR4111A不支持超过8k的文件!")});
        QCOMPARE(page().logLines().last(), QStringLiteral("KR4111A不支持超过8k的文件!"));
        QCOMPARE(board().received(), before);  // nothing sent
    }

    void messagesKeepTheirTimes_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("menu");
        QTest::newRow("Chinese") << 0
                                 << QStringList{QStringLiteral("复制"),
                                                QStringLiteral("保存日志…")};
        QTest::newRow("English") << 1
                                 << QStringList{QStringLiteral("Copy"),
                                                QStringLiteral("Save log…")};
    }

    void messagesKeepTheirTimes() {
        QFETCH(int, language);
        QFETCH(QStringList, menu);
        start(3);
        Q_EMIT window_->languageCombo().activated(language);
        MessageList& list = page().messages();
        list.clear();
        list.appendLine(QStringLiteral("第一行"), QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7, 89)));
        list.appendLine(QStringLiteral("second"), QDateTime(QDate(2026, 3, 4), QTime(23, 0, 1)));
        page().appendLog(QStringLiteral("third"));
        QCOMPARE(list.item(0)->toolTip(), QStringLiteral("2026-03-04 05:06:07.089"));
        QVERIFY(QRegularExpression(
                    QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}$"))
                    .match(list.item(2)->toolTip())
                    .hasMatch());
        QCOMPARE(list.currentRow(), 2);

        std::unique_ptr<QMenu> m(list.makeContextMenu(nullptr));
        QStringList texts;
        for (QAction* a : m->actions())
            texts << a->text();
        QCOMPARE(texts, menu);

        list.item(0)->setSelected(true);
        list.item(1)->setSelected(true);
        list.item(2)->setSelected(false);
        m->actions().at(0)->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("第一行\nsecond"));

        const QString path = dir_.filePath(QStringLiteral("log.txt"));
        prompts_.saveAnswers << path;
        m->actions().at(1)->trigger();
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(saved.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("2026-03-04 05:06:07.089  第一行"));
        QCOMPARE(lines[1], QStringLiteral("2026-03-04 23:00:01.000  second"));
        QVERIFY(lines[2].endsWith(QStringLiteral("  third")));
        QCOMPARE(lines[3], QString());
        QVERIFY(prompts_.lastSaveDefaultName.endsWith(QStringLiteral(".txt")));
    }

    void unwritableLogIsReported() {
        start(3);
        prompts_.saveAnswers << dir_.filePath(QStringLiteral("no/such/dir/log.txt"));
        std::unique_ptr<QMenu> m(page().messages().makeContextMenu(nullptr));
        m->actions().at(1)->trigger();
        QCOMPARE(prompts_.warnings.size(), 1);
        QVERIFY(prompts_.warnings[0].startsWith(QStringLiteral("无法保存日志到 ")));
    }

    // The restricted MCU02 view stacks "CFG 10" under "CFG 0"; the full view keeps the
    // EEP_SEL edit at its width beside the hint, and the frame follows the page it shows.
    void mcu02PageLayout() {
        start(12);
        window_->resize(1600, 1000);
        QTest::qWait(50);
        QWidget* view = page().currentPageView();
        auto* cfg0 = view->findChild<QGroupBox*>(QStringLiteral("group_CFG0"));
        auto* cfg10 = view->findChild<QGroupBox*>(QStringLiteral("group_CFG10"));
        QVERIFY(cfg0 && cfg10);
        QCOMPARE(cfg10->x(), cfg0->x());
        QVERIFY(cfg10->y() > cfg0->y() + cfg0->height() - 1);
        const int restrictedWidth = view->width();

        page().configPages().forChip(12).setFullView(true);
        QTest::qWait(50);
        auto* eepSel = view->findChild<QLineEdit*>(QStringLiteral("EEP_SEL  0x"));
        QVERIFY(eepSel);
        QCOMPARE(eepSel->width(), 60);
        QVERIFY(view->width() > restrictedWidth);
        auto* cfg11 = view->findChild<QGroupBox*>(QStringLiteral("group_CFG11"));
        QVERIFY(cfg11->geometry().right() < view->width());  // no group cut off on the right
        QVERIFY(page().messages().width() >= 400);
    }

    void qtTextsFollowTheLanguage_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("chinese");
        QTest::newRow("Open") << "Open"
                              << "打开";
        QTest::newRow("Cancel") << "Cancel"
                                << "取消";
        QTest::newRow("OK") << "OK"
                            << "确定";
    }

    void qtTextsFollowTheLanguage() {
        QFETCH(QString, source);
        QFETCH(QString, chinese);
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                           QStringLiteral("/qtbase_zh_CN.qm"))) {
            QSKIP("qt6-translations-l10n is not installed");
        }
        const QByteArray text = source.toUtf8();
        start(0);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", text.constData()), chinese);
        Q_EMIT window_->languageCombo().activated(1);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", text.constData()), source);
        Q_EMIT window_->languageCombo().activated(0);
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", text.constData()), chinese);
        window_.reset();  // the window takes its translator with it
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", text.constData()), source);
    }
};

QTEST_MAIN(PageGuardsTest)
#include "tst_pageguards.moc"
