// The board combo of the main window with several simulated boards: which boards it lists,
// which one the window drives (the others never receive a report), the choice kept in the
// profile across a restart, boards coming and going, and no change while an operation runs.
#include "app/boardchooser.h"
#include "app/profile.h"
#include "app/tesseldlg.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "pages/program/cprogrammedlg.h"
#include "pages/program/messagelist.h"
#include "pages/program/productionpanel.h"
#include "sim/simboard.h"
#include "sim/simboards.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tessel;

namespace {

QStringList texts(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* t : list)
        out << QString::fromUtf8(t);
    return out;
}

}  // namespace

class BoardChooserTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SharedState state_;
    std::unique_ptr<SimBoardSet> boards_;
    ScriptedPrompts prompts_;

    void plug(int count) {
        SimOptions o;
        o.latencyMs = 0;
        o.boards = count;
        boards_ = std::make_unique<SimBoardSet>(o);
    }

    std::unique_ptr<CTesselDlg> makeWindow() {
        auto w = std::make_unique<CTesselDlg>(state_, *boards_, prompts_, true);
        w->show();
        return w;
    }

    static QStringList items(QComboBox& combo) {
        QStringList out;
        for (int i = 0; i < combo.count(); ++i)
            out << combo.itemText(i);
        return out;
    }

    static QStringList log(CTesselDlg& w) { return w.programPage().logLines(); }

    // Which boards received anything, as "1", "2", ...
    QString boardsTalkedTo() {
        QString out;
        for (int i = 0; i < boards_->count(); ++i) {
            if (!boards_->backend(i).board().trace().empty())
                out += QString::number(i + 1);
        }
        return out;
    }

    void choose(CTesselDlg& w, int index) {
        w.boardChooser().setCurrentIndex(index);
        Q_EMIT w.boardChooser().activated(index);
    }

    QString storedChoice() {
        return Profile(state_.profilePath)
            .readString(QStringLiteral("InitParameters"), QStringLiteral("m_str_board"),
                        QStringLiteral("<none>"));
    }

private Q_SLOTS:
    void init() {
        state_.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        QFile::remove(state_.profilePath);
        state_.chipIndex = 0;
        state_.language = 0;
        prompts_ = ScriptedPrompts();
    }

    void cleanup() { boards_.reset(); }

    void listsBoardsWhenThereAreSeveral_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("one board") << 1 << false << texts({"SIM0001 (sim:tessel-board)"});
        QTest::newRow("two boards")
            << 2 << true << texts({"SIM0001 (sim:tessel-board-1)", "SIM0002 (sim:tessel-board-2)"});
        QTest::newRow("three boards")
            << 3 << true
            << texts({"SIM0001 (sim:tessel-board-1)", "SIM0002 (sim:tessel-board-2)",
                      "SIM0003 (sim:tessel-board-3)"});
    }

    void listsBoardsWhenThereAreSeveral() {
        QFETCH(int, count);
        QFETCH(bool, shown);
        QFETCH(QStringList, entries);
        plug(count);
        auto w = makeWindow();
        QTRY_VERIFY(log(*w).contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        QCOMPARE(w->boardChooser().isVisible(), shown);
        QCOMPARE(items(w->boardChooser()), entries);
        QCOMPARE(w->boardChooser().currentIndex(), 0);
        QCOMPARE(boardsTalkedTo(), QStringLiteral("1"));
        // With one board the start-up log is the one-board program's.
        if (count == 1) {
            QCOMPARE(log(*w),
                     (QStringList{QStringLiteral("使用模拟编程器"), QStringLiteral("发现USB设备!"),
                                  QStringLiteral("与下位机USB通信建立成功!"),
                                  QStringLiteral("下位机版本:V1.0.1.1a")}));
        }
    }

    void choiceSurvivesRestart_data() {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<int>("chooseIndex");  // -1: the user chooses nothing
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("driven");  // the path the window opens after a restart
        QTest::addColumn<QString>("talked");  // boards that received reports after the restart
        QTest::newRow("third chosen") << QByteArray() << 2 << "SIM0003"
                                      << "sim:tessel-board-3"
                                      << "3";
        QTest::newRow("second chosen")
            << QByteArray("[InitParameters]\r\nm_ictype=4\r\n") << 1 << "SIM0002"
            << "sim:tessel-board-2"
            << "2";
        QTest::newRow("remembered, other case")
            << QByteArray("[initparameters]\nM_STR_BOARD = sim0002\n") << -1 << "sim0002"
            << "sim:tessel-board-2"
            << "2";
        QTest::newRow("remembered board absent")
            << QByteArray("[InitParameters]\r\nm_str_board=SIM0007\r\n") << -1 << "SIM0007"
            << "sim:tessel-board-1"
            << "1";
        QTest::newRow("nothing remembered") << QByteArray() << -1 << "<none>"
                                            << "sim:tessel-board-1"
                                            << "1";
    }

    void choiceSurvivesRestart() {
        QFETCH(QByteArray, profile);
        QFETCH(int, chooseIndex);
        QFETCH(QString, stored);
        QFETCH(QString, driven);
        QFETCH(QString, talked);
        if (!profile.isEmpty()) {
            QFile f(state_.profilePath);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(profile);
        }
        plug(3);
        {
            auto w = makeWindow();
            QTRY_VERIFY(log(*w).contains(QStringLiteral("下位机版本:V1.0.1.1a")));
            if (chooseIndex >= 0) {
                choose(*w, chooseIndex);
                const QString label = items(w->boardChooser()).at(chooseIndex);
                QVERIFY(log(*w).contains(QStringLiteral("已选择编程器 ") + label));
                QTRY_COMPARE(log(*w).count(QStringLiteral("下位机版本:V1.0.1.1a")), 2);
                QCOMPARE(w->transport().devicePath(), driven);
            }
            w->close();
        }
        QCOMPARE(storedChoice(), stored);
        for (int i = 0; i < boards_->count(); ++i)
            boards_->backend(i).board().clearTrace();
        auto again = makeWindow();
        QTRY_VERIFY(log(*again).contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        QCOMPARE(again->transport().devicePath(), driven);
        QCOMPARE(again->boardChooser().currentText().endsWith(QStringLiteral("(") + driven +
                                                              QStringLiteral(")")),
                 true);
        QCOMPARE(boardsTalkedTo(), talked);
        // The chosen board gets the operations: a read of the configuration reaches it alone.
        for (int i = 0; i < boards_->count(); ++i)
            boards_->backend(i).board().clearTrace();
        again->programPage().button(ProgramView::Control::ReadConfig)->click();
        QTRY_VERIFY(again->programPage().button(ProgramView::Control::ReadConfig)->isEnabled());
        QCOMPARE(boardsTalkedTo(), talked);
    }

    void boardsComingAndGoing_data() {
        QTest::addColumn<int>("pulled");  // 0-based
        QTest::addColumn<bool>("lost");
        QTest::addColumn<QStringList>("entries");
        QTest::newRow("another board pulled")
            << 0 << false
            << texts({"SIM0002 (sim:tessel-board-2)", "SIM0003 (sim:tessel-board-3)"});
        QTest::newRow("the chosen board pulled")
            << 1 << true << texts({"SIM0001 (sim:tessel-board-1)", "SIM0003 (sim:tessel-board-3)"});
    }

    void boardsComingAndGoing() {
        QFETCH(int, pulled);
        QFETCH(bool, lost);
        QFETCH(QStringList, entries);
        plug(3);
        auto w = makeWindow();
        QTRY_VERIFY(log(*w).contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        choose(*w, 1);
        QTRY_COMPARE(log(*w).count(QStringLiteral("下位机版本:V1.0.1.1a")), 2);
        boards_->backend(pulled).pullOut();
        QTRY_COMPARE(items(w->boardChooser()), entries);
        QTest::qWait(100);
        QCOMPARE(log(*w).count(QStringLiteral("设备被拔出")), lost ? 1 : 0);
        QCOMPARE(w->transport().isConnected(), !lost);
        QCOMPARE(w->boardChooser().currentText(),
                 lost ? QStringLiteral("SIM0001 (sim:tessel-board-1)")
                      : QStringLiteral("SIM0002 (sim:tessel-board-2)"));

        // Back again: every board listed, and the window drives the chosen board.
        boards_->backend(pulled).plugIn();
        QTRY_COMPARE(items(w->boardChooser()).size(), 3);
        QTRY_VERIFY(w->transport().isConnected());
        QCOMPARE(w->transport().devicePath(), QStringLiteral("sim:tessel-board-2"));
        QCOMPARE(w->boardChooser().currentText(), QStringLiteral("SIM0002 (sim:tessel-board-2)"));
    }

    void productionOnTheChosenBoard_data() {
        QTest::addColumn<QList<int>>("sequence");  // the board (0-based) of each chip
        QTest::addColumn<QString>("counts");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("written");  // boards that received image data
        QTest::newRow("faulty board") << QList<int>{1} << "成功 0 / 失败 1 / 合计 1"
                                      << "NG"
                                      << "编程器:读FLASH CHECK出错，请重新连接烧录！"
                                      << "2";
        QTest::newRow("good board") << QList<int>{2} << "成功 1 / 失败 0 / 合计 1"
                                    << "OK"
                                    << "芯片烧录成功!"
                                    << "3";
        QTest::newRow("faulty, then good") << QList<int>{1, 2, 2} << "成功 2 / 失败 1 / 合计 3"
                                           << "OK"
                                           << "芯片烧录成功!"
                                           << "23";
    }

    void productionOnTheChosenBoard() {
        QFETCH(QList<int>, sequence);
        QFETCH(QString, counts);
        QFETCH(QString, verdict);
        QFETCH(QString, reason);
        QFETCH(QString, written);
        state_.chipIndex = 1;
        plug(3);
        SimOptions faulty = boards_->backend(1).board().options();
        faulty.flipFlash = 2;  // the second board reads one byte back wrong
        boards_->backend(1).board().setOptions(faulty);
        auto w = makeWindow();
        CProgrammeDlg& page = w->programPage();
        QTRY_VERIFY(log(*w).contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        const QString image = dir_.filePath(QStringLiteral("b.hex"));
        QFile f(image);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(":0400000001020304F2\n:00000001FF\n");
        f.close();
        prompts_.openAnswers << image;
        page.button(ProgramView::Control::OpenFile)->click();
        page.production().modeCheck().setChecked(true);
        for (int board : sequence) {
            if (w->transport().devicePath() != boards_->path(board)) {
                choose(*w, board);
                QTRY_VERIFY(w->transport().isConnected() &&
                            w->transport().devicePath() == boards_->path(board));
                QTRY_VERIFY(page.production().readyForNext());
            }
            QTest::keyClick(&page.messages(), Qt::Key_Space);
            QVERIFY(page.session().busy());
            QTRY_VERIFY_WITH_TIMEOUT(!page.session().busy(), 10000);
        }
        QCOMPARE(page.production().countsText(), counts);
        QCOMPARE(page.production().verdictText(), verdict);
        QCOMPARE(page.production().reasonText(), reason);
        QString got;
        for (int i = 0; i < boards_->count(); ++i) {
            for (const Report& r : boards_->backend(i).board().trace()) {
                if (r[1] == 0x85) {  // the flash write's header
                    got += QString::number(i + 1);
                    break;
                }
            }
        }
        QCOMPARE(got, written);
    }

    void noChangeWhileAnOperationRuns() {
        plug(2);
        auto w = makeWindow();
        QTRY_VERIFY(log(*w).contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        QVERIFY(w->boardChooser().isEnabled());
        QPushButton* read = w->programPage().button(ProgramView::Control::ReadFlash);
        read->click();
        QVERIFY(w->programPage().session().busy());
        QVERIFY(!w->boardChooser().isEnabled());
        // A choice that comes anyway is refused and the board stays.
        choose(*w, 1);
        QCOMPARE(log(*w).last(), QStringLiteral("操作正在进行，不能更换编程器"));
        QCOMPARE(w->boardChooser().currentIndex(), 0);
        QCOMPARE(storedChoice(), QStringLiteral("<none>"));
        QTRY_VERIFY_WITH_TIMEOUT(read->isEnabled(), 10000);
        QVERIFY(w->boardChooser().isEnabled());
        QCOMPARE(w->transport().devicePath(), QStringLiteral("sim:tessel-board-1"));
    }
};

QTEST_MAIN(BoardChooserTest)
#include "tst_boardchooser.moc"
