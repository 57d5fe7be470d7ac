// The tray icon, its menu and the hide rules where the desktop has no notification area
// (the offscreen platform has none): there the window must never hide, since nothing
// could bring it back.
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"
#include "helpers/modalboxes.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(QSystemTrayIcon::ActivationReason)

namespace {

QImage iconImage(const QIcon &icon)
{
    return icon.pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class DesktopTrayTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void actionsMenuAndIcons();
    void checkBoxShowsAndHidesIconOnly();
    void activation_data();
    void activation();
    void restoreActionRestoresMinimised();
    void withoutNotificationAreaCloseEndsAfterSaving();
    void withoutNotificationAreaOkKeepsWindow();
    void iconOnFromSavedSettings();

private:
    void build();

    QTemporaryDir configHome;
    QScopedPointer<QTemporaryDir> settingsDir;
    QString iniPath;
    QScopedPointer<MainWindow> window;
};

void DesktopTrayTest::initTestCase()
{
    QVERIFY(configHome.isValid());
    // The start-at-logon box writes below XDG_CONFIG_HOME; keep it away from the real one.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome.path()));
    QVERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
}

void DesktopTrayTest::init()
{
    settingsDir.reset(new QTemporaryDir);
    QVERIFY(settingsDir->isValid());
    iniPath = useLoopbackSettings(settingsDir->path());
}

void DesktopTrayTest::cleanup()
{
    window.reset();
}

void DesktopTrayTest::build()
{
    window.reset(new MainWindow);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.data()));
}

void DesktopTrayTest::actionsMenuAndIcons()
{
    build();
    MainWindowProbe probe(*window);
    QCOMPARE(probe.restoreAction()->text(), QStringLiteral("恢复窗口"));
    QCOMPARE(probe.quitAction()->text(), QStringLiteral("退出"));
    QCOMPARE(probe.restoreAction()->parent(), window.data());
    QCOMPARE(probe.quitAction()->parent(), window.data());
    QCOMPARE(probe.trayMenu()->actions(), (QList<QAction *>{probe.restoreAction(), probe.quitAction()}));
    QCOMPARE(probe.trayMenu()->parent(), window.data());
    QCOMPARE(probe.trayIcon()->parent(), window.data());
    QCOMPARE(probe.trayIcon()->contextMenu(), probe.trayMenu());
    QVERIFY(probe.trayIcon()->toolTip().isEmpty());
    QVERIFY(!probe.trayIcon()->isVisible());

    const QImage heart = iconImage(QIcon(QStringLiteral(":/images/heart.ico")));
    QVERIFY(!heart.isNull());
    QCOMPARE(iconImage(probe.trayIcon()->icon()), heart);
    QCOMPARE(iconImage(window->windowIcon()), heart);
}

void DesktopTrayTest::checkBoxShowsAndHidesIconOnly()
{
    build();
    MainWindowProbe probe(*window);
    probe.ui()->checkBox_pallet->setChecked(true);
    QVERIFY(probe.trayIcon()->isVisible());
    QVERIFY(window->isVisible());
    window->hide();
    probe.ui()->checkBox_pallet->setChecked(false);
    QVERIFY(!probe.trayIcon()->isVisible());
    QVERIFY(!window->isVisible());
}

void DesktopTrayTest::activation_data()
{
    QTest::addColumn<QSystemTrayIcon::ActivationReason>("reason");
    QTest::addColumn<bool>("brings");
    QTest::newRow("unknown") << QSystemTrayIcon::Unknown << false;
    QTest::newRow("context") << QSystemTrayIcon::Context << false;
    QTest::newRow("double click") << QSystemTrayIcon::DoubleClick << true;
    QTest::newRow("click") << QSystemTrayIcon::Trigger << true;
    QTest::newRow("middle click") << QSystemTrayIcon::MiddleClick << false;
}

void DesktopTrayTest::activation()
{
    QFETCH(QSystemTrayIcon::ActivationReason, reason);
    QFETCH(bool, brings);
    build();
    MainWindowProbe probe(*window);
    window->hide();
    probe.iconActivated(reason);
    QCOMPARE(window->isVisible(), brings);

    window->showMinimized();
    probe.iconActivated(reason);
    QCOMPARE(window->isMinimized(), !brings);
}

void DesktopTrayTest::restoreActionRestoresMinimised()
{
    build();
    MainWindowProbe probe(*window);
    window->showMinimized();
    QVERIFY(window->isMinimized());
    probe.restoreAction()->trigger();
    QVERIFY(!window->isMinimized());
    window->hide();
    probe.restoreAction()->trigger();
    QVERIFY(window->isVisible());
}

void DesktopTrayTest::withoutNotificationAreaCloseEndsAfterSaving()
{
    build();
    MainWindowProbe probe(*window);
    probe.ui()->checkBox_pallet->setChecked(true);
    QVERIFY(probe.trayIcon()->isVisible());
    QVERIFY(!probe.trayIconShown());
    probe.ui()->lineEdit_objport->setText(QStringLiteral("4321"));

    QVERIFY(window->close());
    QVERIFY(!window->isVisible());
    QSettings saved(iniPath, QSettings::IniFormat);
    QCOMPARE(saved.value(QStringLiteral("mainWindow/objPort")).toString(), QStringLiteral("4321"));
    QCOMPARE(saved.value(QStringLiteral("mainWindow/trayicon")).toBool(), true);
}

void DesktopTrayTest::withoutNotificationAreaOkKeepsWindow()
{
    build();
    MainWindowProbe probe(*window);
    probe.ui()->checkBox_pallet->setChecked(true);
    ModalBoxCloser boxes;
    probe.ui()->pushButton_ok->click();
    QCOMPARE(boxes.count(), 1);
    QVERIFY(window->isVisible());
}

// The tray's quit keeps what was changed since the last save.
void DesktopTrayTest::iconOnFromSavedSettings()
{
    {
        QSettings ini(iniPath, QSettings::IniFormat);
        ini.setValue(QStringLiteral("mainWindow/trayicon"), true);
    }
    build();
    MainWindowProbe probe(*window);
    QVERIFY(probe.ui()->checkBox_pallet->isChecked());
    QVERIFY(probe.trayIcon()->isVisible());
    QVERIFY(window->isVisible());
}

QTEST_MAIN(DesktopTrayTest)
#include "tst_desktop_tray.moc"
