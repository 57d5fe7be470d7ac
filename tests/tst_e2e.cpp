// The program as built and run: synchronised by a real chronyd on 127.0.0.1:123
// whose clock runs 37 s ahead under libfaketime (-x: it never touches the clock), started twice, and
// hidden in a real notification area. The test build records the times it would set in a file.
#include "fixtures/chronyd.h"
#include "helpers/support.h"

#include <QLocalServer>
#include <QLocalSocket>

// A copy of the test build, which records the offsets it would move the clock by in clock.log beside it.
static void start(QProcess &process, const QTemporaryDir &dir, const QStringList &arguments = {},
                  const QStringList &environment = {})
{
    startCopy(process, dir, arguments,
              QStringList{"CHRONVALE_RECORD_CLOCK=" + dir.filePath("clock.log")} + environment);
}

class TestE2e : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const std::optional<qint64> offset = startChronyd(chronyd, dir, "+37s");
        QVERIFY2(offset && qAbs(*offset - 37000) <= 20, chronyd.readAll().constData());
    }
    void cleanupTestCase() { stop(chronyd); }

    // Its first copy sets the clock to the server's time. A later start hands its last argument over,
    // shows its notice and leaves with 0; a socket of another user's at the old shared place, or peers
    // that connect and send nothing, change nothing. SIGTERM saves and ends it as "退出" does.
    void clockSetToTheServersTimeAndASecondCopyGivesWay()
    {
        QTemporaryDir folder;
        QProcess first, second;
        QLocalServer squatter;
        QVERIFY(squatter.listen(folder.filePath("OrveliskSChronvaleS")));
        // Damaged, yet what it holds is used, and nothing on the way out waits on a box.
        const QByteArray damaged = iniText({"127.0.0.1 100 1000 0"}) + "junk\n";
        QVERIFY(writeAll(folder.filePath("ntp.ini"), damaged));
        start(first, folder);
        const QString log = folder.filePath("clock.log"),
                      endpoint = qEnvironmentVariable("XDG_RUNTIME_DIR") + "/OrveliskSChronvaleS";
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo(log).size() > 0; }, 15000));
        const qint64 errorNs = clockSetErrorsNs(log, 37000).value(0, -1);
        QVERIFY2(qAbs(errorNs) <= 50000000, qPrintable(QString::number(errorNs)));
        QLocalSocket silent[5];
        for (QLocalSocket &peer : silent) {
            peer.connectToServer(endpoint);
            QVERIFY(peer.waitForConnected(10000));
        }
        start(second, folder, {"a", "b"});
        QVERIFY(second.waitForFinished(15000) && second.exitCode() == 0
                && second.readAllStandardError().contains(
                    "BOX||本程序已打开，如果窗口隐藏状态，双击托盘本软件图标可恢复窗口！"));
        QByteArray handedOver;
        QVERIFY(QTest::qWaitFor(
            [&] { return (handedOver += first.readAllStandardError()).contains("The value is: b\n"); }, 15000));
        // The endpoint's permissions: none for group or others.
        QVERIFY(first.state() == QProcess::Running && !squatter.hasPendingConnections()
                && !(QFile::permissions(endpoint) & 0x77));
        first.terminate();
        QVERIFY(first.waitForFinished(30000) && first.exitCode() == 0 && !QFile::exists(endpoint));
        QVERIFY(!(handedOver + first.readAllStandardError()).contains("BOX|"));
        QVERIFY(readAll(folder.filePath("ntp.ini")).contains("startrun=false") // saved on the way out
                && readAll(folder.filePath("ntp.ini.bad")) == damaged);
    }

    // Ten copies started together, twenty times over: one stays, the others give way with 0.
    void oneCopyAtATime()
    {
        QTemporaryDir folder;
        for (int round = 0; round < 20; ++round) {
            QProcess copies[10];
            for (QProcess &copy : copies)
                start(copy, folder);
            const auto ended = [&] {
                return std::count_if(std::begin(copies), std::end(copies),
                                     [](QProcess &c) { return c.state() == QProcess::NotRunning; });
            };
            QVERIFY(QTest::qWaitFor([&] { return ended() == 9; }, 30000));
            QTest::qWait(200);
            QCOMPARE(ended(), 9);
            for (QProcess &copy : copies) {
                QVERIFY(copy.state() == QProcess::Running || copy.exitCode() == 0);
                stop(copy);
            }
        }
    }

    // On a real X server with a notification area: hidden in it, the window comes back at a second
    // start, and when the notification area goes away.
    void hiddenWindowIsNeverLost()
    {
        QProcess xvfb, tray, first, second;
        // Without -noreset the server resets whenever its last client leaves, as each xdotool does, and a
        // client connecting meanwhile is refused.
        xvfb.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-noreset"});
        QVERIFY(xvfb.waitForReadyRead(30000));
        const QString display = "DISPLAY=:" + xvfb.readAllStandardOutput().trimmed();
        tray.start("env", {display, "trayer", "--edge", "top", "--align", "right", "--widthtype", "request"});
        const auto x = [&](const QStringList &command) { // what xdotool prints
            QProcess xdotool;
            xdotool.start("env", QStringList{display, "xdotool"} + command);
            return xdotool.waitForFinished(5000) ? xdotool.readAllStandardOutput() : QByteArray();
        };
        // Waits end with what they wait for; a busy machine may take long to get there.
        QVERIFY(QTest::qWaitFor([&] { return !x({"search", "--classname", "trayer"}).isEmpty(); }, 60000));
        QTemporaryDir folder;
        QVERIFY(
            writeAll(folder.filePath("ntp.ini"), iniText().replace("[mainWindow]\n", "[mainWindow]\ntrayicon=true\n")));
        start(first, folder, {}, {display, "QT_QPA_PLATFORM=xcb"});
        const auto shown = [&] { // the main window, not its icon in the notification area
            return x({"search", "--all", "--onlyvisible", "--pid", QString::number(first.processId()), "--classname",
                      "", "getwindowgeometry", "%@"})
                .contains("583x370");
        };
        const auto hideInTray = [&] { // "确定" hides the window while its icon is in the notification area
            for (int click = 0; click < 5 && QTest::qWaitFor(shown, 60000); ++click) { // until the window takes it
                x({"mousemove", "78", "257", "click", "1"});
                if (QTest::qWaitFor([&] { return !shown(); }, 5000))
                    return true;
            }
            return false;
        };
        QVERIFY(hideInTray());
        start(second, folder, {}, {display, "QT_QPA_PLATFORM=xcb"});
        QVERIFY(QTest::qWaitFor(shown, 30000) && hideInTray());
        stop(tray);
        QVERIFY(QTest::qWaitFor(shown, 30000));
        stop(first);
        stop(xvfb);
    }

    // The program itself, which may not set the clock here, with a stand-in for its set-time helper, in
    // its build folder or where the package puts it: what each way the helper fails tells the user. One
    // that hangs holds neither the clock nor the time feed, which sends each second meanwhile.
    void eachHelperFailureHasItsRemedy()
    {
        QUdpSocket display;
        QVERIFY(display.bind(QHostAddress(QHostAddress::LocalHost), 0));
        for (const auto &[helper, installed, told] :
             {std::tuple<QByteArray, bool, QString>{"", false, "找不到设置时钟的辅助程序%1"},
              {"-", false, "Permission denied\n请把用户加入chronvale组"},
              {"exit 3", false, "源码构建的chronvale-settime没有设置时钟的权限，请执行：sudo chgrp chronvale %1"},
              {"exit 3", true,
               "没有设置时钟的权限：请重新安装软件包（sudo apt install --reinstall chronvale），或执行sudo setcap "
               "cap_sys_time+ep %1"},
              {"kill -TERM $$", false, "chronvale-settime被信号15（Terminated）终止"},
              {"exec sleep 60", false, "chronvale-settime timed out"}}) {
            QTemporaryDir folder;
            const QString program = folder.filePath(installed ? "bin/chronvale" : "chronvale"),
                          path = QDir::cleanPath(
                              program
                              + (installed ? "/../../lib/chronvale/chronvale-settime" : "/../chronvale-settime"));
            QVERIFY(QDir().mkpath(QFileInfo(path).path()) && QDir().mkpath(QFileInfo(program).path())
                    && QFile::copy(CHRONVALE_PROGRAM, program));
            if (!helper.isEmpty()) // "-": one that may not be run
                QVERIFY(writeAll(path, "#!/bin/sh\n" + helper + "\n")
                        && QFile::setPermissions(path, helper == "-" ? QFile::ReadOwner
                                                                     : QFile::ExeOwner | QFile::ReadOwner));
            QVERIFY(writeAll(QFileInfo(program).path() + "/ntp.ini",
                             iniText({"127.0.0.1 100 1000 0"})
                                 .replace("objPort=9", "objPort=" + QByteArray::number(display.localPort()))
                                 .replace("[mainWindow]\n", "[mainWindow]\nstartrun_ctr=true\n")));
            QProcess run;
            run.start("env", {"TMPDIR=" + folder.path(), program});
            QByteArray log;
            QList<qint64> arrivals;
            QElapsedTimer clock;
            clock.start();
            QVERIFY(QTest::qWaitFor(
                [&] {
                    while (display.hasPendingDatagrams())
                        display.receiveDatagram(), arrivals << clock.elapsed();
                    return (log += run.readAllStandardError()).contains("set system clock failed");
                },
                20000));
            QTest::qWait(200);
            log += run.readAllStandardError();
            stop(run);
            QVERIFY2(log.contains(QString(told).replace("%1", path).toUtf8()), log.constData());
            QVERIFY2(arrivals.size() >= (told.contains("timed out") ? 3 : 0),
                     qPrintable(QString::number(arrivals.size()))); // during the helper's 5 s
            for (int i = 1; i < arrivals.size(); ++i)               // no second left out, however long the helper takes
                QVERIFY2(arrivals[i] - arrivals[i - 1] < 1500,
                         qPrintable(QString::number(arrivals[i] - arrivals[i - 1])));
        }
    }

private:
    QTemporaryDir dir;
    QProcess chronyd;
};

QTEST_MAIN(TestE2e)
#include "tst_e2e.moc"
