// The real POSIX clock backend, run in a child process that has lost CAP_SYS_TIME:
// it must fail and say why. The child is never started with the capability.
#include <QProcess>
#include <QtTest>

class TestSyncSystemClock : public QObject
{
    Q_OBJECT

private slots:
    void failsWithReason_data();
    void failsWithReason();
};

void TestSyncSystemClock::failsWithReason_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("reason");

    QTest::newRow("current time, no right") << "now" << "Operation not permitted";
    QTest::newRow("invalid time") << "invalid" << "invalid date and time";
}

void TestSyncSystemClock::failsWithReason()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);

    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"), {QStringLiteral("--bounding-set=-sys_time"),
                                            QStringLiteral("--inh-caps=-sys_time"),
                                            QStringLiteral(CHRONVALE_SETCLOCK_CHILD), target});
    QVERIFY2(child.waitForFinished(10000), qPrintable(child.errorString()));
    const QString output = QString::fromUtf8(child.readAll()).trimmed();
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(output, QStringLiteral("set-failed|%1").arg(reason));
    QCOMPARE(child.exitCode(), 1);
}

QTEST_GUILESS_MAIN(TestSyncSystemClock)
#include "tst_sync_systemclock.moc"
