// The program as built and run: synchronised by a real chronyd on 127.0.0.1:123
// whose clock runs 37 s ahead under libfaketime (-x: it never touches the clock), started twice, and
// refused the right to set the clock. The test build records the times it would set in a file.
#include "helpers/support.h"

static void stop(QProcess &process)
{
    process.kill();
    process.waitForFinished();
}

// Starts a copy of a build of the program beside an ntp.ini of its own, with its own temporary
// folder and so its own single-instance endpoint; its message boxes are logged and closed.
static void start(QProcess &process, const QTemporaryDir &dir, const QStringList &arguments = {}, const QStringList &wrapper = {})
{
    writeAll(dir.filePath("ntp.ini"), iniText({"127.0.0.1 100 1000 0"}));
    QFile::copy(wrapper.isEmpty() ? CHRONVALE_TESTBUILD : CHRONVALE_PROGRAM, dir.filePath("chronvale"));
    process.start("env", QStringList{"TMPDIR=" + dir.path(), "CHRONVALE_AUTOCLOSE_BOXES=1", "CHRONVALE_RECORD_CLOCK=" + dir.filePath("clock.log")}
                             + wrapper + QStringList{dir.filePath("chronvale")} + arguments);
}

class TestE2e : public QObject
{
    Q_OBJECT
private slots:
    // chronyd needs a moment after its start: asked until it answers, which is measured too.
    void initTestCase()
    {
        const QString program = QStandardPaths::findExecutable("chronyd", {CHRONVALE_TOOLS_DIR, "/usr/sbin", "/sbin"});
        QVERIFY2(!program.isEmpty() && QFile::exists(CHRONVALE_FAKETIME), "needs chrony and faketime");
        QVERIFY(writeAll(dir.filePath("chrony.conf"), "port 123\nbindaddress 127.0.0.1\nallow 127.0.0.1\nlocal stratum 8\ncmdport 0\nbindcmdaddress /\npidfile " + dir.filePath("pid").toUtf8()));
        // libfaketime preloaded, not its wrapper, whose shared semaphore is named after a pid that
        // repeats from one test's process namespace to the next. -u root: no user to drop to here.
        chronyd.setProcessChannelMode(QProcess::MergedChannels);
        chronyd.start("env", {"LD_PRELOAD=" CHRONVALE_FAKETIME, "FAKETIME=+37s", program, "-f", dir.filePath("chrony.conf"), "-x", "-d", "-u", "root"});
        NtpClient client;
        QSignalSpy replies(&client, &NtpClient::replyReceived);
        QTimer ask;
        connect(&ask, &QTimer::timeout, [&] { client.sendRequest(4, QHostAddress::LocalHost, 123); });
        ask.start(200);
        QVERIFY2(QTest::qWaitFor([&] { return !replies.isEmpty(); }, 15000), chronyd.readAll().constData());
        const qint64 offset = replies[0][2].value<NtpReply>().localClockOffset();
        QVERIFY2(qAbs(offset - 37000) <= 20, qPrintable(QString::number(offset)));
    }
    void cleanupTestCase() { stop(chronyd); }

    // Its first copy sets the clock to the server's time; a later start hands its last argument over,
    // shows its notice and leaves with 0.
    void clockSetToTheServersTimeAndASecondCopyGivesWay()
    {
        QTemporaryDir folder;
        QProcess first, second;
        start(first, folder);
        const QString log = folder.filePath("clock.log");
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo(log).size() > 0; }, 15000));
        const QDateTime asked = QDateTime::fromString(QString::fromLatin1(readAll(log).split('\n')[0]), Qt::ISODateWithMs);
        const qint64 error = asked.toMSecsSinceEpoch() - QFileInfo(log).lastModified().toMSecsSinceEpoch() - 37000;
        QVERIFY2(qAbs(error) <= 50, qPrintable(QString::number(error)));
        start(second, folder, {"a", "b"});
        QVERIFY(second.waitForFinished(15000) && second.exitCode() == 0);
        QVERIFY(second.readAllStandardError().contains("BOX||本程序已打开，如果窗口隐藏状态，双击托盘本软件图标可恢复窗口！"));
        QByteArray handedOver;
        QVERIFY(QTest::qWaitFor([&] { return (handedOver += first.readAllStandardError()).contains("The value is: b\n"); }, 5000));
        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(QFile::permissions(folder.filePath("OrveliskSChronvaleS")) & 0x77, QFile::Permissions()); // none for group or others
        stop(first);
    }

    // The program itself, without the right to set the clock, says so.
    void realClockRefusesWithoutTheRight()
    {
        QTemporaryDir folder;
        QProcess program;
        start(program, folder, {}, {"setpriv", "--bounding-set=-sys_time", "--inh-caps=-sys_time"});
        QByteArray output;
        QVERIFY(QTest::qWaitFor([&] { return (output += program.readAllStandardError()).contains("set system clock failed"); }, 15000));
        stop(program);
        QVERIFY2(output.contains("set system clock failed: Operation not permitted\n"), output.constData());
    }

private:
    QTemporaryDir dir;
    QProcess chronyd;
};

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
