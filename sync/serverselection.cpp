#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::on_comboBox_iplist_currentIndexChanged(int) {}

