// tessel-preview: shows one control or page with known data, or saves a picture of it.
//   tessel-preview --list
//   tessel-preview NAME [--screenshot FILE.png]
#include "tools/preview/previews.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <memory>

namespace tessel::preview {

std::map<QString, Factory>& registry() {
    static std::map<QString, Factory> r;
    return r;
}

}  // namespace tessel::preview

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    auto& reg = tessel::preview::registry();
    if (args.isEmpty() || args[0] == QLatin1String("--list")) {
        for (const auto& [name, factory] : reg)
            std::printf("%s\n", name.toUtf8().constData());
        return args.isEmpty() ? 2 : 0;
    }
    const auto it = reg.find(args[0]);
    if (it == reg.end()) {
        std::fprintf(stderr, "unknown preview: %s (see --list)\n", args[0].toUtf8().constData());
        return 2;
    }
    std::unique_ptr<QWidget> w(it->second());
    w->show();
    const int shot = args.indexOf(QLatin1String("--screenshot"));
    if (shot >= 0 && shot + 1 < args.size()) {
        const QString file = args[shot + 1];
        QTimer::singleShot(300, [&w, file] {
            w->grab().save(file);
            QApplication::quit();
        });
    }
    return app.exec();
}
