#include "gui/tst_udpout_window.h"
#include "helpers/mainwindowprobe.h"
#include "mainwindow/mainwindow.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

// The feed after a step of the wall clock. The feed runs in a child copy of this test under
// libfaketime, whose offset file the test rewrites; the child's monotonic clock stays real.

namespace {

const char *childPortVariable = "CHRONVALE_FEED_CHILD_PORT";

QString fakeTimeLibrary()
{
    const QStringList candidates = {QStringLiteral("/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"),
                                    QStringLiteral("/usr/lib/aarch64-linux-gnu/faketime/libfaketime.so.1"),
                                    QStringLiteral("/usr/lib/faketime/libfaketime.so.1")};
    for (const QString &candidate : candidates) {
        if (QFile::exists(candidate))
            return candidate;
    }
    return QString();
}

bool writeOffset(const QString &path, const QString &offset)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(offset.toLatin1() + '\n') > 0;
}

// The child: a window whose feed goes to the parent's receiver until it is ended.
int runFeedForParent(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    OutputFields fields;
    fields.objPort = qEnvironmentVariable(childPortVariable);
    if (!useOutputSettings(dir, fields))
        return 2;
    MainWindow window;
    aimOutput(window, fields);
    MainWindowProbe(window).startOutput();
    QTimer::singleShot(30000, &app, &QCoreApplication::quit);
    return app.exec();
}

} // namespace

class TestUdpoutClockStep : public QObject
{
    Q_OBJECT

private slots:
    void followsStep_data();
    void followsStep();
};

void TestUdpoutClockStep::followsStep_data()
{
    QTest::addColumn<QString>("offset");
    QTest::addColumn<qint64>("offsetMsec");
    QTest::addColumn<bool>("noSecondRepeated");
    QTest::newRow("forward an hour and a half second") << "+3600.5s" << qint64(3600500) << true;
    QTest::newRow("back ten and a half seconds") << "-10.5s" << qint64(-10500) << false;
    QTest::newRow("back 300 ms") << "-0.3s" << qint64(-300) << false;
    // The send due at the boundary comes 50 ms before the new boundary: it waits for it.
    QTest::newRow("back 50 ms") << "-0.05s" << qint64(-50) << true;
}

void TestUdpoutClockStep::followsStep()
{
    QFETCH(QString, offset);
    QFETCH(qint64, offsetMsec);
    QFETCH(bool, noSecondRepeated);
    const QString library = fakeTimeLibrary();
    if (library.isEmpty())
        QSKIP("libfaketime (package faketime) is not installed");

    QTemporaryDir dir;
    const QString offsetFile = dir.filePath(QStringLiteral("faketime"));
    QVERIFY(writeOffset(offsetFile, QStringLiteral("+0s")));
    UdpReceiver receiver;
    QVERIFY(receiver.isBound());

    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(childPortVariable), receiver.portText());
    environment.insert(QStringLiteral("LD_PRELOAD"), library);
    environment.insert(QStringLiteral("FAKETIME_TIMESTAMP_FILE"), offsetFile);
    environment.insert(QStringLiteral("FAKETIME_NO_CACHE"), QStringLiteral("1"));
    environment.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("verify_asan_link_order=0:detect_leaks=0"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), QStringList());
    QVERIFY(child.waitForStarted(5000));

    QVERIFY(receiver.waitFor(2, 8000));
    for (const ReceivedDatagram &datagram : receiver.received)
        QCOMPARE(timeIn(datagram.bytes), secondOf(datagram.at));
    QVERIFY(writeOffset(offsetFile, offset));
    const int beforeStep = receiver.received.size();
    const bool arrived = receiver.waitFor(beforeStep + 4, 8000);
    child.kill();
    child.waitForFinished(5000);
    QVERIFY(arrived);

    // From the second datagram after the step on, the feed carries the stepped time, second after second.
    const QList<ReceivedDatagram> after = receiver.received.mid(beforeStep + 1);
    for (int i = 0; i < after.size(); ++i) {
        QCOMPARE(timeIn(after.at(i).bytes), secondOf(after.at(i).at.addMSecs(offsetMsec)));
        if (i > 0)
            QCOMPARE(timeIn(after.at(i).bytes), timeIn(after.at(i - 1).bytes).addSecs(1));
    }
    if (noSecondRepeated) {
        for (int i = 1; i < receiver.received.size(); ++i)
            QVERIFY(timeIn(receiver.received.at(i - 1).bytes) < timeIn(receiver.received.at(i).bytes));
    }
}

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsSet(childPortVariable))
        return runFeedForParent(argc, argv);
    QApplication app(argc, argv);
    TestUdpoutClockStep test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_udpout_clockstep.moc"
