// Where Parameters.ini lives: next to a program unpacked or built in a directory of its own,
// in ~/.config/Tessel/ for an installed program or an unwritable directory.
#include "app/profile.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace tessel;

class ProfileLocationTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

private Q_SLOTS:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QStringLiteral("home/.config")).toUtf8());
        for (const char* sub : {"portable", "prefix/bin", "build/app", "bin-tools"})
            QVERIFY(QDir(dir_.path()).mkpath(QString::fromLatin1(sub)));
    }

    void location_data() {
        QTest::addColumn<QString>("programDir");
        QTest::addColumn<QString>("expected");
        const QString home = QStringLiteral("home/.config/Tessel/Parameters.ini");
        QTest::newRow("portable") << "portable/"
                                  << "portable/Parameters.ini";
        QTest::newRow("build tree") << "build/app/"
                                    << "build/app/Parameters.ini";
        QTest::newRow("not quite bin") << "bin-tools/"
                                       << "bin-tools/Parameters.ini";
        QTest::newRow("installed, writable") << "prefix/bin/" << home;
        QTest::newRow("installed, no slash") << "prefix/bin" << home;
        QTest::newRow("missing directory") << "no-such-dir/" << home;
    }

    void location() {
        QFETCH(QString, programDir);
        QFETCH(QString, expected);
        QCOMPARE(Profile::chooseLocation(dir_.filePath(programDir)), dir_.filePath(expected));
    }
};

QTEST_GUILESS_MAIN(ProfileLocationTest)
#include "tst_profilelocation.moc"
