// The window program as it starts on the simulated board, for whole-process figures: it ends
// as soon as the programming page shows the board's version (the board is connected and
// answers). With --program FILE it then opens FILE and runs a one-key write first.
//
//   bench_window --profile Parameters.ini [--latency N] [--program image.bin]
//
// Exit status 0 when the board connected (and the write succeeded), 1 otherwise.
#include "app/sharedstate.h"
#include "app/tesseldlg.h"
#include "link/programmersession.h"
#include "pages/program/cprogrammedlg.h"
#include "sim/simboard.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

using namespace tessel;

namespace {

QString argument(const QStringList& args, const QString& name) {
    const int i = args.indexOf(name);
    return i >= 0 && i + 1 < args.size() ? args[i + 1] : QString();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString image = argument(args, QStringLiteral("--program"));

    SharedState state;
    state.profilePath = argument(args, QStringLiteral("--profile"));
    state.moduleDir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    SimOptions options;
    const QString latency = argument(args, QStringLiteral("--latency"));
    if (!latency.isEmpty())
        options.latencyMs = latency.toInt();
    SimBackend backend(options);
    ScriptedPrompts prompts;
    if (!image.isEmpty())
        prompts.openAnswers << image;

    CTesselDlg window(state, backend, prompts, true);
    CProgrammeDlg& page = window.programPage();
    // The window's own verdicts: the handshake's, then the one-key write's.
    ProgrammerSession& session = page.session();
    QObject::connect(&session, &ProgrammerSession::handshakeFinished, &app,
                     [&](const Outcome& outcome) {
                         if (!outcome.ok() || image.isEmpty()) {
                             QCoreApplication::exit(outcome.ok() ? 0 : 1);
                             return;
                         }
                         QTimer::singleShot(0, &app, [&page] {
                             page.button(ProgramView::Control::OpenFile)->click();
                             page.button(ProgramView::Control::WriteFlash)->click();
                         });
                     });
    QObject::connect(&session, &ProgrammerSession::operationFinished, &app,
                     [](const Outcome& outcome) { QCoreApplication::exit(outcome.ok() ? 0 : 1); });
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(1); });
    window.show();
    return app.exec();
}
