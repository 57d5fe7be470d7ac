#include "mainwindow/mainwindow.h"

void MainWindow::recordSync(const SyncReport &) {}
