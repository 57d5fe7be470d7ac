// A save that cannot be written is told to the user, and never leaves a broken ntp.ini behind.
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"
#include "helpers/modalboxes.h"
#include "settings/settingsdraft.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>

namespace {

const QString failureTitle = QStringLiteral("错误");
const QString failureText = QStringLiteral("设置保存失败，请检查ntp.ini是否可写！");

// Root passes every file mode, and access() asks the permitted set. The test process gives up
// the overriding capabilities for good, so a folder or file without write permission really
// cannot be written. As the files' owner it can still give the permission back.
bool honourFileModes()
{
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    __user_cap_data_struct caps[2]{};
    if (syscall(SYS_capget, &header, caps) != 0)
        return false;
    const quint32 overriding = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER);
    caps[0].effective &= ~overriding;
    caps[0].permitted &= ~overriding;
    caps[0].inheritable &= ~overriding;
    return syscall(SYS_capset, &header, caps) == 0;
}

// A disk that fills after `bytes`: every write to a file beyond that size fails.
class DiskFullAfter
{
public:
    explicit DiskFullAfter(rlim_t bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~DiskFullAfter()
    {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }
    DiskFullAfter(const DiskFullAfter &) = delete;
    DiskFullAfter &operator=(const DiskFullAfter &) = delete;

private:
    rlimit saved{};
    void (*previousHandler)(int) = SIG_DFL;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

QStringList folderEntries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

enum class Blocker { ReadOnlyFolder, ReadOnlyFile };

// Takes write permission from the folder or the file; the destructor gives it back.
class WriteBlock
{
public:
    WriteBlock(Blocker blocker, const QString &iniPath)
        : target(blocker == Blocker::ReadOnlyFolder ? QFileInfo(iniPath).absolutePath() : iniPath),
          previous(QFile::permissions(target))
    {
        QFile::setPermissions(target, previous & ~(QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup
                                                   | QFile::WriteOther));
    }
    ~WriteBlock() { QFile::setPermissions(target, previous); }
    WriteBlock(const WriteBlock &) = delete;
    WriteBlock &operator=(const WriteBlock &) = delete;

    bool holds() const { return !QFileInfo(target).isWritable(); }

private:
    QString target;
    QFile::Permissions previous;
};

// A loopback ntp.ini as it was before the test, and whether it is still exactly that.
struct KeptFile
{
    QTemporaryDir dir;
    QString iniPath = useLoopbackSettings(dir.path());
    QByteArray before = readAll(iniPath);

    bool untouched() const
    {
        return readAll(iniPath) == before && folderEntries(dir.path()) == QStringList{"ntp.ini"};
    }
};

// A window over that file with a change typed but not saved.
struct UnsavedWindow : KeptFile
{
    MainWindow window;
    MainWindowProbe probe{window};

    UnsavedWindow() { probe.ui()->lineEdit_objport->setText(QStringLiteral("4321")); }
};

void checkFailureBox(const ModalBoxCloser &boxes, QWidget *window)
{
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, failureTitle);
    QCOMPARE(boxes.last().text, failureText);
    QCOMPARE(boxes.last().icon, QMessageBox::Information);
    QCOMPARE(boxes.last().parent.data(), window);
}

} // namespace

Q_DECLARE_METATYPE(Blocker)

class SettingsMendsTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(honourFileModes()); }
    void failedSaveIsReported_data();
    void failedSaveIsReported();
    void okAfterFailedSaveShowsOnlyTheFailure();
    void waysOutReportAndStillEnd_data();
    void waysOutReportAndStillEnd();

    void draftFailingOnFullDiskKeepsOldFile();
    void replaceBrokenMidWriteKeepsOldFile();
    void replaceKeepsPermissionsAndLeavesNoLitter();
};

void SettingsMendsTest::failedSaveIsReported_data()
{
    QTest::addColumn<Blocker>("blocker");
    QTest::newRow("read-only folder") << Blocker::ReadOnlyFolder;
    QTest::newRow("read-only file") << Blocker::ReadOnlyFile;
}

void SettingsMendsTest::failedSaveIsReported()
{
    QFETCH(Blocker, blocker);
    UnsavedWindow w;
    ModalBoxCloser boxes;

    WriteBlock block(blocker, w.iniPath);
    QVERIFY2(block.holds(), "the test could not take write permission away");
    QVERIFY(!w.probe.saveSettings());

    checkFailureBox(boxes, &w.window);
    QVERIFY(w.untouched());
}

void SettingsMendsTest::okAfterFailedSaveShowsOnlyTheFailure()
{
    UnsavedWindow w;
    w.window.show();
    ModalBoxCloser boxes;

    WriteBlock block(Blocker::ReadOnlyFolder, w.iniPath);
    QVERIFY(block.holds());
    w.probe.okClicked();

    checkFailureBox(boxes, &w.window);
    QVERIFY(w.window.isVisible());
    QVERIFY(w.untouched());
}

void SettingsMendsTest::waysOutReportAndStillEnd_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("options button 退出") << "quitButton";
    QTest::newRow("menu 文件 / 退出") << "exitAction";
    QTest::newRow("close the window") << "close";
}

void SettingsMendsTest::waysOutReportAndStillEnd()
{
    QFETCH(QString, way);
    UnsavedWindow w;
    w.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w.window));
    ModalBoxCloser boxes;

    WriteBlock block(Blocker::ReadOnlyFolder, w.iniPath);
    QVERIFY(block.holds());
    QTimer::singleShot(0, &w.window, [&] {
        if (way == "quitButton")
            w.probe.quitClicked();
        else if (way == "exitAction")
            w.probe.exitTriggered();
        else
            w.window.close();
    });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); }); // a way that does not end the loop
    QCOMPARE(qApp->exec(), 0);

    checkFailureBox(boxes, &w.window);
    QVERIFY(w.untouched());
}

void SettingsMendsTest::draftFailingOnFullDiskKeepsOldFile()
{
    KeptFile file;
    SettingsDraft draft;
    draft.settings().setValue(QStringLiteral("mainWindow/objPort"), QString(4096, QLatin1Char('9')));

    bool committed = true;
    {
        DiskFullAfter full(64);
        committed = draft.commitTo(file.iniPath);
    }

    QVERIFY(!committed);
    QVERIFY(file.untouched());
}

void SettingsMendsTest::replaceBrokenMidWriteKeepsOldFile()
{
    KeptFile file;
    const QByteArray larger(256 * 1024, 'x');

    bool replaced = true;
    {
        DiskFullAfter full(8192);
        replaced = replaceFileWhole(file.iniPath, larger);
    }

    QVERIFY(!replaced);
    QVERIFY(file.untouched());
}

void SettingsMendsTest::replaceKeepsPermissionsAndLeavesNoLitter()
{
    QTemporaryDir dir;
    const QString iniPath = useLoopbackSettings(dir.path());
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QVERIFY(QFile::setPermissions(iniPath, ownerOnly));
    SettingsDraft draft;
    draft.settings().setValue(QStringLiteral("mainWindow/objPort"), QStringLiteral("7"));

    QVERIFY(draft.commitTo(iniPath));

    QCOMPARE(readAll(iniPath), QByteArray("[mainWindow]\nobjPort=7\n"));
    QCOMPARE(QFile::permissions(iniPath), ownerOnly);
    QCOMPARE(folderEntries(dir.path()), QStringList{"ntp.ini"});
}

QTEST_MAIN(SettingsMendsTest)
#include "tst_settings_mends.moc"
