#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::setupOutput() {}

void MainWindow::udpSendSyncMsg() {}

