// The tray rules with a real notification area: the test starts its own X server and a
// system tray (trayer) in its namespace, then runs its cases in a child process on that
// display, clicking the icon and its menu through the X server.
#include "fixtures/programrun.h"
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"
#include "helpers/modalboxes.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(QSystemTrayIcon::ActivationReason)

namespace {

const char onDisplayMarker[] = "CHRONVALE_TRAY_TEST_ON_DISPLAY";

void clickAt(const QPoint &global, const QStringList &clickArgs)
{
    const QStringList args = QStringList{QStringLiteral("mousemove"), QString::number(global.x()),
                                         QString::number(global.y()), QStringLiteral("click")}
        + clickArgs;
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), args), 0);
}

} // namespace

class DesktopTrayBarTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void iconSitsInNotificationArea();
    void closeHidesAndKeepsRunning();
    void clicks_data();
    void clicks();
    void menuRestores();
    void okHidesAfterConfirmation();
    void untickedCloseEnds();
    void menuQuitSaves();

private:
    QPoint iconCentre() const { return MainWindowProbe(*window).trayIcon()->geometry().center(); }

    QTemporaryDir configHome;
    QScopedPointer<QTemporaryDir> settingsDir;
    QString iniPath;
    QScopedPointer<MainWindow> window;
    QList<QSystemTrayIcon::ActivationReason> reasons;
};

void DesktopTrayBarTest::initTestCase()
{
    QVERIFY(configHome.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 15000);
}

void DesktopTrayBarTest::init()
{
    settingsDir.reset(new QTemporaryDir);
    QVERIFY(settingsDir->isValid());
    iniPath = useLoopbackSettings(settingsDir->path());
    window.reset(new MainWindow);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));
    MainWindowProbe probe(*window);
    reasons.clear();
    connect(probe.trayIcon(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { reasons.append(reason); });
    probe.ui()->checkBox_pallet->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(probe.trayIcon()->geometry().width() > 0, 10000);
    QTest::qWait(200); // let the tray finish placing the icon
}

void DesktopTrayBarTest::cleanup()
{
    window.reset();
}

void DesktopTrayBarTest::iconSitsInNotificationArea()
{
    MainWindowProbe probe(*window);
    QVERIFY(probe.trayIconShown());
    const QRect icon = probe.trayIcon()->geometry();
    QVERIFY2(QGuiApplication::primaryScreen()->geometry().contains(icon), "the icon is off the screen");
    QVERIFY(!window->geometry().contains(icon.center()));
}

void DesktopTrayBarTest::closeHidesAndKeepsRunning()
{
    MainWindowProbe probe(*window);
    probe.ui()->lineEdit_objport->setText(QStringLiteral("2468"));
    QVERIFY(!window->close());
    QVERIFY(!window->isVisible());
    QCOMPARE(QSettings(iniPath, QSettings::IniFormat).value(QStringLiteral("mainWindow/objPort")).toString(),
             QStringLiteral("2468"));
    QVERIFY(probe.clockTimer()->isActive());
}

void DesktopTrayBarTest::clicks_data()
{
    QTest::addColumn<QStringList>("clickArgs");
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<bool>("brings");
    QTest::newRow("click") << QStringList{"1"} << QSystemTrayIcon::Trigger << true;
    QTest::newRow("double click") << QStringList{"--repeat", "2", "--delay", "60", "1"}
                                  << QSystemTrayIcon::DoubleClick << true;
    QTest::newRow("middle click") << QStringList{"2"} << QSystemTrayIcon::MiddleClick << false;
}

void DesktopTrayBarTest::clicks()
{
    QFETCH(QStringList, clickArgs);
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(bool, brings);
    QVERIFY(!window->close());
    QVERIFY(!window->isVisible());
    clickAt(iconCentre(), clickArgs);
    QTRY_VERIFY_WITH_TIMEOUT(reasons.contains(reason), 5000);
    QTest::qWait(100);
    QCOMPARE(window->isVisible(), brings);
}

void DesktopTrayBarTest::menuRestores()
{
    MainWindowProbe probe(*window);
    QVERIFY(!window->close());
    clickAt(iconCentre(), {QStringLiteral("3")});
    QMenu *menu = probe.trayMenu();
    QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), 5000);
    QCOMPARE(menu->actions().size(), 2);
    QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("恢复窗口"));
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("退出"));
    QVERIFY(!window->isVisible());
    clickAt(menu->mapToGlobal(menu->actionGeometry(probe.restoreAction()).center()), {QStringLiteral("1")});
    QTRY_VERIFY_WITH_TIMEOUT(window->isVisible(), 5000);
    QTRY_VERIFY(!menu->isVisible());
}

void DesktopTrayBarTest::okHidesAfterConfirmation()
{
    ModalBoxCloser boxes;
    MainWindowProbe(*window).ui()->pushButton_ok->click();
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, QStringLiteral("提示！"));
    QVERIFY(!window->isVisible());
}

void DesktopTrayBarTest::untickedCloseEnds()
{
    MainWindowProbe probe(*window);
    probe.ui()->checkBox_pallet->setChecked(false);
    QVERIFY(!probe.trayIconShown());
    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
}

void DesktopTrayBarTest::menuQuitSaves()
{
    MainWindowProbe probe(*window);
    probe.ui()->lineEdit_objport->setText(QStringLiteral("1357"));
    QMenu *menu = probe.trayMenu();
    connect(menu, &QMenu::aboutToShow, this, [&] {
        QTimer::singleShot(200, this, [&] {
            clickAt(menu->mapToGlobal(menu->actionGeometry(probe.quitAction()).center()), {QStringLiteral("1")});
        });
    });
    QTimer::singleShot(0, this, [this] { clickAt(iconCentre(), {QStringLiteral("3")}); });
    QTimer::singleShot(15000, this, [] { QCoreApplication::exit(99); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QCOMPARE(QSettings(iniPath, QSettings::IniFormat).value(QStringLiteral("mainWindow/objPort")).toString(),
             QStringLiteral("1357"));
}

namespace {

// Starts Xvfb and trayer, runs this executable again on that display, and stops them.
int runOnDisplayWithTray(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QProcess xserver;
    const QString display = startXvfb(xserver);
    if (display.isEmpty()) {
        qCritical("Xvfb did not start: %s", xserver.readAllStandardError().constData());
        stopProcess(xserver);
        return 1;
    }

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    QProcess tray;
    tray.setProcessEnvironment(env);
    tray.start(QStringLiteral("trayer"), {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--align"),
                                          QStringLiteral("right"), QStringLiteral("--widthtype"),
                                          QStringLiteral("request"), QStringLiteral("--height"), QStringLiteral("32")});

    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QString::fromLatin1(onDisplayMarker), QStringLiteral("1"));
    QProcess cases;
    cases.setProcessEnvironment(env);
    cases.setProcessChannelMode(QProcess::ForwardedChannels);
    cases.start(QCoreApplication::applicationFilePath(), QCoreApplication::arguments().mid(1));
    const bool finished = cases.waitForFinished(240000);
    const int code = finished && cases.exitStatus() == QProcess::NormalExit ? cases.exitCode() : 1;
    if (!finished)
        stopProcess(cases);
    stopProcess(tray);
    stopProcess(xserver);
    return code;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty(onDisplayMarker))
        return runOnDisplayWithTray(argc, argv);
    QApplication app(argc, argv);
    DesktopTrayBarTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop_traybar.moc"
