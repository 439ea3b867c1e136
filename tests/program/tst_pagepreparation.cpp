// The window and tessel-cli ready a chip's pages alike: for every chip, with a profile of
// non-default values, the trim words and configuration words the programming page sends on
// the simulated board are the ones "tessel-cli trim-write" / "write-config" send, and the
// ones "tessel-cli trim" prints.
#include "link/cmusbhid.h"
#include "link/programmersession.h"
#include "pages/chip/configpages.h"
#include "pages/program/cprogrammedlg.h"
#include "sim/simboard.h"

#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace tessel;
using Control = ProgramView::Control;

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

QString hexLine(const Report& r) {
    QStringList out;
    for (uint8_t b : r)
        out << QString::asprintf("%02x", b);
    return out.join(QLatin1Char(' '));
}

// The reports with the given command code, as the trace file writes them.
QStringList linesOf(const std::vector<Report>& trace, int code) {
    QStringList out;
    for (const Report& r : trace) {
        if (r[1] == code)
            out << hexLine(r);
    }
    return out;
}

QStringList traceLinesOf(const QString& path, int code) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList out;
    const QString head = QString::asprintf("00 %02x ", code);
    for (const QString& line : QString::fromLatin1(f.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(head))
            out << line.trimmed();
    }
    return out;
}

int runCli(const QStringList& args, QStringList* out = nullptr) {
    QProcess p;
    p.start(QStringLiteral(TESSEL_CLI_PATH), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    if (out)
        *out = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
    return p.exitCode();
}

}  // namespace

class PagePreparationTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString profile_;

    // The programming page on a simulated board, started with chip 0 and then switched to
    // chip as the chip combo does; trace cleared. Runs click and returns the reports the
    // board received until the page's buttons are back.
    std::vector<Report> window(int chip, Control control, Control second) {
        SharedState state;
        state.profilePath = profile_;
        state.engineeringLayout = true;
        SimOptions o;
        o.latencyMs = 0;
        SimBackend backend(o);
        ScriptedPrompts prompts;
        CProgrammeDlg page(state, backend, prompts);
        CMUSBHid& transport = page.session().transport();
        page.session().open();
        if (!QTest::qWaitFor([&] { return page.buttonsEnabled() && transport.isConnected(); },
                             5000))
            return {};
        QTest::qWait(20);
        state.chipIndex = uint32_t(chip);
        page.layoutForChip();
        backend.board().clearTrace();
        const auto idle = [&] {
            return QTest::qWaitFor([&] { return !page.sequencer().busy(); }, 10000);
        };
        page.button(control)->click();
        idle();
        if (second != control) {
            page.button(second)->click();
            idle();
        }
        QTest::qWait(20);
        return backend.board().trace();
    }

    // The programming page loads a mass-production file (the file names its chip and CFG0)
    // and runs the one-key write; returns the reports the board received.
    std::vector<Report> windowProgram(const QString& file) {
        SharedState state;
        state.profilePath = profile_;
        SimOptions o;
        o.latencyMs = 0;
        SimBackend backend(o);
        ScriptedPrompts prompts;
        CProgrammeDlg page(state, backend, prompts);
        page.session().open();
        if (!QTest::qWaitFor(
                [&] { return page.buttonsEnabled() && page.session().transport().isConnected(); },
                5000))
            return {};
        backend.board().clearTrace();
        prompts.openAnswers << file;
        page.button(Control::OpenFile)->click();
        page.button(Control::WriteFlash)->click();
        if (!QTest::qWaitFor([&] { return !page.sequencer().busy(); }, 10000))
            return {};
        QTest::qWait(20);
        return backend.board().trace();
    }

    QStringList cli(const char* command, int chip, const QString& trace) {
        QFile::remove(trace);
        QStringList out;
        runCli({S("--simulate=latency=0"), S("--profile"), profile_, S("--trace"), trace,
                S(command), S("--chip"), QString::number(chip)},
               &out);
        return out;
    }

private Q_SLOTS:
    // A profile in which every page holds values other than its defaults: each list one entry
    // on, each check box flipped, saved as the pages' save buttons do; the MCU01 keys by hand.
    void initTestCase() {
        profile_ = dir_.filePath(S("Parameters.ini"));
        QFile(profile_).open(QIODevice::WriteOnly);
        for (int chip = 0; chip < 14; ++chip) {
            chip::ConfigPages pages{Profile(profile_)};
            pages.initialiseAll(chip);
            for (chip::PageModel* page :
                 {&pages.prepareConfigPage(chip), &pages.prepareTrimPage(chip)}) {
                page->setFullView(true);
                for (int f = 0; f < page->fieldCount(); ++f) {
                    const int n = int(page->items(f).size());
                    if (page->field(f).kind == chip::ControlKind::Check)
                        page->choose(f, page->checked(f) ? 0 : 1);
                    else if (page->field(f).kind == chip::ControlKind::List && n > 1)
                        page->choose(f, (std::max(page->selection(f), 0) + 1) % n);
                }
                page->saveToProfile();
            }
        }
        Profile p(profile_);
        const QString mcu01 = S("KR5712AXCFGS");
        const auto put = [&](const char* key, int value) {
            QVERIFY(p.writeInt(mcu01, S(key), value));
        };
        put("m_com_RO5812DA_ADJBGLP", 5);
        put("m_com_RO5812DA_ADJIREF", 9);
        put("m_n_RO5812DA_CFG1", 7);
        put("m_n_RO5812DA_ADJLDODRIVE", 2);
        put("m_n_RO5812DA_ADJBORVTH", 6);
        put("m_n_RO5812DA_CFG4", 20);
        put("m_n_RO5812DA_CFG5", 200);
        put("m_n_RO5812DA_CFG6", 30);
        put("m_n_RO5812DA_CFG7", 27);
        put("m_n_RO5812DA_OSC_REG", 133);
        put("m_com_ZU5712RA16_ADJBGLP", 2);
        put("m_com_ZU5712RA16_ADJIREF", 12);
        put("m_n_ZU5712RA16_CFG1", 6);
        put("m_n_ZU5712RA16_ADJLDODRIVE", 1);
        put("m_n_ZU5712RA16_ADJBORVTH", 10);
        put("m_n_ZU5712RA16_CFG4", 5);
        put("m_n_ZU5712RA16_CFG5", 129);
        put("m_n_ZU5712RA16_CFG6", 50);
        put("m_n_ZU5712RA16_CFG7", 47);
        put("m_n_ZU5712RA16_OSC_REG", 66);
    }

    void trimWordsAlike_data() {
        QTest::addColumn<int>("chip");
        QTest::addColumn<QString>("expected");  // the 0x8D payload, where written out by hand
        for (int chip = 0; chip < 14; ++chip) {
            QString expected;
            if (chip == 8)  // CFG2 = 5<<5 | 9<<1 | chip bit; CFG3 = 2<<4 | 6
                expected = S("07 b3 26 14 c8 1e 1b 85");
            if (chip == 9)  // CFG2 = 2<<5 | 12<<1; CFG3 = 1<<4 | 10
                expected = S("06 58 1a 05 81 32 2f 42");
            QTest::addRow("chip %d", chip) << chip << expected;
        }
    }
    void trimWordsAlike() {
        QFETCH(int, chip);
        QFETCH(QString, expected);
        const QStringList windowSent =
            linesOf(window(chip, Control::TrimToggle, Control::WriteTrim), 0x8D);
        QCOMPARE(windowSent.size(), 1);
        const QString trace = dir_.filePath(S("trim.trace"));
        const QStringList out = cli("trim-write", chip, trace);
        QVERIFY2(out.contains(S("修调字写入正确!")), qPrintable(out.join(QLatin1Char('|'))));
        const QStringList cliSent = traceLinesOf(trace, 0x8D);
        QCOMPARE(cliSent, windowSent);

        QStringList printed;
        QCOMPARE(runCli({S("--profile"), profile_, S("trim"), S("--chip"), QString::number(chip)},
                        &printed),
                 0);
        const QString bytes = printed.filter(QRegularExpression(S("^bytes="))).value(0).mid(6);
        QVERIFY(!bytes.isEmpty());
        QCOMPARE(cliSent.value(0).mid(6, bytes.size()), bytes);
        if (!expected.isEmpty())
            QCOMPARE(bytes, expected);
        // Not the bytes of an unloaded page.
        QVERIFY(bytes.count(S("00")) < bytes.count(QLatin1Char(' ')) + 1);
    }

    // A mass-production file selects its chip and applies its CFG0 through the session in
    // both front ends: the word-0 write carries the file's byte.
    void massProductionFileAlike_data() {
        QTest::addColumn<int>("chip");
        for (int chip = 1; chip <= 7; ++chip)
            QTest::addRow("chip %d", chip) << chip;
    }
    void massProductionFileAlike() {
        QFETCH(int, chip);
        const QString hex = dir_.filePath(S("image.hex"));
        QFile f(hex);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(":0400000001020304F2\n:00000001FF\n");
        f.close();
        const QString tk = dir_.filePath(QStringLiteral("line%1").arg(chip));
        QStringList made;
        QCOMPARE(runCli({S("make-tk"), hex, S("--chip"), QString::number(chip), S("--cfg0"),
                         S("0x5a"), S("-o"), tk, S("--force")},
                        &made),
                 0);
        const QString file = made.filter(QRegularExpression(S("^file="))).value(0).mid(5);
        QVERIFY(!file.isEmpty());
        const QStringList windowSent = linesOf(windowProgram(file), 0x84);
        QCOMPARE(windowSent.size(), 1);
        QVERIFY2(windowSent.first().startsWith(S("00 84 5a ")), qPrintable(windowSent.first()));
        const QString trace = dir_.filePath(S("tk.trace"));
        QFile::remove(trace);
        QCOMPARE(runCli({S("--simulate=latency=0"), S("--profile"), profile_, S("--trace"), trace,
                         S("program"), file}),
                 0);
        QCOMPARE(traceLinesOf(trace, 0x84), windowSent);
    }

    void configWordsAlike_data() {
        QTest::addColumn<int>("chip");
        for (int chip = 1; chip < 14; ++chip)  // KR4121 takes its words with the image
            QTest::addRow("chip %d", chip) << chip;
    }
    void configWordsAlike() {
        QFETCH(int, chip);
        const std::vector<Report> sent = window(chip, Control::WriteConfig, Control::WriteConfig);
        const QString trace = dir_.filePath(S("config.trace"));
        cli("write-config", chip, trace);
        for (int code : {0x89, 0x84}) {
            QCOMPARE(traceLinesOf(trace, code), linesOf(sent, code));
        }
        QCOMPARE(linesOf(sent, 0x89).size(), 1);
        QCOMPARE(linesOf(sent, 0x84).size(), chip >= 10 ? 1 : 0);
    }
};

QTEST_MAIN(PagePreparationTest)
#include "tst_pagepreparation.moc"
