// "开机运行" registers the running program for start at logon at once, clears it when
// unticked, and every start with the option on rewrites the registration with the current path.
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"
#include "platform/autostart.h"

#include <QCheckBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class DesktopStartRunTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void tickingRegistersAtOnce();
    void untickingDisables();
    void start_data();
    void start();

private:
    QString entryText() const;
    QString expectedExec() const
    {
        return QStringLiteral("Exec=\"%1\"").arg(QCoreApplication::applicationFilePath());
    }

    QScopedPointer<QTemporaryDir> configHome;
    QScopedPointer<QTemporaryDir> settingsDir;
    QString iniPath;
};

QString DesktopStartRunTest::entryText() const
{
    QFile file(configHome->filePath(QStringLiteral("autostart/razudori.desktop")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void DesktopStartRunTest::init()
{
    configHome.reset(new QTemporaryDir);
    settingsDir.reset(new QTemporaryDir);
    QVERIFY(configHome->isValid() && settingsDir->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome->path()));
    iniPath = useLoopbackSettings(settingsDir->path());
    // The temporary folders' paths hold nothing that needs escaping, so the entry can be compared as text.
    QVERIFY(!QCoreApplication::applicationFilePath().contains(QRegularExpression(QStringLiteral("[\"`$\\\\% ]"))));
}

void DesktopStartRunTest::cleanup()
{
    qunsetenv("XDG_CONFIG_HOME");
}

void DesktopStartRunTest::tickingRegistersAtOnce()
{
    MainWindow window;
    QVERIFY(entryText().isEmpty());
    MainWindowProbe(window).ui()->checkBox_startrun->setChecked(true);
    QVERIFY(entryText().contains(expectedExec()));
    QVERIFY(entryText().contains(QStringLiteral("\nHidden=false\n")));
    QVERIFY(!QSettings(iniPath, QSettings::IniFormat).contains(QStringLiteral("mainWindow/startrun")));
}

void DesktopStartRunTest::untickingDisables()
{
    MainWindow window;
    QCheckBox *box = MainWindowProbe(window).ui()->checkBox_startrun;
    box->setChecked(true);
    box->setChecked(false);
    QVERIFY(entryText().contains(QStringLiteral("\nHidden=true\n")));
    QVERIFY(!entryText().contains(QCoreApplication::applicationFilePath()));
}

void DesktopStartRunTest::start_data()
{
    QTest::addColumn<bool>("option");
    QTest::newRow("option on: rewritten with the current path") << true;
    QTest::newRow("option off: left alone") << false;
}

void DesktopStartRunTest::start()
{
    QFETCH(bool, option);
    QVERIFY(platform::registerStartAtLogon(QStringLiteral("razudori"), QStringLiteral("/old/place/chronvale")));
    const QString before = entryText();
    {
        QSettings ini(iniPath, QSettings::IniFormat);
        ini.setValue(QStringLiteral("mainWindow/startrun"), option);
    }
    MainWindow window;
    QCOMPARE(MainWindowProbe(window).ui()->checkBox_startrun->isChecked(), option);
    if (option)
        QVERIFY(entryText().contains(expectedExec()));
    else
        QCOMPARE(entryText(), before);
}

QTEST_MAIN(DesktopStartRunTest)
#include "tst_desktop_startrun.moc"
