#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::startClock() {}

void MainWindow::DoClock() {}

