#include "mainwindow/mainwindow.h"

#include "history/historywindow.h"
#include "history/synclogfile.h"
#include "settings/settingspath.h"
#include "ui_mainwindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>

#include <utility>

// The record begins with the program's start and ends with its end, on every way out: the window's and
// the tray's quit, the session's end, SIGTERM.
void MainWindow::startSyncRecord()
{
    recordSync({SyncOutcome::Started, serverHost, tr("程序启动")});
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        recordSync({SyncOutcome::Exited, serverHost, tr("程序退出")});
    });
}

// Every outcome the sync line shows: a row in sync-log.csv, a line in the system's log where it changes
// something, and the history window while it is open. Nothing here holds up syncing or the time feed.
void MainWindow::recordSync(const SyncReport &report)
{
    if (syncLogFolder.isEmpty()) // asked once: finding the folder tries a file there
        syncLogFolder = QFileInfo(settingsFilePath()).absolutePath();
    const SyncLogRow row = synclog::stamped(report);
    if (synclogfile::append(syncLogFolder, synclog::csvLine(row)))
        syncLogFailing = false;
    else if (!std::exchange(syncLogFailing, true)) // told once; later rows are tried all the same
        statusLabel->setText(tr("同步记录写入失败，请检查%1是否可写！")
                                 .arg(QDir::toNativeSeparators(synclogfile::currentPath(syncLogFolder))));
    if (const std::optional<SystemLogLine> line = systemLogChange(syncHealth, report))
        platform::writeSystemLog(line->severity, line->message);
    if (historyWindow)
        historyWindow->follow(row);
}

void MainWindow::on_action_history_triggered()
{
    if (!historyWindow)
        historyWindow = new SyncHistoryWindow(syncLogFolder, this);
    historyWindow->open();
}
