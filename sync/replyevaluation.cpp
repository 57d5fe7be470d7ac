#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

void MainWindow::replyReceived(const QHostAddress &, unsigned short, const NtpReply &) {}

void MainWindow::writeEntryState() {}

