// Production mode on the programming page, on the simulated board: the verdict and counts
// over a run of good and bad chips, the key that starts the next one-key write, the count
// ending when the image or chip changes, the mode kept in the profile, and the log folder.
#include "app/profile.h"
#include "app/tesseldlg.h"
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "pages/program/cprogrammedlg.h"
#include "pages/program/messagelist.h"
#include "pages/program/productionpanel.h"
#include "sim/simboard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

using namespace tessel;
using Control = ProgramView::Control;

namespace {

// Four bytes 01 02 03 04 at 0 (checksum 0xFFFFFFEB) and 05 06 07 08 (0xFFFFFFD3).
const QByteArray kImageB(":0400000001020304F2\n:00000001FF\n");
const QByteArray kImageC(":0400000005060708E2\n:00000001FF\n");

}  // namespace

class ProductionPanelTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    SharedState state_;
    std::unique_ptr<SimBackend> backend_;
    ScriptedPrompts prompts_;
    std::unique_ptr<CTesselDlg> window_;

    CProgrammeDlg& page() { return window_->programPage(); }
    ProductionPanel& panel() { return page().production(); }

    void start(int chip) {
        state_.chipIndex = chip;
        SimOptions o;
        o.latencyMs = 0;
        backend_ = std::make_unique<SimBackend>(o);
        window_ = std::make_unique<CTesselDlg>(state_, *backend_, prompts_, true);
        window_->show();
        QTRY_VERIFY(page().logLines().contains(QStringLiteral("下位机版本:V1.0.1.1a")));
        page().sequencer().setReplyTimeoutMs(300);
    }

    // Intel HEX of `length` zero bytes in 16-byte records.
    static QByteArray zeroHex(int length) {
        QByteArray out;
        for (int a = 0; a < length; a += 16) {
            const int sum = 0x10 + (a >> 8) + (a & 0xFF);
            out += QString::asprintf(":10%04X00", a).toLatin1() + QByteArray(32, '0') +
                   QString::asprintf("%02X\n", (0x100 - (sum & 0xFF)) & 0xFF).toLatin1();
        }
        return out + ":00000001FF\n";
    }

    void writeFile(const QString& name, const QByteArray& text) {
        QFile f(dir_.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }

    void open(const QString& name, const QByteArray& text) {
        writeFile(name, text);
        prompts_.openAnswers << dir_.filePath(name);
        page().button(Control::OpenFile)->click();
        QVERIFY(page().image().imageLoaded);
    }

    // One chip: the operator's key, then the write to its end.
    void next(char fault) {
        SimOptions o = backend_->board().options();
        o.flipFlash = fault == 'n' ? 2 : -1;
        o.silentAfter = fault == 't' ? backend_->board().received() + 3 : 0;
        backend_->board().setOptions(o);
        QSignalSpy ended(&page().session(), &ProgrammerSession::operationFinished);
        QTest::keyClick(&page().messages(), Qt::Key_Space);
        QVERIFY(page().session().busy());
        QTRY_VERIFY_WITH_TIMEOUT(ended.count() == 1, 10000);
    }

private Q_SLOTS:
    void init() {
        state_.profilePath = dir_.filePath(QStringLiteral("Parameters.ini"));
        QFile::remove(state_.profilePath);
        QFile::remove(dir_.filePath(QStringLiteral("tessel-log.csv")));
        state_.language = 0;
        prompts_ = ScriptedPrompts();
    }

    void cleanup() {
        window_.reset();
        backend_.reset();
    }

    void countsOverARun_data() {
        QTest::addColumn<QString>("chips");  // o good, n verify mismatch, t board silent
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("counts");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("reason");
        QTest::newRow("three good") << "ooo" << 0 << "成功 3 / 失败 0 / 合计 3"
                                    << "OK"
                                    << "芯片烧录成功!";
        QTest::newRow("bad last") << "oon" << 0 << "成功 2 / 失败 1 / 合计 3"
                                  << "NG"
                                  << "编程器:读FLASH CHECK出错，请重新连接烧录！";
        QTest::newRow("bad then good") << "no" << 0 << "成功 1 / 失败 1 / 合计 2"
                                       << "OK"
                                       << "芯片烧录成功!";
        QTest::newRow("silent board") << "ot" << 0 << "成功 1 / 失败 1 / 合计 2"
                                      << "NG"
                                      << "等待数据超时!";
        QTest::newRow("english") << "nno" << 1 << "Passed 1 / Failed 2 / Total 3"
                                 << "OK"
                                 << "Program OK!";
        QTest::newRow("english bad") << "on" << 1 << "Passed 1 / Failed 1 / Total 2"
                                     << "NG"
                                     << "Read FLASH CHECK Err.Please check the connection！";
    }

    void countsOverARun() {
        QFETCH(QString, chips);
        QFETCH(int, language);
        QFETCH(QString, counts);
        QFETCH(QString, verdict);
        QFETCH(QString, reason);
        start(1);
        if (language == 1)
            Q_EMIT window_->languageCombo().activated(1);
        open(QStringLiteral("b.hex"), kImageB);
        panel().modeCheck().setChecked(true);
        QCOMPARE(panel().verdictText(), QStringLiteral("—"));
        for (QChar c : chips)
            next(c.toLatin1());
        QCOMPARE(panel().countsText(), counts);
        QCOMPARE(panel().verdictText(), verdict);
        QCOMPARE(panel().reasonText(), reason);
        QCOMPARE(panel().succeeded() + panel().failed(), int(chips.size()));
        const QString duration = language == 1 ? QStringLiteral("^Duration \\d+\\.\\d\\d s$")
                                               : QStringLiteral("^用时 \\d+\\.\\d\\d 秒$");
        QVERIFY2(QRegularExpression(duration).match(panel().durationText()).hasMatch(),
                 qPrintable(panel().durationText()));
        const QString image = language == 1 ? QStringLiteral("Image: b.hex  checksum 0xFFFFFFEB")
                                            : QStringLiteral("图像：b.hex  校验和 0xFFFFFFEB");
        QCOMPARE(panel().imageText(), image);
        QCOMPARE(panel().chipText(),
                 language == 1 ? QStringLiteral("Chip: KR4111") : QStringLiteral("芯片：KR4111"));
        // The window's traceability log: a header, then one record per chip, in order.
        QFile log(dir_.filePath(QStringLiteral("tessel-log.csv")));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QCOMPARE(lines.size(), chips.size() + 2);  // the last line end leaves an empty part
        QCOMPARE(lines[0], QByteArray("time,serial,chip,operation,file,length,checksum,config,"
                                      "verdict,reason,duration_ms\r"));
        for (int i = 0; i < chips.size(); ++i) {
            const QList<QByteArray> f = lines[i + 1].split(',');
            QCOMPARE(f.size(), 11);
            // (this test's simulated board has no serial number)
            QCOMPARE(f[1] + ',' + f[2] + ',' + f[3] + ',' + f[4] + ',' + f[6],
                     QByteArray(",KR4111,program,b.hex,0xFFFFFFEB"));
            QCOMPARE(f[8], QByteArray(chips[i] == QLatin1Char('o') ? "OK" : "NG"));
        }
    }

    void keyStartsOnlyWhenReady_data() {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<bool>("starts");
        QTest::addColumn<QString>("hint");
        QTest::newRow("ready") << "ready" << true << "按空格键或回车键烧录下一颗";
        QTest::newRow("enter") << "enter" << true << "按空格键或回车键烧录下一颗";
        QTest::newRow("mode off") << "off" << false << "按空格键或回车键烧录下一颗";
        QTest::newRow("text field") << "text" << false << "按空格键或回车键烧录下一颗";
        QTest::newRow("held key") << "repeat" << false << "按空格键或回车键烧录下一颗";
        QTest::newRow("ctrl space") << "ctrl" << false << "按空格键或回车键烧录下一颗";
        QTest::newRow("on the mode check") << "check" << false << "按空格键或回车键烧录下一颗";
        QTest::newRow("no image") << "no image" << false << "请先打开文件";
        QTest::newRow("no board") << "no board" << false << "未连接编程器";
        QTest::newRow("supply on") << "3v" << false << "现在不能烧录（先“掉电”或退出修调）";
    }

    void keyStartsOnlyWhenReady() {
        QFETCH(QString, situation);
        QFETCH(bool, starts);
        QFETCH(QString, hint);
        start(1);
        if (situation != QLatin1String("no image"))
            open(QStringLiteral("b.hex"), kImageB);
        panel().modeCheck().setChecked(situation != QLatin1String("off"));
        QWidget* target = &page().messages();
        QLineEdit* edit = nullptr;
        Qt::KeyboardModifiers modifiers = Qt::NoModifier;
        if (situation == QLatin1String("text")) {
            edit = new QLineEdit(&page());
            edit->show();
            target = edit;
        } else if (situation == QLatin1String("no board")) {
            backend_->pullOut();
            QTRY_VERIFY(!window_->transport().isConnected());
        } else if (situation == QLatin1String("3v")) {
            page().button(Control::Power3V)->click();
            QTRY_VERIFY(page().logLines().last().startsWith(QStringLiteral("3V 上电成功!")));
        } else if (situation == QLatin1String("ctrl")) {
            modifiers = Qt::ControlModifier;
        } else if (situation == QLatin1String("check")) {
            target = &panel().modeCheck();
        }
        QCOMPARE(panel().hintText(), hint);
        backend_->board().clearTrace();
        const Qt::Key key = situation == QLatin1String("enter") ? Qt::Key_Return : Qt::Key_Space;
        if (situation == QLatin1String("repeat")) {
            QKeyEvent held(QEvent::KeyPress, key, Qt::NoModifier, QStringLiteral(" "), true);
            QApplication::sendEvent(target, &held);
        } else {
            QTest::keyClick(target, key, modifiers);
        }
        QCOMPARE(page().session().busy(), starts);
        if (edit)
            QCOMPARE(edit->text(), QStringLiteral(" "));  // the key was the field's
        if (situation == QLatin1String("check"))
            QVERIFY(!panel().modeCheck().isChecked());  // the check's own: production mode off
        if (starts) {
            QCOMPARE(int(backend_->board().trace().at(0)[1]), 0x80);  // select chip
            QTRY_VERIFY_WITH_TIMEOUT(!page().session().busy(), 10000);
            QCOMPARE(panel().countsText(), QStringLiteral("成功 1 / 失败 0 / 合计 1"));
        } else {
            QTest::qWait(50);
            QVERIFY(backend_->board().trace().empty());
            QCOMPARE(panel().countsText(), QStringLiteral("成功 0 / 失败 0 / 合计 0"));
        }
    }

    void countEndsWhenImageOrChipChanges_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("notice");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("chip");
        QTest::addColumn<QString>("counts");  // after the change and, for "edited", one write
        QTest::addColumn<QString>("reason");  // of a write refused for its image
        QTest::newRow("reset") << "reset"
                               << "计数已清零（清零前：成功 2 / 失败 1 / 合计 3）"
                               << "图像：b.hex  校验和 0xFFFFFFEB"
                               << "芯片：KR4111"
                               << "成功 0 / 失败 0 / 合计 0"
                               << "";
        QTest::newRow("another image")
            << "image"
            << "图像或芯片已更换，重新计数（上一批：成功 2 / 失败 1 / 合计 3）"
            << "图像：c.hex  校验和 0xFFFFFFD3"
            << "芯片：KR4111"
            << "成功 0 / 失败 0 / 合计 0"
            << "";
        QTest::newRow("another chip")
            << "chip"
            << "图像或芯片已更换，重新计数（上一批：成功 2 / 失败 1 / 合计 3）"
            << "图像：b.hex  校验和 0xFFFFFFEB"
            << "芯片：KR4112"
            << "成功 0 / 失败 0 / 合计 0"
            << "";
        QTest::newRow("file emptied on disk")
            << "emptied"
            << "图像或芯片已更换，重新计数（上一批：成功 2 / 失败 1 / 合计 3）"
            << "图像：b.hex  校验和 0xFFFFFFFF"
            << "芯片：KR4111"
            << "成功 0 / 失败 0 / 合计 0"
            << "KR4111A不支持超过8k的文件!";
        QTest::newRow("file too long on disk")
            << "too long"
            << "图像或芯片已更换，重新计数（上一批：成功 2 / 失败 1 / 合计 3）"
            << "图像：未打开"
            << "芯片：KR4111"
            << "成功 0 / 失败 0 / 合计 0"
            << "请先打开文件";
        QTest::newRow("file edited on disk")
            << "edited"
            << "图像或芯片已更换，重新计数（上一批：成功 2 / 失败 1 / 合计 3）"
            << "图像：b.hex  校验和 0xFFFFFFD3"
            << "芯片：KR4111"
            << "成功 1 / 失败 0 / 合计 1"
            << "";
    }

    void countEndsWhenImageOrChipChanges() {
        QFETCH(QString, change);
        QFETCH(QString, notice);
        QFETCH(QString, image);
        QFETCH(QString, chip);
        QFETCH(QString, counts);
        QFETCH(QString, reason);
        start(1);
        open(QStringLiteral("b.hex"), kImageB);
        panel().modeCheck().setChecked(true);
        for (char c : {'o', 'n', 'o'})
            next(c);
        QCOMPARE(panel().noticeText(), QString());
        if (change == QLatin1String("reset")) {
            panel().resetButton().click();
        } else if (change == QLatin1String("image")) {
            open(QStringLiteral("c.hex"), kImageC);
        } else if (change == QLatin1String("chip")) {
            window_->chipCombo().setCurrentIndex(2);
            Q_EMIT window_->chipCombo().activated(2);
        } else if (!reason.isEmpty()) {
            // The next write reads the file again and refuses it: nothing reaches the board.
            writeFile(QStringLiteral("b.hex"), change == QLatin1String("emptied")
                                                   ? QByteArray(":00000001FF\n")
                                                   : zeroHex(8192));
            backend_->board().clearTrace();
            QTest::keyClick(&page().messages(), Qt::Key_Space);
            QVERIFY(!page().session().busy());
            QTRY_COMPARE(panel().verdictText(), QStringLiteral("NG"));
            QCOMPARE(panel().reasonText(), reason);
            QVERIFY(backend_->board().trace().empty());
        } else {
            writeFile(QStringLiteral("b.hex"), kImageC);  // the next write reloads it
            next('o');
        }
        QCOMPARE(panel().noticeText(), notice);
        QCOMPARE(panel().imageText(), image);
        QCOMPARE(panel().chipText(), chip);
        QCOMPARE(panel().countsText(), counts);
        // The ended count is kept in the messages list.
        QVERIFY(page().logLines().contains(
            QStringLiteral("生产计数（b.hex 0xFFFFFFEB，KR4111）：成功 2 / 失败 1 / 合计 3")));
    }

    void modeKeptInProfile() {
        start(1);
        QVERIFY(panel().isHidden());
        panel().modeCheck().setChecked(true);
        QVERIFY(panel().isVisible());
        QCOMPARE(Profile(state_.profilePath)
                     .readInt(QStringLiteral("InitParameters"),
                              QStringLiteral("m_check_production"), -1),
                 1);
        window_->close();
        window_.reset();
        window_ = std::make_unique<CTesselDlg>(state_, *backend_, prompts_, true);
        window_->show();
        QVERIFY(panel().modeCheck().isChecked());
        QVERIFY(panel().isVisible());
        QCOMPARE(panel().modeCheck().text(), QStringLiteral("生产模式"));
        panel().modeCheck().setChecked(false);
        QVERIFY(panel().isHidden());
        QCOMPARE(Profile(state_.profilePath)
                     .readInt(QStringLiteral("InitParameters"),
                              QStringLiteral("m_check_production"), -1),
                 0);
    }

    void openLogFolder_data() {
        QTest::addColumn<bool>("opens");
        QTest::newRow("opened") << true;
        QTest::newRow("no file manager") << false;
    }

    void openLogFolder() {
        QFETCH(bool, opens);
        start(1);
        QCOMPARE(ProductionPanel::traceLogPath(state_),
                 dir_.filePath(QStringLiteral("tessel-log.csv")));
        QList<QUrl> asked;
        panel().setFolderOpener([&](const QUrl& url) {
            asked << url;
            return opens;
        });
        QCOMPARE(panel().openLogFolderAction().text(), QStringLiteral("打开日志文件所在目录"));
        panel().openLogFolderAction().trigger();
        QCOMPARE(asked, QList<QUrl>{QUrl::fromLocalFile(dir_.path())});
        QCOMPARE(
            prompts_.warnings,
            opens ? QStringList() : QStringList{QStringLiteral("无法打开目录 ") + dir_.path()});
    }
};

QTEST_MAIN(ProductionPanelTest)
#include "tst_productionpanel.moc"
