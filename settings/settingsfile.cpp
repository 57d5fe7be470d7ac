#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::loadSettings() {}

bool MainWindow::saveSettings() { return true; }

void MainWindow::on_pushButton_ok_clicked() {}

