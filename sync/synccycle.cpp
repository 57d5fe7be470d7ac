#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::syncStart() {}

void MainWindow::DoSync() {}

void MainWindow::DoStatus() {}

void MainWindow::sendSyncRequest() {}

void MainWindow::stopSync() {}

void MainWindow::on_pushButton_sync_clicked() {}

