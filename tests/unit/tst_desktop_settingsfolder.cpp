// Where ntp.ini lives: beside the executable when its folder can be written, otherwise in the
// user's configuration folder; and the debug line that names the file used.
#include "settings/settingsfolder.h"
#include "settings/settingspath.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Tried for real rather than asked, so the test does not share the program's check.
bool canCreateFileIn(const QString &folder)
{
    QFile probe(QDir(folder).filePath(QStringLiteral("probe.tmp")));
    if (!probe.open(QIODevice::WriteOnly))
        return false;
    probe.remove();
    return true;
}

} // namespace

class SettingsFolderTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void writableFolderIsKept();
    void otherwiseTheConfigFolder_data();
    void otherwiseTheConfigFolder();
    void filePathAndDebugLine();

private:
    QString configFolder() const
    {
        return configHome->path() + QLatin1Char('/') + QCoreApplication::applicationName();
    }

    QScopedPointer<QTemporaryDir> configHome;
    QByteArray savedConfigHome;
};

void SettingsFolderTest::init()
{
    savedConfigHome = qgetenv("XDG_CONFIG_HOME");
    configHome.reset(new QTemporaryDir);
    QVERIFY(configHome->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome->path()));
}

void SettingsFolderTest::cleanup()
{
    qputenv("XDG_CONFIG_HOME", savedConfigHome);
    setSettingsDirectoryOverride(QString());
}

void SettingsFolderTest::writableFolderIsKept()
{
    QTemporaryDir programFolder;
    QVERIFY(programFolder.isValid());
    QCOMPARE(settingsFolderFor(programFolder.path()), programFolder.path());
    QVERIFY(!QFileInfo::exists(configFolder()));
}

void SettingsFolderTest::otherwiseTheConfigFolder_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("read-only folder") << "read-only";
    QTest::newRow("kernel folder") << "/proc/sys";
    QTest::newRow("missing folder") << "missing";
}

void SettingsFolderTest::otherwiseTheConfigFolder()
{
    QFETCH(QString, kind);
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    QString programFolder = kind;
    if (kind == QLatin1String("read-only")) {
        programFolder = scratch.path() + QStringLiteral("/bin");
        QVERIFY(QDir().mkdir(programFolder));
        QVERIFY(QFile::setPermissions(programFolder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                                         | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    } else if (kind == QLatin1String("missing")) {
        programFolder = scratch.path() + QStringLiteral("/gone");
    }
    if (QFileInfo(programFolder).isDir() && canCreateFileIn(programFolder))
        QSKIP("this process may write that folder anyway (it has the right to override permissions)");

    QCOMPARE(settingsFolderFor(programFolder), configFolder());
    QVERIFY(QFileInfo(configFolder()).isDir());
    QVERIFY(canCreateFileIn(configFolder()));
}

void SettingsFolderTest::filePathAndDebugLine()
{
    const QString besideProgram = QCoreApplication::applicationDirPath() + QStringLiteral("/ntp.ini");
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("exe dir ") + besideProgram));
    QCOMPARE(settingsFilePath(), besideProgram);

    setSettingsDirectoryOverride(configHome->path());
    const QString overridden = configHome->path() + QStringLiteral("/ntp.ini");
    QTest::ignoreMessage(QtDebugMsg, qPrintable(QStringLiteral("exe dir ") + overridden));
    QCOMPARE(settingsFilePath(), overridden);
}

QTEST_GUILESS_MAIN(SettingsFolderTest)
#include "tst_desktop_settingsfolder.moc"
