// What only the Windows program does, under Wine: start at logon in the per-user Run key, the hand-over
// of a second copy through the named pipe, the clock set by the set-time service (the program's own
// SetSystemTime lacks the right here: tests/fixtures/refusedclock_windows.cpp), and Windows Time.
#include "helpers/support.h"
#include "platform/autostart.h"
#include "platform/configfolder.h"
#include "platform/timeservice.h"

#include <QLocalSocket>
#include <QWinEventNotifier>

#include <windows.h>

static bool run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitCode() == 0;
}

// The build's service program, registered under a name and started.
static bool startService(const QString &name)
{
    return run("sc",
               {"create", name, "binpath=", QDir::toNativeSeparators(QFileInfo(CHRONVALE_SETTIME).absoluteFilePath()),
                "obj=", "NT AUTHORITY\\LocalService"})
           && run("sc", {"start", name});
}

// The main window of the program's copy that runs, if it shows.
static HWND shownWindow()
{
    const HWND window = FindWindowW(nullptr, L"ChronvaleV1.190918.0");
    return IsWindowVisible(window) ? window : nullptr;
}

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    // "开机运行" writes the program's path, quoted, as "razudori" under the user's Run key, and clears it;
    // read back by Windows' own reg.
    void startAtLogonInTheRunKey()
    {
        const auto runValue = [] {
            QProcess reg;
            reg.start("reg", {"query", R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Run)", "/v", "razudori"});
            return reg.waitForFinished(10000) ? QString::fromLocal8Bit(reg.readAllStandardOutput()) : QString();
        };
        TestWindow t;
        t.ui()->checkBox_startrun->setChecked(true);
        const QString path = QDir::toNativeSeparators(QCoreApplication::applicationFilePath());
        QVERIFY2(runValue().contains("razudori    REG_SZ    \"" + path + "\"\r\n"), qPrintable(runValue()));
        t.ui()->checkBox_startrun->setChecked(false);
        QVERIFY2(runValue().contains("razudori    REG_SZ    \r\n"), qPrintable(runValue()));
        QVERIFY(platform::registerStartAtLogon("razudori", "C:/Program Files/Chronvale/chronvale.exe"));
        QVERIFY(runValue().contains(R"(REG_SZ    "C:\Program Files\Chronvale\chronvale.exe")"));
    }

    // Hidden in the notification area, the first copy comes back when a second starts; the second hands
    // its last argument over, shows its notice and leaves with 0.
    void secondCopyHandsOverThroughThePipe()
    {
        QTemporaryDir dir;
        QVERIFY(
            writeAll(dir.filePath("ntp.ini"), iniText().replace("[mainWindow]\n", "[mainWindow]\ntrayicon=true\n")));
        QProcess first, second;
        startCopy(first, dir);
        QVERIFY(QTest::qWaitFor(shownWindow, 15000) && PostMessageW(shownWindow(), WM_CLOSE, 0, 0));
        QVERIFY(QTest::qWaitFor([] { return !shownWindow(); }, 5000));
        startCopy(second, dir, {"a", "b"});
        QVERIFY(second.waitForFinished(15000) && second.exitCode() == 0);
        QVERIFY(second.readAllStandardError().contains(
            "BOX||本程序已打开，如果窗口隐藏状态，双击托盘本软件图标可恢复窗口！"));
        QByteArray handedOver;
        QVERIFY(QTest::qWaitFor(
            [&] { return (handedOver += first.readAllStandardError()).contains("The value is: b\r\n"); }, 5000));
        QVERIFY(QTest::qWaitFor(shownWindow, 5000));
        first.kill();
        first.waitForFinished();
    }

    // Installed is also the program in the folder the installer recorded, which may be of the administrator's
    // choosing.
    void installedWhereTheInstallerSays()
    {
        QVERIFY(!platform::isInstalledProgram("C:/Tools/Chronvale"));
        QVERIFY(run("reg", {"add", R"(HKLM\Software\Orvelisk\Chronvale)", "/ve", "/d", R"(C:\Tools\Chronvale)", "/f"}));
        QVERIFY(platform::isInstalledProgram("c:/tools/chronvale") && !platform::isInstalledProgram("C:/Tools"));
    }

    // Garbage, too much and nothing at all are each hung up on within a second, and the service goes on.
    void clientsDroppedByTheService()
    {
        QVERIFY(startService("ChronvaleSetTime"));
        for (const QByteArray &request : {QByteArray("1x\n"), QByteArray(64, '1'), QByteArray()}) {
            QLocalSocket client;
            client.connectToServer("ChronvaleSetTime");
            QVERIFY(client.waitForConnected(5000) && client.write(request) == request.size());
            QVERIFY2(client.waitForDisconnected(3000) && client.readAll().isEmpty(), request.constData());
        }
        QLocalSocket client;
        client.connectToServer("ChronvaleSetTime");
        QVERIFY(client.waitForConnected(5000) && client.write("-0\n") == 3);
        QVERIFY(client.waitForReadyRead(5000) && client.readAll() == "0\n");
    }

    // Wine does a sub-second move (reporting it done without doing it) and hands an hour to the host, which
    // refuses it: the service's reason is in the tooltip. A stopped service gets what to do about it.
    void clockSetThroughTheService()
    {
        FakeNtpServer server(123);
        server.offsetMs = 200;
        TestWindow t(iniText({"127.0.0.1 7200 1000 0"}));
        QLabel *line = t.ui()->label_syncinfo;
        QTRY_VERIFY_WITH_TIMEOUT(line->text().startsWith("同步时间成功！"), 10000);
        server.offsetMs = 3600 * 1000;
        t.ui()->pushButton_sync->click();
        QTRY_VERIFY_WITH_TIMEOUT(line->text().startsWith("同步时间失败！"), 10000);
        wchar_t reason[256] = {};
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_PRIVILEGE_NOT_HELD, 0,
                       reason, 256, nullptr);
        QVERIFY2(line->toolTip().contains("ChronvaleSetTime: " + QString::fromWCharArray(reason).trimmed()),
                 qPrintable(line->toolTip()));
        QVERIFY(run("sc", {"stop", "ChronvaleSetTime"}));
        t.ui()->pushButton_sync->click();
        QTRY_VERIFY_WITH_TIMEOUT(line->toolTip().contains("sc start ChronvaleSetTime"), 10000);
    }

    // Windows Time, running (a stand-in under its name) and set to synchronise, is named in the status line;
    // set to NoSync, it is not.
    void windowsTimeIsTold()
    {
        run("sc", {"stop", "ChronvaleSetTime"}); // the stand-in is the same program, on the same pipe
        QVERIFY(startService("W32Time"));
        const QString parameters = R"(HKLM\SYSTEM\CurrentControlSet\Services\W32Time\Parameters)";
        QVERIFY(run("reg", {"add", parameters, "/v", "Type", "/d", "NoSync", "/f"}));
        QObject context;
        QString found;
        platform::findTimeService(&context, [&](const QString &name) { found = name; });
        QTRY_VERIFY(context.findChildren<QWinEventNotifier *>().isEmpty()); // it has looked
        QVERIFY(found.isEmpty());
        QVERIFY(run("reg", {"add", parameters, "/v", "Type", "/d", "NTP", "/f"}));
        TestWindow t;
        QTRY_VERIFY_WITH_TIMEOUT(t.statusLabel()->text().contains("W32Time"), 10000);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
