#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::on_pushButton_out_clicked() {}

void MainWindow::startOutput() {}

void MainWindow::stopOutput() {}

bool MainWindow::validateAddress(const QString &, const QString &) { return false; }

bool MainWindow::validateNumber(const QString &, const QString &) { return false; }

void MainWindow::ctlProcessPendingDatagrams() {}

