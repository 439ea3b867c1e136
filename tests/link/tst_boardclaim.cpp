// The claim that keeps two programs off one board: a lock on the board's device node or, for a
// simulated board, on a file named after its serial number; refused while another process
// holds it, with that process named; shared within one program.
#include "link/hid/boardlock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace tessel;

class BoardClaimTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    // Another process that holds an exclusive lock on path until it is killed.
    std::unique_ptr<QProcess> holdLock(const QString& path) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral("flock"), {QStringLiteral("-x"), QStringLiteral("-o"), path,
                                           QStringLiteral("sleep"), QStringLiteral("60")});
        if (!p->waitForStarted(5000))
            return nullptr;
        return p;
    }

private Q_SLOTS:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("flock")).isEmpty())
            QSKIP("the flock program (util-linux) is not installed");
        qputenv("TESSEL_LOCK_DIR", dir_.filePath(QStringLiteral("locks")).toUtf8());
    }

    void refusedWhileAnotherProcessHoldsIt_data() {
        QTest::addColumn<bool>("byName");
        QTest::newRow("device node") << false;
        QTest::newRow("simulated board") << true;
    }
    void refusedWhileAnotherProcessHoldsIt() {
        QFETCH(bool, byName);
        const QString serial = QStringLiteral("SIM0042");
        const QString file =
            byName ? BoardClaim::nameFile(serial) : dir_.filePath(QStringLiteral("hidraw7"));
        QVERIFY(file.startsWith(dir_.path()));
        {
            QFile f(file);
            QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        auto claimIt = [&](qint64* holder) {
            return byName ? BoardClaim::onName(serial, holder) : BoardClaim::onNode(file, holder);
        };
        std::unique_ptr<QProcess> other = holdLock(file);
        QVERIFY(other);
        QTRY_COMPARE(BoardClaim::holderOf(file), other->processId());

        qint64 holder = -1;
        QVERIFY(!claimIt(&holder));
        QCOMPARE(holder, other->processId());

        other->kill();
        other->waitForFinished();
        QTRY_COMPARE(BoardClaim::holderOf(file), qint64(0));
        std::shared_ptr<BoardClaim> mine = claimIt(&holder);
        QVERIFY(mine);
        QCOMPARE(holder, qint64(0));
        QCOMPARE(BoardClaim::holderOf(file), QCoreApplication::applicationPid());
        // A second open within this program shares the claim.
        QCOMPARE(claimIt(&holder), mine);
        mine.reset();
        QCOMPARE(BoardClaim::holderOf(file), qint64(0));
    }

    // A serial number is the board's own text: it never leads the lock file out of its directory.
    void serialNumbersStayInTheLockDirectory() {
        for (const char* serial : {"SIM0001", "../../x/y", "a/b"}) {
            const QFileInfo file(BoardClaim::nameFile(QString::fromUtf8(serial)));
            QCOMPARE(file.absolutePath(), dir_.filePath(QStringLiteral("locks")));
        }
    }
};

QTEST_MAIN(BoardClaimTest)
#include "tst_boardclaim.moc"
