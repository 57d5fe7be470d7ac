// Every way out of the window ends the program with 0 and keeps what was typed.
#include "helpers/loopbacksettings.h"
#include "helpers/mainwindowprobe.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class MainWindowShutdownTest : public QObject
{
    Q_OBJECT
private slots:
    void waysOut_data();
    void waysOut();
};

void MainWindowShutdownTest::waysOut_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("options button 退出") << "quitButton";
    QTest::newRow("menu 文件 / 退出") << "exitAction";
    QTest::newRow("close the window") << "close";
}

void MainWindowShutdownTest::waysOut()
{
    QFETCH(QString, way);
    QTemporaryDir dir;
    const QString iniPath = useLoopbackSettings(dir.path());
    MainWindow window;
    MainWindowProbe probe(window);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    probe.ui()->lineEdit_objport->setText(QStringLiteral("4321"));

    QTimer::singleShot(0, &window, [&] {
        if (way == "quitButton")
            probe.ui()->pushButton_quit->click();
        else if (way == "exitAction")
            probe.ui()->action_exit->trigger();
        else
            window.close();
    });
    QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(99); }); // a way that does not end the loop
    QCOMPARE(qApp->exec(), 0);

    QSettings saved(iniPath, QSettings::IniFormat);
    QCOMPARE(saved.value(QStringLiteral("mainWindow/objPort")).toString(), QStringLiteral("4321"));
}

QTEST_MAIN(MainWindowShutdownTest)
#include "tst_mainwindow_shutdown.moc"
