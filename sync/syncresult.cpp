#include "mainwindow/mainwindow.h"

#include "ui_mainwindow.h"

// What came of a request: shown in the sync line, with its reason in the tooltip, and kept in the record.
void MainWindow::showSyncResult(const SyncReport &report)
{
    ui->label_syncinfo->setText(report.text, report.reason);
    recordSync(report);
}
