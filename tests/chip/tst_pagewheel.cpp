// The mouse wheel over a configuration or trim page scrolls the page; it changes a list only
// after the user has clicked into it. (A wheel turned over the MCU04 trim page once changed
// TEST_CLK_SEL to XTAL_32K unnoticed, and the next trim write sent it to the chip.)
#include "app/prompts.h"
#include "link/cmusbhid.h"
#include "pages/chip/configpages.h"
#include "pages/chip/engine/pageview.h"
#include "pages/debug/cdebug.h"
#include "pagetest.h"
#include "sim/simboard.h"

#include <QtTest/qtestspontaneevent.h>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using namespace tessel;
using namespace chiptest;

namespace {

// One notch of a real mouse wheel over the middle of widget, delivered as the window system
// delivers it (spontaneous: the application may give the focus by the wheel, then passes an
// ignored event on to the parents). Down is away from the user.
void turnWheel(QWidget* widget, bool down) {
    const QPointF pos(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent event(pos, widget->mapToGlobal(pos), QPoint(), QPoint(0, down ? -120 : 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(widget, &event);
}

// The combo boxes the user can reach, in page order.
QList<QComboBox*> usableCombos(QWidget* page) {
    QList<QComboBox*> out;
    for (QComboBox* c : page->findChildren<QComboBox*>()) {
        if (c->isVisible() && c->isEnabled() && c->count() > 1)
            out << c;
    }
    return out;
}

// Nothing has the keyboard focus, as after a click on the page's background.
void dropFocus() {
    if (QWidget* w = QApplication::focusWidget())
        w->clearFocus();
}

}  // namespace

class PageWheelTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void wheelScrollsThePage_data() {
        QTest::addColumn<int>("chipIndex");
        QTest::addColumn<bool>("trim");
        QTest::addColumn<QString>("watched");  // a list named in a fault report, or empty
        const struct {
            const char* name;
            int chip;
        } chips[] = {{"KR4121", 0}, {"KR4111", 1}, {"KR4112", 2}, {"KR4113", 4},
                     {"KR4116", 7}, {"MCU01", 9},  {"MCU02", 10}, {"MCU04", 13}};
        for (const auto& c : chips) {
            const QString watched = c.chip == 13 ? QStringLiteral("TEST_CLK_SEL") : QString();
            QTest::addRow("%s configuration", c.name) << c.chip << false << QString();
            QTest::addRow("%s trim", c.name) << c.chip << true << watched;
        }
    }

    void wheelScrollsThePage() {
        QFETCH(int, chipIndex);
        QFETCH(bool, trim);
        QFETCH(QString, watched);
        ProfileFile file;
        const chip::ConfigPage which = chip::configPageOf(chipIndex);
        auto page = trim ? chip::makeTrimPage(which, file.profile())
                         : chip::makeConfigPage(which, file.profile());
        page->initialise(chipIndex);
        page->setFullView(true);
        QScrollArea area;
        area.setWidgetResizable(true);
        auto* view = new chip::ChipPageView(*page);
        area.setWidget(view);
        area.resize(view->sizeHint().width() + 30, 140);  // the page is taller than the frame
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
        QScrollBar* bar = area.verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        dropFocus();

        const QList<QComboBox*> combos = usableCombos(view);
        QList<QWidget*> controls(combos.begin(), combos.end());
        for (QLineEdit* edit : view->findChildren<QLineEdit*>()) {
            if (edit->isVisible() && edit->isEnabled())
                controls << edit;
        }
        QVERIFY(!controls.isEmpty());
        if (!watched.isEmpty())
            QVERIFY(view->findChild<QComboBox*>(watched));
        const std::vector<uint8_t> bytes = trim ? page->trimBytes() : page->cfgBytes();
        for (QWidget* control : controls) {
            // The control in the upper part of the frame, with room to scroll either way.
            bar->setValue(control->mapTo(view, QPoint(0, 0)).y() - 40);
            auto* combo = qobject_cast<QComboBox*>(control);
            const int before = combo ? combo->currentIndex() : -1;
            const int scroll = bar->value();
            // Down where a list could still move down, else up.
            const bool down = scroll < bar->maximum() && (!combo || before < combo->count() - 1);
            turnWheel(control, down);
            QVERIFY2((combo ? combo->currentIndex() : -1) == before,
                     qPrintable(control->objectName()));
            QVERIFY2(bar->value() != scroll, qPrintable(control->objectName()));
            QVERIFY(!control->hasFocus());
        }
        QCOMPARE(trim ? page->trimBytes() : page->cfgBytes(), bytes);
        if (combos.isEmpty())
            return;  // the MCU04 configuration page shows check boxes and hex fields only

        // Clicked into, a list takes the wheel and the page does not move.
        QComboBox* combo =
            watched.isEmpty() ? combos.first() : view->findChild<QComboBox*>(watched);
        int f = 0;
        while (f < page->fieldCount() && page->field(f).caption != combo->objectName())
            ++f;
        QVERIFY(f < page->fieldCount());
        area.ensureWidgetVisible(combo);
        combo->setFocus(Qt::MouseFocusReason);
        QVERIFY(combo->hasFocus());
        const bool down = combo->currentIndex() < combo->count() - 1;
        const int before = combo->currentIndex();
        const int scroll = bar->value();
        turnWheel(combo, down);
        QCOMPARE(combo->currentIndex(), before + (down ? 1 : -1));
        QCOMPARE(page->selection(f), before + (down ? 1 : -1));  // the page took the choice
        QCOMPARE(bar->value(), scroll);
    }

    // The debug page's parameters go to the board with the next parameter write.
    void debugParametersTakeTheWheelOnlyWhenClicked() {
        ProfileFile file;
        SharedState state;
        state.profilePath = file.path();
        state.chipIndex = 5;
        state.engineeringLayout = true;  // the layout that shows the parameter lists
        ScriptedPrompts prompts;
        SimOptions options;
        options.latencyMs = 0;
        SimBackend backend(options);
        CMUSBHid transport(state, backend);
        CDebug page(state, transport, prompts);
        page.resize(1400, 900);
        page.show();
        transport.open();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        dropFocus();
        const QList<QComboBox*> combos =
            usableCombos(page.findChild<QGroupBox*>(QStringLiteral("parameterGroup")));
        QVERIFY(combos.size() >= 2);
        for (QComboBox* combo : combos) {
            const int before = combo->currentIndex();
            turnWheel(combo, before < combo->count() - 1);
            QVERIFY2(combo->currentIndex() == before, qPrintable(combo->currentText()));
            QVERIFY(!combo->hasFocus());
        }
        QComboBox* combo = combos.first();
        combo->setFocus(Qt::MouseFocusReason);
        const bool down = combo->currentIndex() < combo->count() - 1;
        const int before = combo->currentIndex();
        turnWheel(combo, down);
        QCOMPARE(combo->currentIndex(), before + (down ? 1 : -1));
        transport.close();
    }
};

QTEST_MAIN(PageWheelTest)
#include "tst_pagewheel.moc"
