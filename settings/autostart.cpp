#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::on_checkBox_startrun_stateChanged(int) {}

