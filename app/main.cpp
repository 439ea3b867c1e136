#include "app/profile.h"
#include "app/quitsignals.h"
#include "app/sharedstate.h"
#include "app/singleinstance.h"
#include "app/tesseldlg.h"
#include "app/widgetprompts.h"
#include "link/hid/hidapibackend.h"
#include "sim/simboards.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <memory>

namespace {

void printHelp() {
    const QString text =
        QStringLiteral(
            "Usage: tessel [--simulate[=KEY=VALUE,...]] [Qt options]\n"
            "\n"
            "Programs, configures and debugs capacitive touch-key chips through the USB\n"
            "programmer board.\n"
            "\n"
            "  --simulate            use the built-in simulated board instead of a real one\n"
            "  --simulate=OPTIONS    the same, with settings of the simulated board:\n") +
        tessel::SimOptions::help() +
        QStringLiteral(
            "  --version             the program's version\n"
            "  --help                this text\n");
    std::fputs(text.toLocal8Bit().constData(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
    bool simulate = false;
    QString simText;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            printHelp();
            return 0;
        }
        if (arg == QLatin1String("--version")) {
            std::printf("tessel %s\n", TESSEL_VERSION);
            return 0;
        }
        if (arg == QLatin1String("--simulate")) {
            simulate = true;
        } else if (arg.startsWith(QLatin1String("--simulate="))) {
            simulate = true;
            simText = arg.mid(11);
        }
    }
    tessel::SimOptions simOptions;
    QString error;
    if (simulate && !tessel::SimOptions::parse(simText, &simOptions, &error)) {
        std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessel"));
    QApplication::setOrganizationName(QStringLiteral("Tessel"));
    QApplication::setApplicationVersion(QStringLiteral(TESSEL_VERSION));

    tessel::SingleInstance instance;
    if (!instance.tryBecomePrimary())
        return 0;

    tessel::SharedState state;
    state.moduleDir =
        QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
    state.profilePath = tessel::Profile::chooseLocation(state.moduleDir);
    state.engineeringLayout = tessel::Profile(state.profilePath)
                                  .readInt(QStringLiteral("InitParameters"),
                                           QStringLiteral("m_check_engineering"), 0) == 1;

    std::unique_ptr<tessel::HidBackend> backend;
    if (simulate) {
        backend = std::make_unique<tessel::SimBoardSet>(simOptions);
    } else {
        backend = std::make_unique<tessel::HidapiBackend>();
    }

    tessel::WidgetPrompts prompts;
    prompts.setProfile(tessel::Profile(state.profilePath));
    tessel::CTesselDlg window(state, *backend, prompts, simulate);
    prompts.setParent(&window);
    QObject::connect(&instance, &tessel::SingleInstance::activationRequested, &window, [&window] {
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
    tessel::QuitSignals quitSignals;
    QObject::connect(&quitSignals, &tessel::QuitSignals::quitRequested, &window, &QWidget::close);
    window.show();
    return app.exec();
}
