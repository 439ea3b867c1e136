// tessel-artwork: writes the program's drawn pictures as files.
//   tessel-artwork icons DIR      DIR/tessel.svg and DIR/NxN/tessel.png for the icon theme
//   tessel-artwork pictures DIR   DIR/<resource number>.png for every picture, to look at
#include "res/artwork.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

namespace {

bool writeIcons(const QString& dir, const QString& name) {
    if (!QDir().mkpath(dir))
        return false;
    QFile svg(QDir(dir).filePath(name + QStringLiteral(".svg")));
    if (!svg.open(QIODevice::WriteOnly) || svg.write(tessel::artwork::iconSvg()) < 0)
        return false;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString sub = QStringLiteral("%1/%2x%2").arg(dir).arg(size);
        if (!QDir().mkpath(sub) || !tessel::artwork::iconImage(size).save(
                                       sub + QLatin1Char('/') + name + QStringLiteral(".png")))
            return false;
    }
    return true;
}

bool writePictures(const QString& dir, qreal dpr) {
    if (!QDir().mkpath(dir))
        return false;
    for (int id : tessel::artwork::pictureIds()) {
        if (!tessel::artwork::picture(id, dpr).save(
                QDir(dir).filePath(QString::number(id) + QStringLiteral(".png"))))
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    bool ok = false;
    if (args.size() >= 2 && args[0] == QLatin1String("icons")) {
        ok = writeIcons(args[1], args.value(2, QStringLiteral("tessel")));
    } else if (args.size() >= 2 && args[0] == QLatin1String("pictures")) {
        ok = writePictures(args[1], args.value(2, QStringLiteral("1")).toDouble());
    } else {
        std::fputs("Usage: tessel-artwork icons DIR [NAME] | pictures DIR [PIXEL-RATIO]\n", stderr);
        return 2;
    }
    if (!ok)
        std::fprintf(stderr, "tessel-artwork: cannot write into %s\n", qPrintable(args[1]));
    return ok ? 0 : 1;
}
