// The profile file against what the disk can hold instead of a profile (devices, pipes,
// oversized files) and against a writer killed in the middle of saving.
#include "app/profile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

using namespace tessel;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(data), data.size());
}

// A profile large enough that saving it takes a while: the counter, then 24 sections of 40
// keys each, every value fixed.
QByteArray profileText(int counter) {
    QByteArray text = "[InitParameters]\r\ncounter=" + QByteArray::number(counter) + "\r\n";
    for (int s = 0; s < 24; ++s) {
        text += "[KR41" + QByteArray::number(10 + s) + "CFGS]\r\n";
        for (int k = 0; k < 40; ++k) {
            text += "CTK_THRESHOLD[" + QByteArray::number(k) + "]=" + QByteArray::number(s * k) +
                    "\r\n";
        }
    }
    return text;
}

// The counter of a saved profile, or -1 when the text is not exactly one of the profiles the
// writer produces.
int wholeProfileCounter(const QByteArray& text) {
    const QByteArray head = "[InitParameters]\r\ncounter=";
    if (!text.startsWith(head))
        return -1;
    const int end = text.indexOf('\r', head.size());
    bool ok = false;
    const int counter = text.mid(head.size(), end - head.size()).toInt(&ok);
    return ok && text == profileText(counter) ? counter : -1;
}

}  // namespace

class ProfileSafetyTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path_;

private Q_SLOTS:
    void init() {
        path_ = dir_.filePath(QStringLiteral("Parameters.ini"));
        QFile::remove(path_);
        QDir(path_).removeRecursively();
    }

    // Something that is not a profile in its place: read as defaults, never written over.
    void notARegularFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("link to /dev/zero") << QStringLiteral("link");
        QTest::newRow("fifo") << QStringLiteral("fifo");
        QTest::newRow("directory") << QStringLiteral("directory");
        QTest::newRow("oversized") << QStringLiteral("oversized");
    }
    void notARegularFile() {
        QFETCH(QString, kind);
        QByteArray big;
        if (kind == QLatin1String("link")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path_));
        } else if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(QFile::encodeName(path_).constData(), 0600), 0);
        } else if (kind == QLatin1String("directory")) {
            QVERIFY(QDir().mkdir(path_));
        } else {
            big = "[InitParameters]\r\nm_ictype=3\r\n" + QByteArray(2 << 20, ';');
            writeAll(path_, big);
        }
        Profile p(path_);
        QCOMPARE(p.readInt(QStringLiteral("InitParameters"), QStringLiteral("m_ictype"), 7), 7);
        QVERIFY(!p.writeInt(QStringLiteral("InitParameters"), QStringLiteral("m_ictype"), 1));
        if (kind == QLatin1String("oversized"))
            QCOMPARE(readAll(path_), big);
        if (kind == QLatin1String("link"))
            QCOMPARE(QFile::symLinkTarget(path_), QStringLiteral("/dev/zero"));
    }

    // A link to a real profile is followed.
    void linkToRegularFileIsRead() {
        const QString target = dir_.filePath(QStringLiteral("real.ini"));
        writeAll(target, "[InitParameters]\r\nm_ictype=9\r\n");
        QVERIFY(QFile::link(target, path_));
        QCOMPARE(
            Profile(path_).readInt(QStringLiteral("InitParameters"), QStringLiteral("m_ictype"), 0),
            9);
        QFile::remove(target);
    }

    // A writer saving as fast as it can is killed at random moments, many times: every time
    // the file on disk is a whole profile, and never older than the one before.
    void killedWriterLeavesWholeFile() {
        writeAll(path_, profileText(0));
        QRandomGenerator rng(20261208);
        int last = 0;
        int advanced = 0;
        for (int round = 0; round < 40; ++round) {
            const pid_t pid = ::fork();
            QVERIFY(pid >= 0);
            if (pid == 0) {
                Profile p(path_);
                const QString section = QStringLiteral("InitParameters");
                const QString key = QStringLiteral("counter");
                for (int v = p.readInt(section, key, 0) + 1;; ++v)
                    p.writeInt(section, key, v);
            }
            // Up to 60 ms: a sanitizer build saves several times slower, and some rounds must
            // let a save finish.
            ::usleep(rng.bounded(2000u, 60000u));
            QCOMPARE(::kill(pid, SIGKILL), 0);
            int status = 0;
            QCOMPARE(::waitpid(pid, &status, 0), pid);
            QVERIFY(WIFSIGNALED(status));
            const int counter = wholeProfileCounter(readAll(path_));
            QVERIFY2(counter >= last, qPrintable(QStringLiteral("round %1: file broken or older "
                                                                "(counter %2 after %3)")
                                                     .arg(round)
                                                     .arg(counter)
                                                     .arg(last)));
            advanced += counter > last;
            last = counter;
        }
        // The writer did get to save: the rounds tested saving, not only starting up.
        QVERIFY(advanced > 0);
    }
};

QTEST_GUILESS_MAIN(ProfileSafetyTest)
#include "tst_profilesafety.moc"
