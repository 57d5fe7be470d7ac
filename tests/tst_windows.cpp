// What only the Windows program does, under Wine: start at logon in the per-user Run key, the hand-over
// of a second copy through the named pipe, and the real SetSystemTime, refused without the privilege.
#include "helpers/support.h"
#include "platform/autostart.h"

#include <windows.h>

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
        QVERIFY(QFile::copy(CHRONVALE_TESTBUILD, dir.filePath("chronvale.exe")));
        QVERIFY(
            writeAll(dir.filePath("ntp.ini"), iniText().replace("[mainWindow]\n", "[mainWindow]\ntrayicon=true\n")));
        qputenv("CHRONVALE_AUTOCLOSE_BOXES", "1");
        QProcess first, second;
        first.start(dir.filePath("chronvale.exe"), QStringList());
        QVERIFY(QTest::qWaitFor(shownWindow, 15000) && PostMessageW(shownWindow(), WM_CLOSE, 0, 0));
        QVERIFY(QTest::qWaitFor([] { return !shownWindow(); }, 5000));
        second.start(dir.filePath("chronvale.exe"), {"a", "b"});
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

    // A server ten minutes ahead: Wine hands the change to the host, which refuses it to a process without
    // the right to set the clock (ERROR_PRIVILEGE_NOT_HELD). The sync line says so, its tooltip why.
    void realClockRefusedWithoutThePrivilege()
    {
        FakeNtpServer server(123);
        server.offsetMs = 600 * 1000;
        TestWindow t;
        QLabel *line = t.ui()->label_syncinfo;
        QVERIFY(QTest::qWaitFor([&] { return line->text().startsWith("同步时间失败！"); }, 10000));
        wchar_t reason[256] = {};
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_PRIVILEGE_NOT_HELD, 0,
                       reason, 256, nullptr);
        QVERIFY2(line->toolTip().endsWith(QString::fromWCharArray(reason).trimmed()), qPrintable(line->toolTip()));
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
