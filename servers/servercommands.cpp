#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::on_pushButton_add_clicked() {}

void MainWindow::on_pushButton_edit_clicked() {}

void MainWindow::on_pushButton_del_clicked() {}

