#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::on_action_about_triggered() {}

void MainWindow::on_action_manual_triggered() {}

