#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::setupTrayActions() {}

void MainWindow::setupTrayIcon() {}

bool MainWindow::trayIconShown() const { return false; }

void MainWindow::iconActivated(QSystemTrayIcon::ActivationReason) {}

void MainWindow::on_checkBox_pallet_stateChanged(int) {}

