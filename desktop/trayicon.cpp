#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QMenu>

void MainWindow::setupTrayActions()
{
    restoreAction = new QAction(tr("恢复窗口"), this);
    connect(restoreAction, &QAction::triggered, this, &MainWindow::showNormal);

    quitAction = new QAction(tr("退出"), this);
    // Saves first, like the window's own quit commands: nothing changed since the last save is lost.
    connect(quitAction, &QAction::triggered, this, [this] {
        saveSettings(true);
        QCoreApplication::quit();
    });
}

void MainWindow::setupTrayIcon()
{
    trayMenu = new QMenu(this);
    trayMenu->addAction(restoreAction);
    trayMenu->addAction(ui->action_history);
    trayMenu->addAction(quitAction);

    trayIcon = new QSystemTrayIcon(this);
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::iconActivated);
    trayIcon->setContextMenu(trayMenu);

    const QIcon icon(QStringLiteral(":/images/heart.ico"));
    trayIcon->setIcon(icon);
    setWindowIcon(icon);
}

// Without a notification area a hidden window could never come back, so the icon only counts
// as shown where the desktop has one.
bool MainWindow::trayIconShown() const
{
    return trayIcon && trayIcon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void MainWindow::hideToTray()
{
    hiddenToTray = true;
    hide();
}

// Called with every turn of the clock: when the notification area goes away (its panel restarted or
// crashed) while the window is hidden in it, nothing else could bring the window back.
void MainWindow::keepWindowReachable()
{
    if (hiddenToTray && isHidden() && !QSystemTrayIcon::isSystemTrayAvailable())
        bringBack();
}

void MainWindow::bringBack()
{
    hiddenToTray = false;
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::iconActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
        showNormal();
}

void MainWindow::on_checkBox_pallet_stateChanged(int arg1)
{
    trayIcon->setVisible(arg1 != 0);
}
